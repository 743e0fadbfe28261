#pragma once
// The logging folder: one saved file per calendar day (YYYY-MM-DD.qrv) and
// the journal (sonavistor-log.journal) that holds every reading until its
// day file has been written.
//
// Each reading goes into its day's lines in memory and, at once, into the
// journal (synced at most every few seconds). The day files are written
// every minute, when the day changes and at the end; once all of them are
// written the journal is emptied. A start completes the day files from the
// journal a killed or crashed run left. A write that fails (a full disk)
// leaves the old day file and the journal whole; the readings stay in
// memory and are written when there is room again.

#include "logging/day_file.h"
#include "logging/log_journal.h"
#include "store/reading_row.h"

#include <QDateTime>
#include <QLockFile>
#include <QStringList>

#include <map>
#include <memory>

namespace sonavistor {

inline constexpr char kJournalFileName[] = "sonavistor-log.journal";

// A live reading as a row of the day file: the date and time texts the
// real-time window writes (2026/12/1, 8:5:0), the level as it shows it
// (limited to 140.0 dB) and the weighting of the status byte.
ReadingRow liveReadingRow(const QDateTime& when, int tenths, int status);

struct LevelLogOptions {
    int syncEveryMs = 5000;   // the journal reaches the disk at least this often
    int saveEveryMs = 60000;  // the day files are written this often
};

class LevelLog {
public:
    explicit LevelLog(QString folder, LevelLogOptions options = {});
    ~LevelLog();
    LevelLog(const LevelLog&) = delete;
    LevelLog& operator=(const LevelLog&) = delete;

    // Makes the folder if need be, takes its lock (one logger a folder),
    // completes the day files from a journal left behind and opens the
    // journal. Throws Error saying why the folder cannot be used.
    void open();

    // A reading of the day `day` (its row's date).
    void add(const QDate& day, const ReadingRow& row);

    // Called regularly with a monotonic time in milliseconds: syncs the
    // journal and writes the day files when it is time, and tries again
    // what failed.
    void maintain(qint64 nowMs);
    // Writes every day file that has new readings and, when all were
    // written, empties the journal. False when something could not be written.
    bool saveAll();
    // saveAll, then closes the journal (removed when empty).
    void close();

    // What the user should hear of: days completed from the journal, write
    // failures and their end. Each message is given once.
    QStringList takeMessages();

    const QString& folder() const { return folder_; }
    QString journalPath() const;
    qint64 readingsAdded() const { return added_; }

private:
    DayFile& dayFile(const QDate& day);
    void recover();
    bool writeJournal();
    void failed(const QString& what, const QString& error);
    void recovered(const QString& what);

    QString folder_;
    LevelLogOptions options_;
    std::unique_ptr<QLockFile> lock_;
    std::unique_ptr<LogJournal> journal_;
    std::map<QDate, std::unique_ptr<DayFile>> days_;
    std::map<QDate, bool> inJournal_;  // the day's base entry is in this journal
    QByteArray pending_;               // entries not yet in the journal
    QDate currentDay_;
    qint64 lastSyncMs_ = 0;
    qint64 lastSaveMs_ = 0;
    qint64 added_ = 0;
    QStringList messages_;
    QStringList failing_;  // what failed and has not worked since
};

}  // namespace sonavistor
