// The logger against a real broker: mosquitto on a free loopback port with
// a configuration of its own, the simulated meter at a fast pace and
// intervals of one second.
#include "analysis/acoustic_figures.h"
#include "analysis/saved_file.h"
#include "monitor/outbox.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <mosquitto.h>

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <map>
#include <mutex>
#include <pwd.h>
#include <unistd.h>

using namespace sonavistor;

namespace {

constexpr char kBroker[] = "/usr/sbin/mosquitto";

bool waitUntilTrue(const std::function<bool()>& done, int ms = 15000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

int freePort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

class Broker {
public:
    Broker(const QString& folder, int port, bool anonymous) : folder_(folder), port_(port)
    {
        QFile conf(folder + "/mosquitto.conf");
        conf.open(QIODevice::WriteOnly);
        // Started by root it would become the user "mosquitto", who cannot write here.
        const passwd* me = ::getpwuid(::getuid());
        conf.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous %2\npersistence true\n"
                                  "persistence_location %3/\nuser %4\n")
                       .arg(port)
                       .arg(anonymous ? "true" : "false", folder, QString::fromLocal8Bit(me ? me->pw_name : "root"))
                       .toUtf8());
    }
    ~Broker() { stop(); }
    bool start()
    {
        process_.start(kBroker, {"-c", folder_ + "/mosquitto.conf"});
        return waitUntilTrue([this] {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port_));
            return probe.waitForConnected(100);
        });
    }
    // SIGTERM: it keeps its sessions (and what waits for them) on disk.
    void stop()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        process_.waitForFinished(5000);
    }

private:
    QString folder_;
    int port_;
    QProcess process_;
};

struct Received {
    QString topic;
    QByteArray payload;
    bool retained;
};

// Subscribes to everything with a session the broker keeps, so that
// nothing published while it was away is missed.
class Subscriber {
public:
    explicit Subscriber(int port)
    {
        mosquitto_lib_init();
        mosq_ = mosquitto_new("test-subscriber", false, this);
        mosquitto_connect_callback_set(mosq_, [](mosquitto* m, void*, int rc) {
            if (rc == 0)
                mosquitto_subscribe(m, nullptr, "#", 1);
        });
        mosquitto_subscribe_callback_set(mosq_, [](mosquitto*, void* self, int, int, const int*) {
            static_cast<Subscriber*>(self)->subscribed_ = true;
        });
        mosquitto_message_callback_set(mosq_, [](mosquitto*, void* self, const mosquitto_message* m) {
            auto* s = static_cast<Subscriber*>(self);
            std::lock_guard lock(s->mutex_);
            s->messages_.push_back({QString::fromUtf8(m->topic),
                                    QByteArray(static_cast<const char*>(m->payload), m->payloadlen), m->retain});
        });
        mosquitto_reconnect_delay_set(mosq_, 1, 1, false);
        mosquitto_connect_async(mosq_, "127.0.0.1", port, 30);
        mosquitto_loop_start(mosq_);
        waitUntilTrue([this] { return subscribed_.load(); });
    }
    ~Subscriber()
    {
        mosquitto_disconnect(mosq_);
        mosquitto_loop_stop(mosq_, true);
        mosquitto_destroy(mosq_);
    }
    std::vector<Received> messages()
    {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    std::vector<QJsonObject> intervals()
    {
        std::vector<QJsonObject> out;
        for (const Received& r : messages()) {
            if (r.topic.endsWith("/interval"))
                out.push_back(QJsonDocument::fromJson(r.payload).object());
        }
        return out;
    }

private:
    mosquitto* mosq_;
    std::atomic<bool> subscribed_ = false;
    std::mutex mutex_;
    std::vector<Received> messages_;
};

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
    QString stopLogger(QProcess& p)
    {
        p.terminate();
        EXPECT_TRUE(p.waitForFinished(10000));
        return QString::fromUtf8(p.readAllStandardError());
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
    Broker broker(dir.path(), port, true);
    ASSERT_TRUE(broker.start());
    Subscriber subscriber(port);
    QProcess logger;
    startLogger(logger, {"--mqtt", url(), "--mqtt-live"});
    ASSERT_TRUE(waitUntilTrue([&] { return subscriber.intervals().size() >= 3; }));
    const size_t beforeOutage = subscriber.intervals().size();

    broker.stop();
    waitUntilTrue([] { return false; }, 3000);
    ASSERT_TRUE(broker.start());
    // What the logger kept while the broker was away arrives, then new intervals.
    ASSERT_TRUE(waitUntilTrue([&] { return subscriber.intervals().size() >= beforeOutage + 6; }, 20000));
    const QString err = stopLogger(logger);

    const std::vector<QJsonObject> intervals = subscriber.intervals();
    // Exactly once while the broker was there.
    for (size_t i = 1; i < beforeOutage; ++i)
        EXPECT_EQ(startOf(intervals[i]), startOf(intervals[i - 1]) + 1);
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
    waitUntilTrue([&] {
        for (const Received& r : subscriber.messages())
            last[r.topic] = r;
        return last["test/sim/status"].payload == "offline";  // said at the stop
    }, 3000);
    EXPECT_EQ(last["test/sim/status"].payload, "offline");
    EXPECT_TRUE(last.count("test/sim/level"));
    const QJsonObject config = QJsonDocument::fromJson(last["homeassistant/sensor/sonavistor_sim/leq/config"].payload).object();
    EXPECT_EQ(config["device_class"].toString(), "sound_pressure");
    EXPECT_EQ(config["unit_of_measurement"].toString(), "dB");
    EXPECT_EQ(config["state_topic"].toString(), "test/sim/interval");
    EXPECT_FALSE(last["homeassistant/sensor/sonavistor_sim/level/config"].payload.isEmpty());
}

TEST_F(MonitorBroker, ABacklogLeftByAKilledLoggerIsDeliveredByTheNextStart)
{
    // The subscriber's session outlives the broker's stop.
    Broker broker(dir.path(), port, true);
    ASSERT_TRUE(broker.start());
    Subscriber subscriber(port);
    broker.stop();

    QProcess first;
    startLogger(first, {"--mqtt", url()});  // no broker yet
    const QString outbox = logs() + "/" + kOutboxFileName;
    ASSERT_TRUE(waitUntilTrue([&] {
        QFile f(outbox);
        return f.open(QIODevice::ReadOnly) && f.readAll().count('\n') >= 3;
    }));
    ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
    first.waitForFinished();
    Outbox left(outbox, 1000);
    left.open();
    std::vector<qint64> waiting;
    for (const OutboxMessage& m : left.waiting())
        waiting.push_back(startOf(QJsonDocument::fromJson(m.payload).object()));
    ASSERT_GE(waiting.size(), 3u);

    // The next start finds no broker either, until it comes back.
    QProcess second;
    startLogger(second, {"--mqtt", url()});
    waitUntilTrue([] { return false; }, 1000);
    ASSERT_TRUE(broker.start());
    ASSERT_TRUE(waitUntilTrue([&] { return subscriber.intervals().size() >= waiting.size() + 1; }));
    const QString err = stopLogger(second);
    EXPECT_TRUE(err.contains(QString("%1 interval messages from an earlier run").arg(waiting.size()))) << err.toStdString();
    const std::vector<QJsonObject> got = subscriber.intervals();
    for (size_t i = 0; i < waiting.size(); ++i)
        EXPECT_EQ(startOf(got[i]), waiting[i]);
}

TEST_F(MonitorBroker, AWrongPasswordIsSaidOnceAndAFullOutboxDropsTheOldest)
{
    Broker broker(dir.path(), port, false);  // takes no one
    ASSERT_TRUE(broker.start());
    env.insert("SONAVISTOR_MQTT_PASSWORD", "wrong");
    QProcess logger;
    startLogger(logger, {"--mqtt", QStringLiteral("mqtt://someone@127.0.0.1:%1/test").arg(port), "--mqtt-outbox", "2"});
    waitUntilTrue([] { return false; }, 4500);
    const QString err = stopLogger(logger);
    EXPECT_EQ(err.count("refused the connection: the broker refused the user name or password"), 1) << err.toStdString();
    EXPECT_TRUE(err.contains("logging to files goes on"));
    const QStringList drops = err.split('\n').filter("outbox full (2 messages): dropped the interval from");
    EXPECT_GE(drops.size(), 1) << err.toStdString();
    EXPECT_EQ(QSet<QString>(drops.begin(), drops.end()).size(), drops.size());  // each drop said once
    EXPECT_GT(dayFileIntervals(logs()).size(), 3u);  // the day file has every reading
    Outbox left(logs() + "/" + kOutboxFileName, 2);
    left.open();
    EXPECT_EQ(left.waiting().size(), 2u);
}

TEST_F(MonitorBroker, ABrokerThatNeverAnswersBlocksNeitherReadingsNorMetrics)
{
    QTcpServer silent;  // takes the connection, says nothing
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, static_cast<quint16>(port)));
    const int metricsPort = freePort();
    QProcess logger;
    startLogger(logger, {"--mqtt", url(), "--metrics", QString::number(metricsPort)});
    waitUntilTrue([] { return false; }, 3000);

    QTcpSocket http;
    http.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(metricsPort));
    ASSERT_TRUE(http.waitForConnected(2000));
    http.write("GET /metrics HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n");
    QByteArray response;
    while (http.waitForReadyRead(2000))
        response += http.readAll();
    const QByteArray body = response.mid(response.indexOf("\r\n\r\n") + 4);
    EXPECT_TRUE(response.startsWith("HTTP/1.1 200")) << response.toStdString();
    EXPECT_TRUE(body.contains("sonavistor_mqtt_connected 0\n"));
    EXPECT_TRUE(body.contains("sonavistor_meter_connected 1\n"));
    EXPECT_TRUE(body.contains("sonavistor_level_db{weighting=\"A\"} "));
    EXPECT_TRUE(body.contains("sonavistor_leq_db{weighting=\"A\",window=\"1m\"} "));
    EXPECT_FALSE(body.contains("sonavistor_mqtt_outbox_messages 0\n"));  // intervals wait
    const QString promtool = QStandardPaths::findExecutable("promtool");
    if (!promtool.isEmpty()) {
        QProcess check;
        check.start(promtool, {"check", "metrics"});
        check.write(body);
        check.closeWriteChannel();
        check.waitForFinished();
        EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardOutput().toStdString() << check.readAllStandardError().toStdString();
    }

    QElapsedTimer stopping;
    stopping.start();
    const QString err = stopLogger(logger);
    EXPECT_LT(stopping.elapsed(), 3000);
    const QString out = QString::fromUtf8(logger.readAllStandardOutput());
    // 3 s at 0.1 s a reading: the readings went on at their pace.
    EXPECT_GT(out.section(' ', 1, 1).toInt(), 20)
        << "stdout: " << out.toStdString() << "stderr: " << err.toStdString() << "exit: " << logger.exitStatus()
        << "/" << logger.exitCode();
}
