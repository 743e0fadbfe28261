// The logger and the export against a real InfluxDB (influxd 1.x on
// loopback): nothing lost across an outage of the database and a killed
// logger, both passes of the repeated autumn hour kept, and the README's
// Grafana query averaging energy.
#include "tests/cli/cli_run.h"
#include "tests/monitor/http_servers.h"

#include "monitor/logger_monitor.h"
#include "monitor/outbox_files.h"
#include "store/reading_row.h"

#include <QDateTime>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <map>

using namespace sonavistor::test;

namespace {

constexpr char kDb[] = "noise";

// A reading line of a saved file: date, time, level and weighting in their columns.
QByteArray readingLine(const QString& date, const QString& time, double level)
{
    return (date.leftJustified(10) + ',' + time.leftJustified(8) + ',' + QString::number(level, 'f', 1).leftJustified(6) +
            ",A\r\n")
        .toLatin1();
}

struct Interval {
    long long count = 0;
    double energy = 0;  // the sum of 10^(L/10)
};

// The day files' readings by second (the UTC instant of their local time), read here on their own.
std::map<qint64, Interval> dayFileSeconds(const QString& folder)
{
    std::map<qint64, Interval> seconds;
    for (const QString& name : QDir(folder).entryList({"*.qrv"})) {
        QFile file(folder + "/" + name);
        file.open(QIODevice::ReadOnly);
        const QList<QByteArray> lines = file.readAll().split('\n');
        for (qsizetype i = 2; i < lines.size(); ++i) {
            const QByteArray& line = lines[i];
            if (line.size() < 27)
                continue;
            const QDateTime local(QDate::fromString(QString::fromLatin1(line.left(10).trimmed()), "yyyy/M/d"),
                                  QTime::fromString(QString::fromLatin1(line.mid(11, 8).trimmed()), "H:m:s"));
            Interval& s = seconds[local.toSecsSinceEpoch()];
            ++s.count;
            s.energy += std::pow(10.0, line.mid(20, 6).trimmed().toDouble() / 10);
        }
    }
    return seconds;
}

qint64 waitingLines(const QString& outbox)
{
    QFile file(outbox);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return file.readAll().count("\nM ");
}

class InfluxWrites : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QFile::exists(kInfluxd))
            GTEST_SKIP() << "influxd is not installed (scripts/install-deps --test installs Debian's influxdb)";
        influxd = std::make_unique<Influxd>(dir.path(), freePort());
        ASSERT_TRUE(influxd->start());
        ASSERT_TRUE(influxd->execute(QStringLiteral("CREATE DATABASE %1").arg(kDb)));
    }
    qint64 points() const
    {
        const QJsonArray rows = influxd->query(kDb, "SELECT count(leq) FROM sound_interval");
        return rows.isEmpty() ? 0 : rows[0].toArray()[1].toInteger();
    }

    QTemporaryDir dir;
    std::unique_ptr<Influxd> influxd;
};

TEST_F(InfluxWrites, NothingIsLostAcrossAnOutageOfTheDatabaseAndAKilledLogger)
{
    writeLiveScenario(dir.filePath("scenario.json"));
    const QString logs = dir.filePath("logs");
    const QString outbox = logs + "/sonavistor-log.influx-outbox";
    const QStringList args{"--dir", logs, "--interval", "0.1", "--meter", "sim:" + dir.filePath("scenario.json"),
                           "--publish-interval", "1s", "--influx-id", "m1", "--influx",
                           QStringLiteral("http://127.0.0.1:%1/write?db=%2").arg(influxd->port()).arg(kDb)};
    QProcess first;
    startLogger(first, args);
    ASSERT_TRUE(waitUntilTrue([&] { return points() >= 2; }));

    influxd->stop();
    const qint64 atOutage = waitingLines(outbox);
    ASSERT_TRUE(waitUntilTrue([&] { return waitingLines(outbox) >= atOutage + 3; }));
    first.kill();  // SIGKILL: nothing is written on the way out
    first.waitForFinished();

    QProcess second;
    startLogger(second, args);
    const qint64 atRestart = waitingLines(outbox);
    ASSERT_TRUE(waitUntilTrue([&] { return waitingLines(outbox) >= atRestart + 2; }));
    ASSERT_TRUE(influxd->start());
    // Lines go in order: once an interval from after the restart is in, the backlog is.
    const qint64 restarted = QDateTime::currentSecsSinceEpoch();
    ASSERT_TRUE(waitUntilTrue([&] {
        const QJsonArray last = influxd->query(kDb, "SELECT last(leq) FROM sound_interval");
        return !last.isEmpty() &&
               QDateTime::fromString(last[0].toArray()[0].toString(), Qt::ISODate).toSecsSinceEpoch() > restarted;
    }));
    second.terminate();
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), 0);
    const QString said = QString::fromUtf8(second.readAllStandardError());
    EXPECT_TRUE(said.contains("cannot write to InfluxDB")) << said.toStdString();

    const std::map<qint64, Interval> expected = dayFileSeconds(logs);
    const QJsonArray rows = influxd->query(kDb, "SELECT count, leq, meter FROM sound_interval");
    // Every interval the day files hold, but the one the kill and the one the stop cut short.
    EXPECT_GE(rows.size(), static_cast<qsizetype>(expected.size()) - 2) << "day-file seconds: " << expected.size();
    // The second logger may start within the second the first was killed
    // in: that interval holds the readings of the second alone.
    int shared = 0;
    for (const QJsonValue& row : rows) {
        const QJsonArray r = row.toArray();
        const std::string when = r[0].toString().toStdString();
        const qint64 at = QDateTime::fromString(r[0].toString(), Qt::ISODate).toSecsSinceEpoch();
        const auto it = expected.find(at);
        ASSERT_NE(it, expected.end()) << when;
        EXPECT_EQ(r[3].toString(), "m1");
        if (r[1].toInteger() < it->second.count && ++shared == 1)
            continue;
        EXPECT_EQ(r[1].toInteger(), it->second.count) << when;
        const double leq = 10 * std::log10(it->second.energy / static_cast<double>(it->second.count));
        EXPECT_NEAR(r[2].toDouble(), leq, 0.051) << when;
    }
}

// A line the database cannot take is kept aside and said; the lines around
// it still arrive, and the outbox moves on.
TEST_F(InfluxWrites, ALineTheDatabaseRefusesIsKeptAsideAndTheOthersArrive)
{
    const QString logs = dir.filePath("logs");
    QDir().mkpath(logs);
    const QByteArray bad = "sound_interval,meter=old,weighting=A leq=loud 1797000060000000000";
    QFile outbox(logs + "/sonavistor-log.influx-outbox");
    ASSERT_TRUE(outbox.open(QIODevice::WriteOnly));
    outbox.write(sonavistor::outbox::messageEntry(1, "influx", "sound_interval,meter=old,weighting=A leq=60.0 1797000000000000000"));
    outbox.write(sonavistor::outbox::messageEntry(2, "influx", bad));
    outbox.write(sonavistor::outbox::messageEntry(3, "influx", "sound_interval,meter=old,weighting=A leq=70.0 1797000120000000000"));
    outbox.close();
    writeLiveScenario(dir.filePath("scenario.json"));
    QProcess logger;
    startLogger(logger, {"--dir", logs, "--meter", "sim:" + dir.filePath("scenario.json"), "--influx-id", "m1",
                         "--influx", QStringLiteral("http://127.0.0.1:%1/write?db=%2").arg(influxd->port()).arg(kDb)});
    const QString rejected = logs + "/sonavistor-log.influx-outbox.rejected";
    ASSERT_TRUE(waitUntilTrue([&] {
        return QFile::exists(rejected) &&
               influxd->query(kDb, "SELECT leq FROM sound_interval WHERE meter = 'old'").size() == 2;
    }));
    logger.terminate();
    ASSERT_TRUE(logger.waitForFinished(10000));
    EXPECT_TRUE(logger.readAllStandardError().contains("InfluxDB refused a line (400"));
    QFile kept(rejected);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    const QByteArray text = kept.readAll();
    EXPECT_TRUE(text.startsWith("# refused by InfluxDB: 400 ")) << text.toStdString();
    EXPECT_TRUE(text.endsWith("\n" + bad + "\n")) << text.toStdString();
}

// 2026-03-29 in Berlin skips 02:00-02:59. A day file that has readings
// then (a clock that was not put forward) keeps them all.
TEST_F(InfluxWrites, AClockNotPutForwardInSpringKeepsEveryPoint)
{
    QByteArray lines;
    for (int minute = 60; minute < 240; ++minute)  // 01:00 to 03:59, 180 minutes
        lines += readingLine("2026/3/29", QStringLiteral("%1:%2:0").arg(minute / 60).arg(minute % 60), 60.0);
    QFile day(dir.filePath("2026-03-29.qrv"));
    ASSERT_TRUE(day.open(QIODevice::WriteOnly));
    day.write("@Sonavistor File\r\nTotal:180\r\n" + lines);
    day.close();
    qputenv("TZ", "Europe/Berlin");
    const CliRun r = cli({"export", "--format", "influx", "--meter-id", "spring", "-o", dir.filePath("day.lp"), day.fileName()});
    qunsetenv("TZ");
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QFile lp(dir.filePath("day.lp"));
    ASSERT_TRUE(lp.open(QIODevice::ReadOnly));
    ASSERT_EQ(httpRequest(influxd->port(), "POST", QByteArray("/write?db=") + kDb, lp.readAll()).status, 204);
    const QJsonArray readings = influxd->query(kDb, "SELECT count(level) FROM sound_level");
    ASSERT_FALSE(readings.isEmpty());
    EXPECT_EQ(readings[0].toArray()[1].toInteger(), 180);
    EXPECT_EQ(points(), 180);
}

// Live through the end of summer time in Berlin: at 01:00:00 UTC the rows'
// time goes from 2:59:59 back to 2:00:00; every second keeps its own point,
// at its true instant.
TEST_F(InfluxWrites, TheLoggerKeepsEverySecondAcrossTheRepeatedHour)
{
    qputenv("TZ", "Europe/Berlin");
    ::tzset();
    const qint64 first = QDateTime(QDate(2026, 10, 25), QTime(0, 59, 50), Qt::UTC).toSecsSinceEpoch();
    qint64 now = first;
    sonavistor::MonitorOptions options;
    options.influx = sonavistor::parseInfluxUrl(QStringLiteral("http://127.0.0.1:%1/write?db=%2").arg(influxd->port()).arg(kDb));
    options.meterId = "dst";
    options.publishSeconds = 1;
    {
        sonavistor::LoggerMonitor monitor(dir.path(), options, [&now] { return QDateTime::fromSecsSinceEpoch(now); });
        monitor.start();
        for (; now < first + 20; ++now) {
            const QDateTime local = QDateTime::fromSecsSinceEpoch(now);
            monitor.reading({local.toString("yyyy/M/d"), local.toString("H:m:s"), "60.0", "A"});
        }
        monitor.update(20, 0, true);  // closes the intervals up to `now`
        ASSERT_TRUE(waitUntilTrue([&] { return monitor.influxWaiting() == 0; }));
        monitor.finish();
    }
    qunsetenv("TZ");
    ::tzset();
    const QJsonArray rows = influxd->query(kDb, "SELECT count FROM sound_interval WHERE meter = 'dst'");
    ASSERT_EQ(rows.size(), 20);
    for (qsizetype i = 0; i < rows.size(); ++i)
        EXPECT_EQ(QDateTime::fromString(rows[i].toArray()[0].toString(), Qt::ISODate).toSecsSinceEpoch(), first + i);
}

TEST(InfluxOptions, ThoseThatNeedInfluxAreRefusedWithoutItAndABadUrlIsSaid)
{
    QTemporaryDir dir;
    const QStringList log{"log", "--dir", dir.path(), "--meter", "sim:none.json"};
    const CliRun token = cli(log + QStringList{"--influx-token-file", "token", "--influx-id", "m"});
    EXPECT_EQ(token.status, 2);
    EXPECT_TRUE(token.err.contains("--influx-token-file, --influx-id need --influx URL")) << token.err.toStdString();
    const CliRun pace = cli(log + QStringList{"--publish-interval", "10s"});
    EXPECT_EQ(pace.status, 2);
    EXPECT_TRUE(pace.err.contains("--publish-interval needs --mqtt URL or --influx URL")) << pace.err.toStdString();
    const CliRun url = cli(log + QStringList{"--influx", "http://127.0.0.1:8086/query?db=noise"});
    EXPECT_EQ(url.status, 2);
    EXPECT_TRUE(url.err.contains("ends in /write or /api/v2/write")) << url.err.toStdString();
}

// 2026-10-25 in Berlin: 02:00-02:59 comes twice, first in summer time
// (00:00-00:59 UTC), then in winter time (01:00-01:59 UTC). Every 30 s a
// reading, 60 dB in even minutes and 70 dB in odd ones.
TEST_F(InfluxWrites, TheRepeatedHourKeepsEveryPointAndTheReadmeQueryAveragesEnergy)
{
    QByteArray lines;
    int rows = 0;
    for (int pass = 0; pass < 2; ++pass) {
        for (int second = 0; second < 3600; second += 30, ++rows)
            lines += readingLine("2026/10/25", QStringLiteral("2:%1:%2").arg(second / 60).arg(second % 60),
                                 (second / 60) % 2 == 0 ? 60.0 : 70.0);
    }
    QDir().mkpath(dir.filePath("site"));
    QFile day(dir.filePath("site/2026-10-25.qrv"));
    ASSERT_TRUE(day.open(QIODevice::WriteOnly));
    day.write("@Sonavistor File\r\nTotal:" + QByteArray::number(rows) + "\r\n" + lines);
    day.close();

    qputenv("TZ", "Europe/Berlin");
    const CliRun r = cli({"export", "--format", "influx", "-o", dir.filePath("day.lp"), day.fileName()});
    qunsetenv("TZ");
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QFile lp(dir.filePath("day.lp"));
    ASSERT_TRUE(lp.open(QIODevice::ReadOnly));
    const HttpAnswer written = httpRequest(influxd->port(), "POST", QByteArray("/write?db=") + kDb, lp.readAll());
    ASSERT_EQ(written.status, 204) << written.body.toStdString();

    const QString hours = "time >= '2026-10-25T00:00:00Z' AND time < '2026-10-25T02:00:00Z'";
    const QJsonArray readings = influxd->query(kDb, "SELECT count(level) FROM sound_level WHERE " + hours);
    ASSERT_FALSE(readings.isEmpty());
    EXPECT_EQ(readings[0].toArray()[1].toInteger(), 240);  // 2 passes x 120
    EXPECT_EQ(points(), 120);                             // 2 passes x 60 minutes
    const QJsonArray tags = influxd->query(kDb, "SHOW TAG VALUES FROM sound_interval WITH KEY = meter");
    ASSERT_FALSE(tags.isEmpty());
    EXPECT_EQ(tags[0].toArray()[1].toString(), "site");  // the folder names the meter

    // The README's panel query, over each pass: 30 minutes at 60 dB and 30
    // at 70 dB are 10 log10((10^6 + 10^7) / 2) = 67.40 dB (not the 65 dB of
    // averaging decibels).
    QFile readme(SONAVISTOR_SOURCE_DIR "/README.md");
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    QString panel;
    for (const QByteArray& line : readme.readAll().split('\n')) {
        if (line.trimmed().startsWith("SELECT 10*log10(mean("))
            panel = QString::fromUtf8(line.trimmed());
    }
    ASSERT_FALSE(panel.isEmpty()) << "no panel query in the README";
    panel.replace("$timeFilter", hours).replace("$__interval", "1h");
    const QJsonArray hourly = influxd->query(kDb, panel);
    ASSERT_EQ(hourly.size(), 2) << panel.toStdString();
    for (const QJsonValue& hour : hourly)
        EXPECT_NEAR(hour.toArray()[1].toDouble(), 67.40, 0.005);
}

}  // namespace
