// The logging folder: journal, day files, completion after a crash, a full disk.
#include "analysis/saved_file.h"
#include "common/error.h"
#include "logging/level_log.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

using namespace sonavistor;

namespace {

const QDate kDay(2026, 12, 1);

ReadingRow row(int second, const char* level = "65.3")
{
    return {"2026/12/1", QStringLiteral("8:0:%1").arg(second), level, "A", 0};
}

std::vector<QByteArray> readingLines(const QString& path)
{
    SavedFileReader reader(path);
    EXPECT_TRUE(reader.isSavedFile()) << path.toStdString();
    std::vector<QByteArray> lines;
    SavedReading reading;
    while (reader.next(reading))
        lines.push_back(reading.line);
    EXPECT_EQ(reader.announced(), static_cast<qint64>(lines.size()));
    return lines;
}

void append(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write(bytes);
}

// Files may grow to `bytes` at most while it lives: writes beyond fail as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

class LevelLogTest : public ::testing::Test {
protected:
    QString dayPath() const { return dir.filePath("2026-12-01.qrv"); }
    QString journalPath() const { return dir.filePath(kJournalFileName); }
    QTemporaryDir dir;
};

}  // namespace

TEST_F(LevelLogTest, TheJournalKeepsWholeEntriesOnly)
{
    {
        LogJournal journal(journalPath());
        QString error;
        ASSERT_TRUE(journal.open(&error)) << error.toStdString();
        ASSERT_TRUE(journal.append(journalBaseEntry(kDay, 0) + journalReadingEntry(kDay, savedReadingLine(row(1))),
                                   &error));
    }
    // A flipped byte, then a line torn by the end of the process.
    QByteArray damaged = journalReadingEntry(kDay, savedReadingLine(row(2)));
    damaged[20] = 'x';
    append(journalPath(), damaged + journalReadingEntry(kDay, savedReadingLine(row(3))).left(30));
    JournalContents contents = readJournal(journalPath());
    ASSERT_EQ(contents.entries.size(), 2u);
    EXPECT_EQ(contents.entries[0].kind, JournalEntry::Kind::Base);
    EXPECT_EQ(contents.entries[1].line, savedReadingLine(row(1)));
    EXPECT_EQ(contents.damagedLines, 2);

    // Opening cuts the torn line off, so the next entry is a line of its own.
    LogJournal journal(journalPath());
    QString error;
    ASSERT_TRUE(journal.open(&error));
    ASSERT_TRUE(journal.append(journalReadingEntry(kDay, savedReadingLine(row(4))), &error));
    contents = readJournal(journalPath());
    ASSERT_EQ(contents.entries.size(), 3u);
    EXPECT_EQ(contents.entries[2].line, savedReadingLine(row(4)));
    EXPECT_EQ(contents.damagedLines, 1);
}

TEST_F(LevelLogTest, AStartCompletesTheDayFromTheJournalOnce)
{
    // The day file holds 5 readings. The journal began when it held 3 and
    // has 4 readings: the first two were written before the end, two were not.
    std::vector<ReadingRow> rows;
    for (int s = 1; s <= 5; ++s)
        rows.push_back(row(s));
    writeSavedFile(dayPath(), rows);
    QByteArray journal = journalBaseEntry(kDay, 3);
    for (int s = 4; s <= 7; ++s)
        journal += journalReadingEntry(kDay, savedReadingLine(row(s)));
    append(journalPath(), journal);
    // Another day's file that is no saved file is set aside, not overwritten.
    const QDate next = kDay.addDays(1);
    QFile::copy(dayPath(), dir.filePath("2026-12-02.qrv"));
    QFile damaged(dir.filePath("2026-12-02.qrv"));
    damaged.open(QIODevice::ReadWrite);
    damaged.write("junk");
    damaged.close();
    append(journalPath(), journalBaseEntry(next, 0) +
                              journalReadingEntry(next, savedReadingLine({"2026/12/2", "0:0:1", "50.0", "C", 0})));

    LevelLog log(dir.path());
    log.open();
    const QStringList messages = log.takeMessages();
    EXPECT_TRUE(messages.join('\n').contains("2026-12-01.qrv: 2 reading(s) completed")) << messages.join('\n').toStdString();
    EXPECT_TRUE(messages.join('\n').contains("kept as 2026-12-02.qrv.damaged")) << messages.join('\n').toStdString();
    const auto lines = readingLines(dayPath());
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[6], savedReadingLine(row(7)));
    EXPECT_EQ(readingLines(dir.filePath("2026-12-02.qrv")).size(), 1u);
    EXPECT_TRUE(QFile::exists(dir.filePath("2026-12-02.qrv.damaged")));
    EXPECT_EQ(QFileInfo(journalPath()).size(), 0);

    // One logger a folder.
    LevelLog second(dir.path());
    EXPECT_THROW(second.open(), Error);
    log.close();
    EXPECT_FALSE(QFile::exists(journalPath()));  // an empty journal is not left behind
}

TEST_F(LevelLogTest, AFullDiskLeavesTheLastGoodStateAndCatchesUpLater)
{
    LevelLogOptions options;
    options.saveEveryMs = 1000;
    LevelLog log(dir.path(), options);
    log.open();
    for (int s = 0; s < 20; ++s)
        log.add(kDay, row(s));
    ASSERT_TRUE(log.saveAll());
    const QByteArray good = [&] {
        QFile f(dayPath());
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    {
        // Room for a few journal entries, none for the day file.
        FileSizeLimit full(static_cast<rlim_t>(good.size()) / 3);
        for (int s = 20; s < 40; ++s)
            log.add(kDay, row(s, "70.0"));
        EXPECT_FALSE(log.saveAll());
        log.maintain(5000);
        const QString messages = log.takeMessages().join('\n');
        EXPECT_TRUE(messages.contains("2026-12-01.qrv")) << messages.toStdString();
        EXPECT_TRUE(messages.contains("journal")) << messages.toStdString();
        // Said once: the retries while the disk stays full say nothing more.
        log.add(kDay, row(40, "70.0"));
        log.maintain(7000);
        EXPECT_TRUE(log.takeMessages().isEmpty());
    }
    QFile f(dayPath());
    f.open(QIODevice::ReadOnly);
    EXPECT_EQ(f.readAll(), good);
    const JournalContents journal = readJournal(journalPath());
    EXPECT_EQ(journal.damagedLines, 0);
    EXPECT_GT(journal.entries.size(), 1u);

    // Room again: everything reaches the day file, and each failure is said to be over.
    log.maintain(10000);
    EXPECT_EQ(readingLines(dayPath()).size(), 41u);
    EXPECT_TRUE(log.takeMessages().join('\n').contains("is written again"));
}
