// Many loggers on simulated meters publishing to one local mosquitto: each
// logger's share of a core and its peak memory, the broker's share, and the
// time from an interval's end to its delivery to a subscriber.
//   SONAVISTOR_BENCH_LOGGERS   loggers (50)
//   SONAVISTOR_BENCH_SECONDS   the measured time (60)
//   SONAVISTOR_BENCH_PUBLISH   --publish-interval (10s)
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>
#include <mosquitto.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace {

int setting(const char* name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value > 0 ? value : fallback;
}

qint64 statField(qint64 pid, int field)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    // Fields after the command name, which is in parentheses.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.value(field - 3).toLongLong();
}

qint64 cpuTicks(qint64 pid)
{
    return statField(pid, 14) + statField(pid, 15);
}

double statusMb(qint64 pid, const char* key)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

struct Latencies {
    std::mutex mutex;
    std::vector<double> ms;
};

void received(mosquitto*, void* data, const mosquitto_message* m)
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const QJsonObject o = QJsonDocument::fromJson(QByteArray(static_cast<const char*>(m->payload), m->payloadlen)).object();
    const QDateTime end = QDateTime::fromString(o.value("end").toString(), Qt::ISODate);
    if (!end.isValid())
        return;
    auto* l = static_cast<Latencies*>(data);
    std::lock_guard lock(l->mutex);
    l->ms.push_back(static_cast<double>(now - end.toMSecsSinceEpoch()));
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(std::ceil(p / 100 * static_cast<double>(v.size()))) - 1)];
}

void BM_LoggersPublishingToOneBroker(benchmark::State& state)
{
    const int loggers = setting("SONAVISTOR_BENCH_LOGGERS", 50);
    const int seconds = setting("SONAVISTOR_BENCH_SECONDS", 60);
    const QString publish = qEnvironmentVariable("SONAVISTOR_BENCH_PUBLISH", QStringLiteral("10s"));
    if (!QFile::exists("/usr/sbin/mosquitto")) {
        state.SkipWithError("mosquitto is not installed");
        for (auto _ : state) {
        }
        return;
    }
    QTemporaryDir dir;
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const int port = probe.serverPort();
    probe.close();
    QFile conf(dir.filePath("mosquitto.conf"));
    conf.open(QIODevice::WriteOnly);
    conf.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\nmax_connections -1\n").arg(port).toUtf8());
    conf.close();
    QFile json(dir.filePath("scenario.json"));
    json.open(QIODevice::WriteOnly);
    json.write(R"({"live": [[653, 64], [702, 64], [811, 64], [587, 64]]})");
    json.close();

    double loggerCpu = 0, loggerCpuMax = 0, loggerMb = 0, loggerMbMax = 0, brokerCpu = 0, p50 = 0, p99 = 0, worst = 0;
    size_t deliveries = 0;
    for (auto _ : state) {
        QProcess broker;
        broker.start("/usr/sbin/mosquitto", {"-c", conf.fileName()});
        broker.waitForStarted();
        QThread::msleep(300);

        Latencies latencies;
        mosquitto_lib_init();
        mosquitto* sub = mosquitto_new(nullptr, true, &latencies);
        mosquitto_message_callback_set(sub, received);
        mosquitto_connect_callback_set(sub, [](mosquitto* m, void*, int) { mosquitto_subscribe(m, nullptr, "bench/+/interval", 1); });
        mosquitto_connect_async(sub, "127.0.0.1", port, 30);
        mosquitto_loop_start(sub);

        std::vector<std::unique_ptr<QProcess>> logs;
        for (int i = 0; i < loggers; ++i) {
            const QString folder = dir.filePath(QStringLiteral("logger%1").arg(i));
            QDir().mkpath(folder);
            // Qt takes a runtime folder only when it is the user's alone.
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            auto p = std::make_unique<QProcess>();
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("XDG_RUNTIME_DIR", folder);  // one meter lock each
            p->setProcessEnvironment(env);
            p->setStandardErrorFile(folder + "/messages.txt");
            p->start(CLI_PATH, {"log", "--dir", folder + "/logs", "--meter", "sim:" + json.fileName(), "--mqtt",
                                QStringLiteral("mqtt://127.0.0.1:%1/bench").arg(port), "--mqtt-id",
                                QStringLiteral("m%1").arg(i), "--publish-interval", publish});
            logs.push_back(std::move(p));
        }
        for (auto& p : logs)
            p->waitForStarted();
        QThread::sleep(3);  // all started up
        {
            std::lock_guard lock(latencies.mutex);
            latencies.ms.clear();
        }
        std::vector<qint64> before;
        for (auto& p : logs)
            before.push_back(cpuTicks(p->processId()));
        const qint64 brokerBefore = cpuTicks(broker.processId());
        QThread::sleep(static_cast<unsigned long>(seconds));
        const double ticksPerSecond = static_cast<double>(sysconf(_SC_CLK_TCK)) * seconds;
        brokerCpu = 100.0 * static_cast<double>(cpuTicks(broker.processId()) - brokerBefore) / ticksPerSecond;
        for (size_t i = 0; i < logs.size(); ++i) {
            const double cpu = 100.0 * static_cast<double>(cpuTicks(logs[i]->processId()) - before[i]) / ticksPerSecond;
            const double mb = statusMb(logs[i]->processId(), "VmHWM:");
            loggerCpu += cpu / loggers;
            loggerCpuMax = std::max(loggerCpuMax, cpu);
            loggerMb += mb / loggers;
            loggerMbMax = std::max(loggerMbMax, mb);
        }
        for (auto& p : logs)
            p->terminate();
        for (auto& p : logs)
            p->waitForFinished(10000);
        mosquitto_disconnect(sub);
        mosquitto_loop_stop(sub, true);
        mosquitto_destroy(sub);
        broker.terminate();
        broker.waitForFinished(5000);
        std::lock_guard lock(latencies.mutex);
        deliveries = latencies.ms.size();
        p50 = percentile(latencies.ms, 50);
        p99 = percentile(latencies.ms, 99);
        worst = percentile(latencies.ms, 100);
    }
    state.counters["loggers"] = loggers;
    state.counters["logger_cpu_percent_mean"] = loggerCpu;
    state.counters["logger_cpu_percent_max"] = loggerCpuMax;
    state.counters["logger_peak_rss_MB_mean"] = loggerMb;
    state.counters["logger_peak_rss_MB_max"] = loggerMbMax;
    state.counters["broker_cpu_percent"] = brokerCpu;
    state.counters["deliveries"] = static_cast<double>(deliveries);
    state.counters["delivery_p50_ms"] = p50;
    state.counters["delivery_p99_ms"] = p99;
    state.counters["delivery_max_ms"] = worst;
}

BENCHMARK(BM_LoggersPublishingToOneBroker)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
