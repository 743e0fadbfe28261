// A backlog reaches a live subscriber whole through a mosquitto in its
// default configuration, which drops what it queues for a subscriber beyond
// 1000 messages (max_queued_messages): the outbox left by a killed logger is
// delivered by the next start, every message, in order.
#include "logging/log_journal.h"
#include "monitor/logger_monitor.h"
#include "monitor/outbox.h"
#include "tests/support/event_wait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <mosquitto.h>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <pwd.h>
#include <unistd.h>

using namespace sonavistor;
using namespace sonavistor::test;

namespace {

constexpr char kBroker[] = "/usr/sbin/mosquitto";
constexpr int kBacklog = 5000;

// A live subscriber to every interval at QoS 1, its session ending with it.
class Subscriber {
public:
    explicit Subscriber(int port)
    {
        mosquitto_lib_init();
        mosq_ = mosquitto_new(nullptr, true, this);
        mosquitto_connect_callback_set(mosq_, [](mosquitto* m, void*, int rc) {
            if (rc == 0)
                mosquitto_subscribe(m, nullptr, "test/+/interval", 1);
        });
        mosquitto_subscribe_callback_set(mosq_, [](mosquitto*, void* self, int, int, const int*) {
            static_cast<Subscriber*>(self)->subscribed_ = true;
        });
        mosquitto_message_callback_set(mosq_, [](mosquitto*, void* self, const mosquitto_message* m) {
            auto* s = static_cast<Subscriber*>(self);
            // A consumer that does some work with each message (a database
            // write): 1000 a second, far slower than the broker takes them.
            ::usleep(1000);
            std::lock_guard lock(s->mutex_);
            s->payloads_.emplace_back(static_cast<const char*>(m->payload), m->payloadlen);
        });
        mosquitto_connect_async(mosq_, "127.0.0.1", port, 30);
        mosquitto_loop_start(mosq_);
        waitUntilTrue([this] { return subscribed_.load(); }, 10000);
    }
    ~Subscriber()
    {
        mosquitto_disconnect(mosq_);
        mosquitto_loop_stop(mosq_, false);
        mosquitto_destroy(mosq_);
    }
    bool subscribed() const { return subscribed_; }
    std::vector<QByteArray> payloads()
    {
        std::lock_guard lock(mutex_);
        return payloads_;
    }

private:
    mosquitto* mosq_;
    std::atomic<bool> subscribed_ = false;
    std::mutex mutex_;
    std::vector<QByteArray> payloads_;
};

QByteArray entry(const QByteArray& body)
{
    return body + ' ' + QByteArray::number(crc32(body), 16).rightJustified(8, '0') + '\n';
}

}  // namespace

TEST(BacklogDelivery, AFiveThousandMessageBacklogReachesALiveSubscriberOfADefaultBrokerWholeAndInOrder)
{
    if (!QFile::exists(kBroker))
        GTEST_SKIP() << "mosquitto is not installed (scripts/install-deps installs it)";
    QTemporaryDir dir;
    const int port = freePort();
    // The defaults but for the port: no persistence, max_queued_messages 1000, max_inflight_messages 20.
    QFile conf(dir.filePath("mosquitto.conf"));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    const passwd* me = ::getpwuid(::getuid());
    conf.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\nuser %2\n")
                   .arg(port)
                   .arg(QString::fromLocal8Bit(me ? me->pw_name : "root"))
                   .toUtf8());
    conf.close();
    QProcess broker;
    broker.start(kBroker, {"-c", conf.fileName()});
    ASSERT_TRUE(waitUntilTrue([port] {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
        return probe.waitForConnected(100);
    }, 10000));
    Subscriber subscriber(port);
    ASSERT_TRUE(subscriber.subscribed());

    // What a logger killed during a long outage leaves: the messages, none acknowledged.
    QByteArray text;
    for (int n = 1; n <= kBacklog; ++n)
        text += entry("M " + QByteArray::number(n) + " test/sim/interval {\"n\":" + QByteArray::number(n) + "}");
    QFile outbox(dir.filePath(kOutboxFileName));
    ASSERT_TRUE(outbox.open(QIODevice::WriteOnly));
    outbox.write(text);
    outbox.close();

    MonitorOptions options;
    options.mqtt = parseMqttUrl(QStringLiteral("mqtt://127.0.0.1:%1/test").arg(port));
    LoggerMonitor monitor(dir.path(), options, [] { return QDateTime::currentDateTime(); });
    QStringList said;
    monitor.onMessage = [&said](const QString& text) { said << text; };
    monitor.start();
    EXPECT_TRUE(waitUntilTrue([&] { return monitor.outboxMessages() == 0; }, 120000)) << monitor.outboxMessages();
    // Every message the broker took is on its way to the subscriber: wait for the last.
    waitUntilTrue([&] {
        const auto got = subscriber.payloads();
        return !got.empty() && got.back() == "{\"n\":" + QByteArray::number(kBacklog) + "}";
    }, 20000);
    monitor.finish();

    const std::vector<QByteArray> got = subscriber.payloads();
    EXPECT_EQ(got.size(), static_cast<size_t>(kBacklog)) << said.join('\n').toStdString();
    int expected = 1;
    for (const QByteArray& payload : got) {
        ASSERT_EQ(payload, "{\"n\":" + QByteArray::number(expected) + "}") << "lost or out of order";
        ++expected;
    }
    broker.terminate();
    broker.waitForFinished(5000);
}
