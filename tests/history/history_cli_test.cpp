// sonavistor-cli history as a person runs it, against info over the same files.
#include "tests/history/logged_days.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sonavistor;

namespace {

struct CliRun {
    int status;
    QByteArray out;
    QByteArray err;
};

CliRun cli(const QStringList& args, const QString& cache)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CACHE_HOME", cache);
    p.setProcessEnvironment(env);
    p.start(CLI_PATH, args);
    p.waitForFinished(60000);
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

}  // namespace

TEST(HistoryCommand, AgreesWithInfoForEveryDayAndNamesBadFiles)
{
    QTemporaryDir folder;
    QTemporaryDir cache;
    QStringList files;
    for (int d = 1; d <= 2; ++d) {
        files << test::writeLoggedDay(folder.filePath(QStringLiteral("2026-12-0%1.qrv").arg(d)), {2026, 12, d},
                                      [d](int s) { return s % 30 ? -1 : 400 + (s * 7 + d * 13) % 400; });
    }
    QFile bad(folder.filePath("notes.qrv"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("shopping list\r\n");
    bad.close();

    const CliRun history = cli({"history", folder.path(), "--json"}, cache.path());
    ASSERT_EQ(history.status, 0) << history.err.toStdString();
    EXPECT_TRUE(history.err.contains("notes.qrv: not a saved measurement file")) << history.err.toStdString();
    const QList<QByteArray> days = history.out.trimmed().split('\n');
    ASSERT_EQ(days.size(), 2);
    for (int d = 0; d < 2; ++d) {
        const QJsonObject day = QJsonDocument::fromJson(days[d]).object();
        const CliRun info = cli({"info", "--json", "--interval", "1h", files[d]}, cache.path());
        const QJsonObject file = QJsonDocument::fromJson(info.out).object();
        EXPECT_EQ(day["date"].toString(), QStringLiteral("2026-12-0%1").arg(d + 1));
        EXPECT_EQ(day["leq"].toDouble(), file["A"].toObject()["leq"].toDouble());
        EXPECT_EQ(day["lmax"].toDouble(), file["A"].toObject()["lmax"].toDouble());
        EXPECT_NEAR(day["l90"].toDouble(), file["l90"].toDouble(), 1e-9);
        const QJsonArray intervals = file["intervals"].toArray();
        ASSERT_EQ(intervals.size(), 24);
        for (int h = 0; h < 24; ++h)
            EXPECT_EQ(day["hours"][h]["leq"].toDouble(), intervals[h]["leq"].toDouble()) << "hour " << h;
    }
    EXPECT_EQ(cli({"history", folder.path(), "--csv", "--from", "2026-12-02"}, cache.path()).out.count('\n'), 2);
    EXPECT_EQ(cli({"history", folder.path(), "--from", "2026-12-03", "--to", "2026-12-01"}, cache.path()).status, 2);
}

TEST(HistoryCommand, PeriodLevelsAndEventsAreThoseOfInfo)
{
    QTemporaryDir folder;
    QTemporaryDir cache;
    // 40.0 to 79.9 dB every 30 s: events at 70 dB on each day.
    const auto level = [](int s) { return s % 30 ? -1 : 400 + (s * 7) % 400; };
    // A whole day; daytime only (no night, so no Lnight and no Lden); a C-weighted evening and night.
    const QStringList files{
        test::writeLoggedDay(folder.filePath("a.qrv"), {2026, 12, 1}, level),
        test::writeLoggedDay(folder.filePath("b.qrv"), {2026, 12, 2}, level, 8 * 3600, 20 * 3600),
        test::writeLoggedDay(folder.filePath("c.qrv"), {2026, 12, 3}, level, 18 * 3600, 86400, 'C')};

    const CliRun history = cli({"history", folder.path(), "--json"}, cache.path());
    ASSERT_EQ(history.status, 0) << history.err.toStdString();
    const QList<QByteArray> days = history.out.trimmed().split('\n');
    ASSERT_EQ(days.size(), files.size());
    for (int d = 0; d < files.size(); ++d) {
        const QJsonObject day = QJsonDocument::fromJson(days[d]).object();
        const CliRun info = cli({"info", "--periods", "--events", "--json", files[d]}, cache.path());
        const QJsonArray infoDays = QJsonDocument::fromJson(info.out.trimmed().split('\n').last()).object()["days"].toArray();
        ASSERT_EQ(infoDays.size(), 1) << info.out.toStdString();
        const QJsonObject expected = infoDays[0].toObject();
        EXPECT_EQ(day["date"].toString(), QDate::fromString(expected["date"].toString(), "yyyy/M/d").toString(Qt::ISODate));
        // Null where info has null (-1 stands for it: no level is -1 dB).
        for (const char* key : {"lden", "lday", "levening", "lnight", "events"})
            EXPECT_EQ(day[key].toDouble(-1), expected[key].toDouble(-1)) << key << " of " << days[d].left(30).data();
        for (int h = 0; h < 24; ++h)
            EXPECT_EQ(day["hours"][h]["leq"].toDouble(-1), expected["hours"][h]["leq"].toDouble(-1)) << "hour " << h;
    }
    const QJsonObject daytime = QJsonDocument::fromJson(days[1]).object();
    EXPECT_TRUE(daytime["lden"].isNull());
    EXPECT_GT(daytime["events"].toDouble(), 0);
}

TEST(HistoryCommand, HourAndDayLevelsAreEnergyMeansWorkedByHand)
{
    QTemporaryDir folder;
    QTemporaryDir cache;
    // 10:00-10:30 at 60.0 dB, 10:30-11:00 at 70.0 dB, 11:00-12:00 at 50.0 dB, a reading a second.
    test::writeLoggedDay(folder.filePath("a.qrv"), {2026, 12, 1},
                         [](int s) { return s < 10 * 3600 + 1800 ? 600 : s < 11 * 3600 ? 700 : 500; }, 10 * 3600,
                         12 * 3600);
    const CliRun history = cli({"history", folder.path(), "--json"}, cache.path());
    ASSERT_EQ(history.status, 0) << history.err.toStdString();
    const QJsonObject day = QJsonDocument::fromJson(history.out.trimmed()).object();
    // 10 log10((1e6 + 1e7) / 2) = 67.4036; 10 log10((1e6 + 1e7 + 2 * 1e5) / 4) = 64.4716.
    EXPECT_NEAR(day["hours"][10]["leq"].toDouble(), 67.4036, 0.051) << history.out.toStdString();
    EXPECT_NEAR(day["hours"][11]["leq"].toDouble(), 50.0, 0.001);
    EXPECT_EQ(day["hours"][9]["leq"].toDouble(-1), -1);  // no readings
    EXPECT_NEAR(day["leq"].toDouble(), 64.4716, 0.051);
    EXPECT_EQ(day["lmax"].toDouble(), 70.0);
}
