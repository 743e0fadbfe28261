// The logger against a real broker: mosquitto on a free loopback port with
// a configuration of its own, the simulated meter at a fast pace and
// intervals of one second.
#include "analysis/acoustic_figures.h"
#include "analysis/saved_file.h"
#include "tests/monitor/broker_fixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <map>

using namespace sonavistor;
using namespace sonavistor::test;

namespace {

struct DayInterval {
    long long count;
    double leq;
};

// The day files' interval figures, as `info --interval` computes them, by start.
std::map<qint64, DayInterval> dayFileIntervals(const QString& folder)
{
    std::vector<AcousticSample> samples;
    for (const QString& name : QDir(folder).entryList({"*.qrv"})) {
        SavedFileReader reader(QDir(folder).filePath(name));
        SavedReading reading;
        while (reader.next(reading)) {
            const QByteArrayView line(reading.line);
            samples.push_back({reading.level, reading.weighting, *rowSeconds(line.first(10), line.sliced(11, 8))});
        }
    }
    AcousticOptions options;
    options.intervalSeconds = 1;
    std::map<qint64, DayInterval> out;
    for (const IntervalLeq& i : computeAcousticFigures(samples, options).intervals)
        out[i.start] = {i.count, i.leq};
    return out;
}

qint64 startOf(const QJsonObject& interval)
{
    const QDateTime local = QDateTime::fromString(interval["start"].toString().left(19), Qt::ISODate);
    return *rowSeconds(local.date().toString("yyyy/M/d").toLatin1(), local.time().toString("H:m:s").toLatin1());
}

// Readings in the day files.
long long dayFileReadings(const QString& folder)
{
    long long n = 0;
    for (const QString& name : QDir(folder).entryList({"*.qrv"})) {
        SavedFileReader reader(QDir(folder).filePath(name));
        SavedReading reading;
        while (reader.next(reading))
            ++n;
    }
    return n;
}

// The value of an unlabelled metric, -1 when the page lacks it.
long long metric(const QByteArray& body, const QByteArray& name)
{
    for (const QByteArray& line : body.split('\n')) {
        if (line.startsWith(name + ' '))
            return line.mid(name.size() + 1).toLongLong();
    }
    return -1;
}

// Waits until the metric on the logger's page reaches at least the value.
bool waitForMetric(int port, const QByteArray& name, long long atLeast, int ms = 20000)
{
    return waitUntilTrue([&] { return metric(metricsBody(port), name) >= atLeast; }, ms);
}

class MonitorBroker : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QFile::exists(kBroker))
            GTEST_SKIP() << "mosquitto is not installed (scripts/install-deps installs it)";
        QFile json(dir.filePath("scenario.json"));
        json.open(QIODevice::WriteOnly);
        json.write(R"({"live": [[653, 64], [702, 64], [811, 64], [587, 64], [655, 64]]})");
        json.close();
        port = freePort();
        env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", dir.path());  // the logger's lock, apart from any real one
    }
    void startLogger(QProcess& p, const QStringList& extra)
    {
        p.setProcessEnvironment(env);
        p.start(CLI_PATH, QStringList{"log", "--dir", logs(), "--interval", "0.1", "--meter",
                                      "sim:" + dir.filePath("scenario.json"), "--publish-interval", "1s"} +
                              extra);
        ASSERT_TRUE(p.waitForStarted());
    }
    // SIGTERM; the logger must end, cleanly. err gets its error output.
    void stopLogger(QProcess& p, QString& err)
    {
        p.terminate();
        const bool ended = p.waitForFinished(15000);
        err += QString::fromUtf8(p.readAllStandardError());
        ASSERT_TRUE(ended) << "the logger did not end; its error output:\n" << err.toStdString();
        ASSERT_EQ(p.exitStatus(), QProcess::NormalExit) << err.toStdString();
        ASSERT_EQ(p.exitCode(), 0) << err.toStdString();
    }
    QString logs() const { return dir.filePath("logs"); }
    QString url() const { return QStringLiteral("mqtt://127.0.0.1:%1/test").arg(port); }

    QTemporaryDir dir;
    int port = 0;
    QProcessEnvironment env;
};

}  // namespace

TEST_F(MonitorBroker, EveryIntervalArrivesInOrderWithTheDayFileFiguresThroughABrokerRestart)
{
    Broker broker(dir.path(), port, {.anonymous = true, .persistent = true});
    ASSERT_TRUE(broker.start());
    Subscriber subscriber(port, "test-subscriber", true);
    QProcess logger;
    const int metricsPort = freePort();
    startLogger(logger, {"--mqtt", url(), "--mqtt-live", "--metrics", QString::number(metricsPort)});
    ASSERT_TRUE(waitUntilTrue([&] { return subscriber.intervals().size() >= 3; }));
    const size_t beforeOutage = subscriber.intervals().size();

    broker.stop();
    // Intervals wait while the broker is away.
    ASSERT_TRUE(waitForMetric(metricsPort, "sonavistor_mqtt_outbox_messages", 3));
    ASSERT_TRUE(broker.start());
    // What the logger kept while the broker was away arrives, then new intervals.
    ASSERT_TRUE(waitUntilTrue([&] { return subscriber.intervals().size() >= beforeOutage + 5; }, 20000));
    QString err;
    ASSERT_NO_FATAL_FAILURE(stopLogger(logger, err));

    const std::vector<QJsonObject> intervals = subscriber.intervals();
    // Once each while the broker was there (a stalled second may have no
    // interval; that every one went out is checked against the day file).
    for (size_t i = 1; i < beforeOutage; ++i)
        EXPECT_GT(startOf(intervals[i]), startOf(intervals[i - 1]));
    // Duplicates can only come at the outage (QoS 1), and a consumer drops them by start.
    std::map<qint64, QJsonObject> byStart;
    qint64 latest = 0;
    for (const QJsonObject& o : intervals) {
        EXPECT_GE(startOf(o), latest) << "out of order";
        latest = std::max(latest, startOf(o));
        byStart[startOf(o)] = o;
    }
    const std::map<qint64, DayInterval> day = dayFileIntervals(logs());
    ASSERT_GE(day.size(), 2u);
    // Every interval but the one the stop cut short went out.
    for (auto it = day.begin(); it != std::prev(day.end()); ++it)
        EXPECT_TRUE(byStart.count(it->first)) << it->first << err.toStdString();
    for (const auto& [start, o] : byStart) {
        ASSERT_TRUE(day.count(start)) << o["start"].toString().toStdString();
        EXPECT_EQ(o["count"].toInt(), day.at(start).count) << o["start"].toString().toStdString();
        EXPECT_DOUBLE_EQ(o["leq"].toDouble(), roundedLevel(day.at(start).leq));
        EXPECT_EQ(o["weighting"].toString(), "A");
    }

    std::map<QString, Received> last;
    ASSERT_TRUE(waitUntilTrue([&] {
        for (const Received& r : subscriber.messages())
            last[r.topic] = r;
        return last["test/sim/status"].payload == "offline";  // said at the stop
    }));
    EXPECT_TRUE(last.count("test/sim/level"));
    const QJsonObject config = QJsonDocument::fromJson(last["homeassistant/sensor/sonavistor_test_sim/leq_a/config"].payload).object();
    EXPECT_EQ(config["device_class"].toString(), "sound_pressure");
    EXPECT_EQ(config["unit_of_measurement"].toString(), "dB");
    EXPECT_EQ(config["state_topic"].toString(), "test/sim/state/A");
    EXPECT_FALSE(last["homeassistant/sensor/sonavistor_test_sim/level/config"].payload.isEmpty());
}

TEST_F(MonitorBroker, ABacklogLeftByAKilledLoggerIsDeliveredByTheNextStart)
{
    // The subscriber's session outlives the broker's stop.
    Broker broker(dir.path(), port, {.anonymous = true, .persistent = true});
    ASSERT_TRUE(broker.start());
    Subscriber subscriber(port, "test-subscriber", true);
    broker.stop();

    QProcess first;
    const int metricsPort = freePort();
    startLogger(first, {"--mqtt", url(), "--metrics", QString::number(metricsPort)});  // no broker yet
    ASSERT_TRUE(waitForMetric(metricsPort, "sonavistor_mqtt_outbox_messages", 3));
    ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
    ASSERT_TRUE(first.waitForFinished(15000));
    // The outbox stays as the killed logger left it: the next start reads it.

    // The next start finds no broker either, until it comes back.
    QProcess second;
    startLogger(second, {"--mqtt", url()});
    QString err;
    const QRegularExpression earlier("(\\d+) interval messages from an earlier run");
    ASSERT_TRUE(waitUntilTrue([&] {
        err += QString::fromUtf8(second.readAllStandardError());
        return earlier.match(err).hasMatch() && err.contains("cannot connect to the MQTT broker");
    })) << err.toStdString();
    const int kept = earlier.match(err).captured(1).toInt();
    ASSERT_GE(kept, 3) << err.toStdString();
    ASSERT_TRUE(broker.start());
    ASSERT_TRUE(waitUntilTrue([&] { return subscriber.intervals().size() >= size_t(kept) + 2; }));
    ASSERT_NO_FATAL_FAILURE(stopLogger(second, err));

    // The killed run's intervals come first, in order, each once, each with
    // the figures of the day file (the second start took a second of its own).
    const std::vector<QJsonObject> got = subscriber.intervals();
    const std::map<qint64, DayInterval> day = dayFileIntervals(logs());
    for (int i = 0; i < kept; ++i) {
        if (i > 0) {
            EXPECT_GT(startOf(got[i]), startOf(got[i - 1]));
        }
        ASSERT_TRUE(day.count(startOf(got[i]))) << got[i]["start"].toString().toStdString();
        EXPECT_EQ(got[i]["count"].toInt(), day.at(startOf(got[i])).count) << got[i]["start"].toString().toStdString();
    }
    // Then the second run's own.
    EXPECT_GT(startOf(got[kept]), startOf(got[kept - 1]));
}

TEST_F(MonitorBroker, AWrongPasswordIsSaidOnceAndAFullOutboxDropsTheOldest)
{
    Broker broker(dir.path(), port, {.anonymous = false, .persistent = true});  // takes no one
    ASSERT_TRUE(broker.start());
    env.insert("SONAVISTOR_MQTT_PASSWORD", "wrong");
    QProcess logger;
    const int metricsPort = freePort();
    startLogger(logger, {"--mqtt", QStringLiteral("mqtt://someone@127.0.0.1:%1/test").arg(port), "--mqtt-outbox", "2",
                         "--metrics", QString::number(metricsPort)});
    // Two intervals dropped: the logger has tried the broker again meanwhile.
    QString err;
    ASSERT_TRUE(waitUntilTrue([&] {
        err += QString::fromUtf8(logger.readAllStandardError());
        return err.count("outbox full (2 messages): dropped the interval from") >= 2;
    })) << err.toStdString();
    EXPECT_EQ(metric(metricsBody(metricsPort), "sonavistor_mqtt_outbox_messages"), 2);
    ASSERT_NO_FATAL_FAILURE(stopLogger(logger, err));
    EXPECT_EQ(err.count("refused the connection: the broker refused the user name or password"), 1) << err.toStdString();
    EXPECT_TRUE(err.contains("logging to files goes on"));
    const QStringList drops = err.split('\n').filter("outbox full (2 messages): dropped the interval from");
    EXPECT_GE(drops.size(), 1) << err.toStdString();
    EXPECT_EQ(QSet<QString>(drops.begin(), drops.end()).size(), drops.size());  // each drop said once
    EXPECT_GT(dayFileIntervals(logs()).size(), 3u);  // the day file has every reading
}

TEST_F(MonitorBroker, ABrokerThatNeverAnswersBlocksNeitherReadingsNorMetrics)
{
    QTcpServer silent;  // takes the connection, says nothing
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, static_cast<quint16>(port)));
    const int metricsPort = freePort();
    QProcess logger;
    startLogger(logger, {"--mqtt", url(), "--metrics", QString::number(metricsPort)});
    // Readings go on at their pace, and the page answers, while the broker hangs.
    ASSERT_TRUE(waitForMetric(metricsPort, "sonavistor_readings_total", 25));
    ASSERT_TRUE(waitForMetric(metricsPort, "sonavistor_mqtt_outbox_messages", 1));  // intervals wait

    const QByteArray body = metricsBody(metricsPort);  // empty unless the page answered 200
    EXPECT_FALSE(body.isEmpty());
    EXPECT_TRUE(body.contains("sonavistor_mqtt_connected 0\n"));
    EXPECT_TRUE(body.contains("sonavistor_meter_connected 1\n"));
    EXPECT_TRUE(body.contains("sonavistor_level_db{weighting=\"A\"} "));
    EXPECT_TRUE(body.contains("sonavistor_leq_db{weighting=\"A\",window=\"1m\"} "));
    const long long readings = metric(body, "sonavistor_readings_total");

    // The stop does not wait for the broker (the metrics server takes about 1 s of it).
    QElapsedTimer stopping;
    stopping.start();
    QString err;
    ASSERT_NO_FATAL_FAILURE(stopLogger(logger, err));
    EXPECT_LT(stopping.elapsed(), 6000) << err.toStdString();
    EXPECT_GE(dayFileReadings(logs()), readings) << err.toStdString();
}

// Apart from the others (GTEST_FILTER in CMakeLists.txt), so that its skip
// where promtool is missing marks only itself.
TEST_F(MonitorBroker, TheMetricsPagePassesPromtool)
{
    const QString promtool = QStandardPaths::findExecutable("promtool");
    if (promtool.isEmpty())
        GTEST_SKIP() << "promtool is not installed: the metrics page's format is not checked (Debian's "
                        "prometheus package has it, and starts a Prometheus server, so install-deps leaves it out)";
    QTcpServer silent;  // every family on the page: the MQTT ones too
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, static_cast<quint16>(port)));
    const int metricsPort = freePort();
    QProcess logger;
    startLogger(logger, {"--mqtt", url(), "--metrics", QString::number(metricsPort)});
    ASSERT_TRUE(waitForMetric(metricsPort, "sonavistor_mqtt_outbox_messages", 1));
    const QByteArray body = metricsBody(metricsPort);
    QString err;
    ASSERT_NO_FATAL_FAILURE(stopLogger(logger, err));

    QProcess check;
    check.start(promtool, {"check", "metrics"});
    check.write(body);
    check.closeWriteChannel();
    ASSERT_TRUE(check.waitForFinished(30000));
    EXPECT_EQ(check.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardOutput().toStdString() << check.readAllStandardError().toStdString();
}
