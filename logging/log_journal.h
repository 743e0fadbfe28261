#pragma once
// The logger's journal: an append-only text file that holds every reading
// not yet in its day's saved file, so that a crash or a power cut loses at
// most what was not yet synced. One entry a line, each with a CRC-32 of the
// rest of the line, so that a torn or damaged line is recognised and left
// out:
//   B 2026-12-01 43100 <crc>                        the day's file held 43,100 readings when
//                                                   this journal started on the day
//   R 2026-12-01 2026/12/1 ,8:15:0  ,65.3  ,A <crc> a reading line of that day
// The journal is emptied once every day it names has its saved file
// written; the next start completes the day files from what it holds.

#include <QByteArray>
#include <QDate>
#include <QString>

#include <vector>

namespace sonavistor {

struct JournalEntry {
    enum class Kind { Base, Reading };
    Kind kind = Kind::Reading;
    QDate day;
    qint64 base = 0;   // Base: the day file's readings
    QByteArray line;   // Reading: the reading line, without line end
};

struct JournalContents {
    std::vector<JournalEntry> entries;
    int damagedLines = 0;  // torn or damaged lines that were left out
};

QByteArray journalBaseEntry(const QDate& day, qint64 rows);
QByteArray journalReadingEntry(const QDate& day, const QByteArray& line);

// Reads the entries of a journal; nothing when it does not exist. Throws
// Error when it exists but cannot be read.
JournalContents readJournal(const QString& path);

// Appends to the journal file. Writes go straight to the file (a killed
// process loses nothing written); sync() makes them survive a power cut.
// A write that fails is taken back, so the file always ends with a whole
// entry.
class LogJournal {
public:
    explicit LogJournal(QString path);
    ~LogJournal();
    LogJournal(const LogJournal&) = delete;
    LogJournal& operator=(const LogJournal&) = delete;

    const QString& path() const { return path_; }
    // Opens the file for appending, creating it; what it holds stays.
    bool open(QString* error);
    bool isOpen() const { return fd_ >= 0; }
    // Appends whole entries; all or nothing.
    bool append(const QByteArray& entries, QString* error);
    bool sync(QString* error);
    // Empties the journal (once its readings are all in their day files).
    bool clear(QString* error);
    qint64 size() const { return size_; }
    // Closes the file; removes it when it is empty.
    void close();

private:
    QString path_;
    int fd_ = -1;
    qint64 size_ = 0;        // the bytes of whole entries
    bool unsynced_ = false;
    bool torn_ = false;      // a failed write left part of an entry behind
};

// The CRC-32 (IEEE 802.3) that checks each entry; other append-only files use it too.
quint32 crc32(QByteArrayView data);

// fsync of a folder: a rename or a new file in it survives a power cut.
bool syncFolder(const QString& folder);

}  // namespace sonavistor
