#pragma once
// The outbox: every interval message is written here before it is sent,
// and stays until the broker has acknowledged it, so that a broker outage,
// a network loss, a killed logger or a reboot loses nothing. Its files lie
// beside the logger's journal, all append-only (monitor/outbox_files.h has
// the entries):
//   sonavistor-log.outbox           the messages being added ("M" entries)
//   sonavistor-log.outbox.4097      an older part, full, from message 4097 on
//   sonavistor-log.outbox.acked     the acknowledgements ("A", "U" entries)
//   sonavistor-log.outbox.damaged   lines that did not check, with where they were
// Messages are numbered in the order they were made and go out in that
// order. An acknowledgement only adds a line: a part goes whole once all its
// messages are acknowledged, the first file is emptied when nothing waits,
// and the acknowledgements are written afresh (a few lines) when they pile
// up. So a backlog costs its own bytes once, however long it is, and only
// a window of the oldest waiting messages is held in memory; the rest is
// read from the files as the window empties.
//
// The outbox holds at most `capacity` waiting messages: a new one beyond
// that drops the oldest, and each drop is said once.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <deque>
#include <set>
#include <vector>

namespace sonavistor {

inline constexpr char kOutboxFileName[] = "sonavistor-log.outbox";

struct OutboxMessage {
    qint64 id = 0;
    QByteArray topic;    // no blanks
    QByteArray payload;  // one line
};

class Outbox {
public:
    // The messages held in memory at most (the oldest waiting), and those a part holds.
    static constexpr qsizetype kWindow = 2000;
    static constexpr qint64 kPartMessages = 4096;

    Outbox(QString path, qint64 capacity);
    ~Outbox();
    Outbox(const Outbox&) = delete;
    Outbox& operator=(const Outbox&) = delete;

    // Reads what a previous run left waiting and opens the files for
    // appending. Throws Error when a file cannot be read or opened.
    void open();

    // Adds a message at the end; returns its id. The message is kept in
    // memory even when the file cannot be written (the failure is said).
    qint64 add(const QByteArray& topic, const QByteArray& payload);
    // The broker has the message: it leaves the outbox. Ids not among
    // waiting() are ignored.
    void acknowledge(qint64 id);

    // The oldest waiting messages, oldest first: all of them, or the first
    // kWindow or more when there are more (the rest follow as these go).
    const std::deque<OutboxMessage>& waiting() const { return window_; }
    // How many messages wait in all.
    qint64 waitingCount() const { return waitingCount_; }
    qint64 capacity() const { return capacity_; }
    const QString& path() const { return path_; }

    // Drops, damaged lines, write failures and what a start found; each said once.
    QStringList takeMessages();

private:
    struct Part {
        qint64 firstId;
        QString path;
    };

    void readAcknowledgements();
    bool scanParts(bool first);
    void setAside(const QString& file, qint64 line, QByteArrayView text, const QString& what);
    void refill();
    void dropOverCapacity();
    void flush();
    void record(const QByteArray& entry);
    void afterAcknowledgement();
    void emptied();
    void seal();
    void rewriteAcknowledgements();
    void cutTornEnd(const QString& file, qint64 size);
    qint64 oldestWaiting() const;

    QString path_;
    qint64 capacity_;
    int fd_ = -1;          // the first file, appending
    int ackedFd_ = -1;     // the acknowledgements, appending
    qint64 nextId_ = 1;
    qint64 upTo_ = 0;            // every message up to this id is acknowledged
    std::set<qint64> acked_;     // acknowledged above upTo_
    qint64 ackedLines_ = 0;      // lines in the acknowledgements file
    std::vector<Part> parts_;    // oldest first; the last is the first file (path_)
    qint64 lastPartMessages_ = 0;
    qint64 waitingCount_ = 0;
    std::deque<OutboxMessage> window_;
    qint64 loadedUpTo_ = 0;      // every waiting message up to this id is in the window
    qint64 cursorPart_ = 0;      // where reading goes on: a part's first id and an offset in it
    qint64 cursorOffset_ = 0;
    std::deque<OutboxMessage> unwritten_;  // not yet in the file: it could not be written
    std::set<QByteArray> setAside_;        // damaged lines already in the side file
    QStringList messages_;
    int damagedLines_ = 0;
    bool failing_ = false;
    bool ackedFailing_ = false;
};

// The text a message's payload shows a person ("the interval from 2026-12-10T15:04:00+01:00").
QString describeOutboxMessage(const OutboxMessage& message);

}  // namespace sonavistor
