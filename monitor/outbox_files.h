#pragma once
// The outbox's entries and how its files are read (monitor/outbox.h says how
// the files fit together). Every entry is one line ending in a CRC-32 of the
// rest of the line:
//   M 17 <topic> <payload> <crc>   message 17
//   A 17 <crc>                     message 17 acknowledged (or dropped)
//   U 17 <crc>                     every message up to 17 acknowledged

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>
#include <vector>

namespace sonavistor::outbox {

struct Entry {
    enum class Kind { Message, Acknowledged, AcknowledgedUpTo };
    Kind kind = Kind::Message;
    qint64 id = 0;
    QByteArray topic;
    QByteArray payload;
};

QByteArray messageEntry(qint64 id, const QByteArray& topic, const QByteArray& payload);
QByteArray acknowledgementEntry(qint64 id);
QByteArray acknowledgedUpToEntry(qint64 id);

// The entry of a whole line (without its LF) whose check digits match.
std::optional<Entry> parseEntry(QByteArrayView line);

// What a line that does not check holds. A line end damaged into another
// byte runs two entries together: `parts` then has both halves, each
// checked on its own (so a whole half is kept).
struct DamagedLine {
    struct Part {
        QByteArray text;
        std::optional<Entry> entry;  // the half checks
    };
    std::vector<Part> parts;  // one, or two for entries run together
};
DamagedLine examineDamagedLine(QByteArrayView line);

// The entries a line gives: its own, or the whole halves of two run together.
std::vector<Entry> entriesOf(QByteArrayView line);

// For a person: "the interval from 2026-12-10T15:04:00+01:00 (A-weighted)"
// from a payload, or from damaged text when its start can still be read;
// else "message 17" or "an entry that cannot be read".
QString describeEntryText(QByteArrayView text);

// Reads a file line by line from an offset, in large chunks, so that a long
// backlog streams through a small buffer.
class LineReader {
public:
    // An absent file reads as empty; one that cannot be opened throws Error.
    LineReader(const QString& path, qint64 offset = 0);
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // The next line without its LF; `complete` is false for a last line
    // without one (torn by the end of the process that wrote it).
    bool next(QByteArrayView& line, bool& complete);
    // Where the line last returned starts, and where the one after it does.
    qint64 lineStart() const { return lineStart_; }
    qint64 offset() const { return offset_; }
    // 1 for the first line of the file (when read from its start).
    qint64 lineNumber() const { return lineNumber_; }

private:
    bool fill();

    QString path_;
    int fd_ = -1;
    QByteArray buffer_;
    qsizetype at_ = 0;
    qint64 lineStart_ = 0;
    qint64 offset_ = 0;
    qint64 lineNumber_ = 0;
    bool ended_ = false;
};

}  // namespace sonavistor::outbox
