#pragma once
// The outbox: every interval message is written here before it is sent,
// and stays until the broker has acknowledged it, so that a broker outage,
// a network loss, a killed logger or a reboot loses nothing. An append-only
// text file beside the logger's journal, one entry a line, each with a
// CRC-32 of the rest of the line (a torn or damaged line is left out):
//   M 17 <topic> <payload> <crc>   message 17, waiting for its acknowledgement
//   A 17 <crc>                     message 17 acknowledged (or dropped)
// Entries are numbered in the order they were made and go out in that
// order. When nothing is waiting the file is emptied; when acknowledgements
// pile up it is rewritten with the waiting messages only.
//
// The outbox holds at most `capacity` waiting messages: a new one beyond
// that drops the oldest, and each drop is said once.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <deque>

namespace sonavistor {

inline constexpr char kOutboxFileName[] = "sonavistor-log.outbox";

struct OutboxMessage {
    qint64 id = 0;
    QByteArray topic;    // no blanks
    QByteArray payload;  // one line
};

class Outbox {
public:
    Outbox(QString path, qint64 capacity);
    ~Outbox();
    Outbox(const Outbox&) = delete;
    Outbox& operator=(const Outbox&) = delete;

    // Reads what a previous run left waiting and opens the file for
    // appending. Throws Error when the file cannot be read or opened.
    void open();

    // Adds a message at the end; returns its id. The message is kept in
    // memory even when the file cannot be written (the failure is said).
    qint64 add(const QByteArray& topic, const QByteArray& payload);
    // The broker has the message: it leaves the outbox. Unknown ids are ignored.
    void acknowledge(qint64 id);

    // The waiting messages, oldest first.
    const std::deque<OutboxMessage>& waiting() const { return waiting_; }
    qint64 capacity() const { return capacity_; }
    const QString& path() const { return path_; }

    // Drops, write failures and what a start found; each said once.
    QStringList takeMessages();

private:
    void write(const QByteArray& entries);
    void compact();

    QString path_;
    qint64 capacity_;
    int fd_ = -1;
    qint64 nextId_ = 1;
    qint64 acknowledgedLines_ = 0;  // "A" lines in the file now
    std::deque<OutboxMessage> waiting_;
    QStringList messages_;
    bool failing_ = false;
};

// The text a message's payload shows a person ("the interval from 2026-12-10T15:04:00+01:00").
QString describeOutboxMessage(const OutboxMessage& message);

}  // namespace sonavistor
