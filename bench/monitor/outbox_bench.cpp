// A long outbox backlog, as a logger killed during a long broker outage
// leaves it (one file, nothing acknowledged):
//   bench_outbox drain [MESSAGES]     opens it and acknowledges every message
//       in order, as a broker does: time, peak memory, and the bytes written
//       against the backlog's size (/proc/self/io)
//   bench_outbox deliver [MESSAGES]   delivers it through a local mosquitto in
//       its default configuration to a live QoS 1 subscriber: time, and
//       how many arrived
// MESSAGES is 259,200 by default: 30 days of 10-s intervals, the outbox's cap.
#include "logging/log_journal.h"
#include "monitor/logger_monitor.h"
#include "monitor/mqtt_settings.h"
#include "monitor/outbox.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <mosquitto.h>

#include <atomic>
#include <cstdio>
#include <sys/resource.h>

namespace {

QByteArray entry(qint64 id)
{
    // A real interval message's size: some 230 bytes.
    const qint64 start = 1796900000 + id * 10;
    const QByteArray body = "M " + QByteArray::number(id) + " home/noise/SN0042/interval {\"start\":\"" +
                            QDateTime::fromSecsSinceEpoch(start).toOffsetFromUtc(3600).toString(Qt::ISODate).toLatin1() +
                            "\",\"end\":\"" +
                            QDateTime::fromSecsSinceEpoch(start + 10).toOffsetFromUtc(3600).toString(Qt::ISODate).toLatin1() +
                            "\",\"weighting\":\"A\",\"count\":10,\"coverage\":1,\"leq\":54.2,\"lmax\":71.3,\"lmin\":41.0,"
                            "\"l10\":58.1,\"l50\":51.7,\"l90\":44.9}";
    return body + ' ' + QByteArray::number(sonavistor::crc32(body), 16).rightJustified(8, '0') + '\n';
}

qint64 writeBacklog(const QString& path, qint64 messages)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return 0;
    QByteArray chunk;
    for (qint64 id = 1; id <= messages; ++id) {
        chunk += entry(id);
        if (chunk.size() > (1 << 20) || id == messages) {
            file.write(chunk);
            chunk.clear();
        }
    }
    return file.size();
}

QMap<QByteArray, qint64> processIo()
{
    QMap<QByteArray, qint64> io;
    QFile f(QStringLiteral("/proc/self/io"));
    if (f.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : f.readAll().split('\n')) {
            const QList<QByteArray> parts = line.split(':');
            if (parts.size() == 2)
                io[parts[0]] = parts[1].trimmed().toLongLong();
        }
    }
    return io;
}

double peakMb()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

int drain(qint64 messages)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(sonavistor::kOutboxFileName));
    const qint64 bytes = writeBacklog(path, messages);
    ::sync();
    const auto before = processIo();
    QElapsedTimer clock;
    clock.start();
    sonavistor::Outbox box(path, messages);
    box.open();
    const qint64 opened = clock.elapsed();
    qint64 acknowledged = 0;
    while (!box.waiting().empty()) {
        box.acknowledge(box.waiting().front().id);
        ++acknowledged;
    }
    const qint64 drained = clock.elapsed();
    ::sync();
    const auto after = processIo();
    std::printf("backlog: %lld messages, %.1f MB\n", static_cast<long long>(messages), bytes / 1e6);
    std::printf("open: %lld ms; open and acknowledge all %lld: %lld ms\n", static_cast<long long>(opened),
                static_cast<long long>(acknowledged), static_cast<long long>(drained));
    std::printf("written: %.2f MB through write() (%.3f of the backlog), %.2f MB to the disk (%.3f)\n",
                (after["wchar"] - before["wchar"]) / 1e6, double(after["wchar"] - before["wchar"]) / bytes,
                (after["write_bytes"] - before["write_bytes"]) / 1e6,
                double(after["write_bytes"] - before["write_bytes"]) / bytes);
    std::printf("peak memory of the process: %.1f MB\n", peakMb());
    return acknowledged == messages ? 0 : 1;
}

bool waitUntil(const std::function<bool()>& done, qint64 ms)
{
    QElapsedTimer clock;
    clock.start();
    // Woken by the logger's own events or this tick, never spinning.
    QTimer tick;
    tick.start(50);
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}

int deliver(qint64 messages)
{
    QTemporaryDir dir;
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const int port = probe.serverPort();
    probe.close();
    QFile conf(dir.filePath(QStringLiteral("mosquitto.conf")));
    conf.open(QIODevice::WriteOnly);
    conf.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\n").arg(port).toUtf8());
    conf.close();
    QProcess broker;
    broker.start(QStringLiteral("/usr/sbin/mosquitto"), {QStringLiteral("-c"), conf.fileName()});
    if (!waitUntil([port] {
            QTcpSocket s;
            s.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
            return s.waitForConnected(100);
        }, 10000)) {
        std::printf("mosquitto did not start\n");
        return 1;
    }
    mosquitto_lib_init();
    struct Counts {
        std::atomic<qint64> received = 0;
        std::atomic<bool> subscribed = false;
    } counts;
    std::atomic<qint64>& received = counts.received;
    mosquitto* subscriber = mosquitto_new(nullptr, true, &counts);
    mosquitto_connect_callback_set(subscriber, [](mosquitto* m, void*, int) { mosquitto_subscribe(m, nullptr, "home/#", 1); });
    mosquitto_subscribe_callback_set(subscriber, [](mosquitto*, void* self, int, int, const int*) {
        static_cast<Counts*>(self)->subscribed = true;
    });
    mosquitto_message_callback_set(subscriber, [](mosquitto*, void* self, const mosquitto_message* m) {
        if (QByteArray(m->topic).endsWith("/interval"))
            ++static_cast<Counts*>(self)->received;
    });
    mosquitto_connect_async(subscriber, "127.0.0.1", port, 30);
    mosquitto_loop_start(subscriber);
    waitUntil([&counts] { return counts.subscribed.load(); }, 10000);

    writeBacklog(dir.filePath(QString::fromLatin1(sonavistor::kOutboxFileName)), messages);
    sonavistor::MonitorOptions options;
    options.mqtt = sonavistor::parseMqttUrl(QStringLiteral("mqtt://127.0.0.1:%1/home").arg(port));
    options.meterId = QStringLiteral("SN0042");
    options.publishSeconds = 10;
    sonavistor::LoggerMonitor monitor(dir.path(), options, [] { return QDateTime::currentDateTime(); });
    QElapsedTimer clock;
    clock.start();
    monitor.start();
    waitUntil([&] { return received.load() >= messages; }, messages * 20 + 60000);
    const double seconds = clock.elapsed() / 1000.0;
    std::printf("delivered %lld of %lld to a live subscriber in %.1f s (%.0f a second); peak memory %.1f MB\n",
                static_cast<long long>(received.load()), static_cast<long long>(messages), seconds,
                received.load() / seconds, peakMb());
    monitor.finish();
    mosquitto_disconnect(subscriber);
    mosquitto_loop_stop(subscriber, false);
    mosquitto_destroy(subscriber);
    broker.terminate();
    broker.waitForFinished(5000);
    return received.load() == messages ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const qint64 messages = args.size() > 2 ? args[2].toLongLong() : 259200;
    if (args.value(1) == QLatin1String("deliver"))
        return deliver(messages);
    if (args.value(1) == QLatin1String("drain"))
        return drain(messages);
    std::printf("bench_outbox drain|deliver [MESSAGES]\n");
    return 2;
}
