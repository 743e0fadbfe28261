// The noise history without a window: figures of a day, the index and the folder scan.
#include "analysis/level_statistics.h"
#include "common/error.h"
#include "history/history_overview.h"
#include "history/history_scan.h"
#include "tests/history/logged_days.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <cmath>

using namespace sonavistor;
using sonavistor::test::writeLoggedDay;

namespace {

// Hour h holds the constant level 40 + h dB, except hour 3 (no readings)
// and hour 5: every tenth second at 50.0 dB, the others at 60.0 dB, so that
// its L90 falls exactly on the last of the quieter readings.
int generatedLevel(int second)
{
    const int hour = second / 3600;
    if (hour == 5)
        return second % 10 ? 600 : 500;
    return (40 + hour) * 10;
}

QString writeGeneratedDay(const QString& path, const QDate& date)
{
    return writeLoggedDay(path, date, generatedLevel, 0, 3 * 3600);
}

class History : public ::testing::Test {
protected:
    QString at(const QString& name) const { return QDir::cleanPath(dir.filePath(name)); }
    QString indexPath() const { return cache.filePath("history.db"); }
    QTemporaryDir dir;
    QTemporaryDir cache;
};

}  // namespace

TEST_F(History, HourlyAndDailyFiguresOfALoggedDay)
{
    // A day from 0:00 to 24:00 without hour 3.
    const QString path = at("2026-12-03.qrv");
    std::vector<double> levels;
    const auto level = [&levels](int second) {
        const int tenths = second / 3600 == 3 ? -1 : generatedLevel(second);
        if (tenths >= 0)
            levels.push_back(tenths / 10.0);
        return tenths;
    };
    ASSERT_FALSE(writeLoggedDay(path, {2026, 12, 3}, level).isEmpty());
    const FileFigures f = historyFiguresOf(path);
    ASSERT_EQ(f.days.size(), 1u);
    const HistoryDay& d = f.days[0];
    EXPECT_EQ(d.date, QDate(2026, 12, 3));
    EXPECT_EQ(d.rows, 23 * 3600);
    EXPECT_DOUBLE_EQ(d.coverage, 23.0 / 24);
    EXPECT_EQ(d.hours[3].count, 0);
    EXPECT_NEAR(d.hours[0].leq, 40.0, 1e-9);
    EXPECT_NEAR(d.hours[23].leq, 63.0, 1e-9);
    // 10 log10(0.1 x 10^5 + 0.9 x 10^6) = 10 log10(910,000) = 59.59 dB; L90 is
    // the 360th of 3,600 levels in ascending order, the last of the 50.0s.
    EXPECT_NEAR(d.hours[5].leq, 59.5904, 1e-4);
    EXPECT_DOUBLE_EQ(d.hours[5].lmax, 60.0);
    EXPECT_DOUBLE_EQ(d.hours[5].l90, 50.0);
    EXPECT_EQ(hourCellName(d.date, 5, d.hours[5]), "2026-12-03 05:00, 59.6 dB");
    EXPECT_EQ(hourCellName(d.date, 3, d.hours[3]), "2026-12-03 03:00, no readings");
    // The day's figures are those of the level statistics over the same readings.
    const auto stats = computeLevelStatistics(levels);
    EXPECT_NEAR(*d.leq, stats->leq, 1e-9);
    EXPECT_DOUBLE_EQ(*d.l90, stats->l90);
    EXPECT_DOUBLE_EQ(*d.lmax, stats->max);
    EXPECT_TRUE(d.lden && d.lday && d.levening && d.lnight && d.events);
}

TEST_F(History, FilesThatCannotBeReadGiveTheirReason)
{
    QFile other(at("notes.qrv"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("shopping list\r\n");
    other.close();
    EXPECT_THROW(
        {
            try {
                historyFiguresOf(other.fileName());
            } catch (const Error& e) {
                EXPECT_EQ(e.message(), kNotSavedFile);
                throw;
            }
        },
        Error);
    QFile bad(at("bad.qrv"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("@Sonavistor File\r\nTotal:2\r\n2026/12/3 ,1:0:0   ,61.4  ,A\r\n2026/12/3 ,1:0:1   ,6x.44 ,A\r\n");
    bad.close();
    try {
        historyFiguresOf(bad.fileName());
        ADD_FAILURE() << "a bad line was read";
    } catch (const Error& e) {
        EXPECT_TRUE(e.message().contains("6x.44")) << e.message().toStdString();
    }
}

TEST_F(History, ScanReadsOnlyNewOrChangedFilesAndForgetsDeletedOnes)
{
    QDir(dir.path()).mkdir("december");
    const QString a = writeGeneratedDay(at("december/2026-12-01.qrv"), {2026, 12, 1});
    const QString b = writeGeneratedDay(at("2026-12-02.qrv"), {2026, 12, 2});
    QFile bad(at("broken.QRV"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("@Sonavistor File\r\nTotal:x\r\n");
    bad.close();
    QFile(at("sonavistor-log.journal")).open(QIODevice::WriteOnly);  // not a saved file's name: not listed

    {
        HistoryIndex index(indexPath());
        ScanOptions twoThreads;
        twoThreads.threads = 2;
        const ScanReport first = scanHistoryFolder(index, dir.path(), twoThreads);
        EXPECT_EQ(first.listed, 3);
        EXPECT_EQ(first.read, 3);
        EXPECT_EQ(first.problems, 1);
        const HistoryOverview o = overviewOf(index.files(dir.path()));
        ASSERT_EQ(o.problems.size(), 1u);
        EXPECT_EQ(o.problems[0].path, at("broken.QRV"));
        EXPECT_FALSE(o.problems[0].reason.isEmpty());
        EXPECT_EQ(o.days.size(), 2u);
    }
    // Reopened: nothing read again; then one file grows by an hour.
    HistoryIndex index(indexPath());
    EXPECT_EQ(scanHistoryFolder(index, dir.path()).read, 0);
    ASSERT_FALSE(writeLoggedDay(b, {2026, 12, 2}, generatedLevel, 0, 4 * 3600).isEmpty());
    const ScanReport changed = scanHistoryFolder(index, dir.path());
    EXPECT_EQ(changed.read, 1);
    EXPECT_EQ(index.file(b)->reads, 2);
    EXPECT_EQ(index.file(a)->reads, 1);
    EXPECT_EQ(index.file(b)->days[0].hours[3].count, 3600);

    ASSERT_TRUE(QFile::remove(a));
    const ScanReport removed = scanHistoryFolder(index, dir.path());
    EXPECT_EQ(removed.removed, 1);
    EXPECT_FALSE(index.file(a).has_value());
    EXPECT_EQ(overviewOf(index.files(dir.path())).days.size(), 1u);
}

TEST_F(History, DamagedOrOutdatedIndexIsMadeAnew)
{
    {
        QFile garbage(indexPath());
        ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(8192, 'x'));
    }
    writeGeneratedDay(at("2026-12-01.qrv"), {2026, 12, 1});
    {
        HistoryIndex index(indexPath());
        EXPECT_TRUE(index.rebuilt());
        EXPECT_EQ(scanHistoryFolder(index, dir.path()).read, 1);
    }
    {
        HistoryIndex index(indexPath());
        EXPECT_FALSE(index.rebuilt());
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(indexPath().toUtf8().constData(), &db), SQLITE_OK);
    sqlite3_exec(db, "PRAGMA user_version = 1", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    HistoryIndex index(indexPath());
    EXPECT_TRUE(index.rebuilt());
    EXPECT_EQ(scanHistoryFolder(index, dir.path()).read, 1);
}

TEST_F(History, CancelledScanLeavesEveryIndexedFileWhole)
{
    for (int day = 1; day <= 6; ++day)
        writeGeneratedDay(at(QStringLiteral("2026-12-%1.qrv").arg(day, 2, 10, QLatin1Char('0'))), {2026, 12, day});
    std::atomic<bool> cancel{false};
    HistoryIndex index(indexPath());
    const ScanReport cut = scanHistoryFolder(
        index, dir.path(), {.threads = 1, .cancel = &cancel, .progress = [&cancel](int done, int) {
                                if (done == 2)
                                    cancel = true;
                            }});
    EXPECT_TRUE(cut.cancelled);
    EXPECT_GE(cut.read, 2);
    EXPECT_LT(cut.read, 6);
    for (const IndexedFile& f : index.files(dir.path())) {
        ASSERT_EQ(f.days.size(), 1u) << f.path.toStdString();
        EXPECT_EQ(f.days[0].rows, 3 * 3600);
    }
    const ScanReport rest = scanHistoryFolder(index, dir.path());
    EXPECT_EQ(rest.read, 6 - cut.read);
    EXPECT_EQ(index.files(dir.path()).size(), 6u);
}

TEST_F(History, CalendarCombinesFilesOfADayAndKeepsEmptyDays)
{
    IndexedFile logged{at("a.qrv"), {}, {}, 'A', 3600, 1, {}};
    HistoryDay d;
    d.date = {2026, 12, 1};
    d.hours[1] = {3600, 60.0, 70.0, 50.0};
    logged.days.push_back(d);
    IndexedFile piece = logged;
    piece.path = at("b.qrv");
    piece.days[0].hours[1] = {3600, 70.0, 80.0, 55.0};
    piece.days.push_back(d);
    piece.days[1].date = {2026, 12, 4};
    const HistoryOverview o = overviewOf({logged, piece});
    ASSERT_EQ(o.calendar.size(), 4u);
    // 10 log10((10^6 + 10^7) / 2) = 67.40 dB
    EXPECT_NEAR(o.calendar[0].hours[1].leq, 67.4036, 1e-4);
    EXPECT_EQ(o.calendar[0].hours[1].lmax, 80.0);
    EXPECT_EQ(o.calendar[2].hours[1].count, 0);
    EXPECT_EQ(overviewOf({logged, piece}, {2026, 12, 2}, {}).days.size(), 1u);

    const QList<QByteArray> csv = dayTableCsv(o.days).split('\n');
    EXPECT_EQ(csv[0], "Date,Rows,Coverage %,Leq,Lden,Lday,Levening,Lnight,Lmax,L90,Events,File\r");
    EXPECT_TRUE(csv[1].startsWith("2026-12-01,0,0.0,,,,,,,,,")) << csv[1].toStdString();
}
