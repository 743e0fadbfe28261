// sonavistor-cli for noise work: info with every acoustic figure on a full
// imported day (43,200 readings) and on a month of logged days (30 files of
// 86,400 readings), and the logger: the cost of one reading, of writing a
// full day file, and a real `sonavistor-cli log` run against the simulated
// meter at one reading a second (its processor share and peak memory).
#include "analysis/acoustic_figures.h"
#include "analysis/level_statistics.h"
#include "analysis/saved_file.h"
#include "logging/level_log.h"
#include "sim/memory_generator.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>
#include <unistd.h>

using namespace sonavistor;

namespace {

// A day of readings `step` seconds apart, A-weighted with a C-weighted hour.
std::vector<ReadingRow> day(const QDate& date, int step)
{
    std::vector<ReadingRow> rows;
    const QString ndate = QStringLiteral("%1/%2/%3").arg(date.year()).arg(date.month()).arg(date.day());
    for (int s = 0; s < 86400; s += step) {
        const int tenths = 400 + (s * 7919) % 600;
        rows.push_back({ndate, QStringLiteral("%1:%2:%3").arg(s / 3600).arg(s / 60 % 60).arg(s % 60),
                        QStringLiteral("%1.%2").arg(tenths / 10).arg(tenths % 10), s / 3600 == 12 ? "C" : "A",
                        static_cast<qint32>(rows.size())});
    }
    return rows;
}

QTemporaryDir& files()
{
    static QTemporaryDir dir;
    static bool made = false;
    if (!made) {
        writeSavedFile(dir.filePath("imported.qrv"), day(QDate(2026, 12, 1), 2));
        QDir().mkpath(dir.filePath("month"));
        for (int d = 1; d <= 30; ++d)
            writeSavedFile(dir.filePath(QStringLiteral("month/2026-11-%1.qrv").arg(d, 2, 10, QLatin1Char('0'))),
                           day(QDate(2026, 11, d), 1));
        made = true;
    }
    return dir;
}

void runCli(benchmark::State& state, const QStringList& args)
{
    QProcess cli;
    cli.start(CLI_PATH, args);
    if (!cli.waitForFinished(60000) || cli.exitCode() != 0)
        state.SkipWithError("sonavistor-cli failed");
}

// What info does for one file, in this process.
void BM_InfoFiguresOfADay(benchmark::State& state)
{
    const QString path = files().filePath("imported.qrv");
    for (auto _ : state) {
        SavedFileReader reader(path);
        std::vector<double> levels;
        std::vector<AcousticSample> samples;
        SavedReading reading;
        while (reader.next(reading)) {
            levels.push_back(reading.level);
            const QByteArrayView line(reading.line);
            samples.push_back({reading.level, reading.weighting,
                               rowSeconds(line.first(10), line.sliced(11, 8)).value_or(kUntimed)});
        }
        benchmark::DoNotOptimize(computeLevelStatistics(std::move(levels)));
        benchmark::DoNotOptimize(computeAcousticFigures(samples, {8 * 3600.0, 900}));
    }
    state.counters["readings"] = 43200;
}

// The whole command, process start included.
void BM_InfoCommandOnADay(benchmark::State& state)
{
    const QString path = files().filePath("imported.qrv");
    for (auto _ : state)
        runCli(state, {"info", "--json", "--interval", "15m", "--exposure", "8h", path});
}

void BM_InfoCommandOnAMonthOfLoggedDays(benchmark::State& state)
{
    QStringList args{"info", "--json", "--interval", "1h"};
    for (const QString& name : QDir(files().filePath("month")).entryList({"*.qrv"}))
        args << files().filePath("month/" + name);
    for (auto _ : state)
        runCli(state, args);
    state.counters["readings"] = 30 * 86400;
}

// One reading into the log: its day's lines and the journal (no sync).
void BM_LoggedReading(benchmark::State& state)
{
    QTemporaryDir dir;
    LevelLogOptions options;
    options.syncEveryMs = options.saveEveryMs = 1 << 30;
    LevelLog log(dir.path(), options);
    log.open();
    const QDate date(2026, 12, 1);
    const ReadingRow row = liveReadingRow(QDateTime(date, QTime(8, 0)), 853, 0x41);
    for (auto _ : state)
        log.add(date, row);
}

// The minutely write of a full day's file (86,400 readings).
void BM_SaveFullDayFile(benchmark::State& state)
{
    QTemporaryDir dir;
    LevelLogOptions options;
    options.syncEveryMs = options.saveEveryMs = 1 << 30;
    LevelLog log(dir.path(), options);
    log.open();
    const QDate date(2026, 12, 1);
    for (const ReadingRow& row : day(date, 1))
        log.add(date, row);
    for (auto _ : state) {
        log.add(date, day(date, 43200).front());
        log.saveAll();
    }
}

qint64 statField(qint64 pid, int field)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    stat.open(QIODevice::ReadOnly);
    const QByteArray text = stat.readAll();
    // Fields after the command name in parentheses, which may hold blanks.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.value(field - 3).toLongLong();
}

qint64 statusKb(qint64 pid, const char* key)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(static_cast<qsizetype>(strlen(key))).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

// sonavistor-cli log at one reading a second for a while, against the simulated meter.
void BM_LoggerProcess(benchmark::State& state)
{
    QTemporaryDir dir;
    QFile memory(dir.filePath("memory.bin"));
    memory.open(QIODevice::WriteOnly);
    memory.write(generateMemory({{QDateTime(QDate(2026, 12, 1), QTime(8, 0)), 1}}));
    memory.close();
    QFile json(dir.filePath("meter.json"));
    json.open(QIODevice::WriteOnly);
    json.write(R"({"memory": "memory.bin", "live": [[853, 65], [702, 65], [911, 81]], "reportDelayMs": 1})");
    json.close();
    const int seconds = static_cast<int>(state.range(0));
    double cpuPercent = 0;
    double peakMb = 0;
    for (auto _ : state) {
        QProcess log;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", dir.path());
        log.setProcessEnvironment(env);
        log.start(CLI_PATH, {"log", "--dir", dir.filePath("logs"), "--meter", "sim:" + json.fileName()});
        log.waitForStarted();
        QThread::sleep(2);  // started up
        const qint64 pid = log.processId();
        const qint64 ticks0 = statField(pid, 14) + statField(pid, 15);
        QThread::sleep(static_cast<unsigned long>(seconds));
        const qint64 ticks1 = statField(pid, 14) + statField(pid, 15);
        peakMb = statusKb(pid, "VmHWM:") / 1024.0;
        cpuPercent = 100.0 * static_cast<double>(ticks1 - ticks0) / static_cast<double>(sysconf(_SC_CLK_TCK)) / seconds;
        log.terminate();
        log.waitForFinished(10000);
    }
    state.counters["cpu_percent"] = cpuPercent;
    state.counters["peak_rss_MB"] = peakMb;
}

BENCHMARK(BM_InfoFiguresOfADay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InfoCommandOnADay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InfoCommandOnAMonthOfLoggedDays)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoggedReading)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SaveFullDayFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoggerProcess)->Arg(60)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
