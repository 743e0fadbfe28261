// The environmental noise figures: info --periods --events on a logged day
// (86,400 readings) in this process, the saved-file reader alone, and the noise report of a month of
// logged days (30 files) as sonavistor-cli writes it: time and peak memory.
#include "analysis/noise_figures.h"
#include "analysis/saved_file.h"
#include "analysis/saved_samples.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sys/resource.h>

using namespace sonavistor;

namespace {

// A logged day: one reading a second, a quiet night, a busier day, and a
// loud minute every half hour for events.
std::vector<ReadingRow> loggedDay(const QDate& date)
{
    std::vector<ReadingRow> rows;
    rows.reserve(86400);
    const QString ndate = QStringLiteral("%1/%2/%3").arg(date.year()).arg(date.month()).arg(date.day());
    for (int s = 0; s < 86400; ++s) {
        const int hour = s / 3600;
        int tenths = (hour >= 7 && hour < 22 ? 550 : 420) + (s * 7919) % 100;
        if (s % 1800 < 40)
            tenths += 300;
        rows.push_back({ndate, QStringLiteral("%1:%2:%3").arg(hour).arg(s / 60 % 60).arg(s % 60),
                        QStringLiteral("%1.%2").arg(tenths / 10).arg(tenths % 10), "A", static_cast<qint32>(s)});
    }
    return rows;
}

QTemporaryDir& month()
{
    static QTemporaryDir dir;
    static bool made = false;
    if (!made) {
        for (int d = 1; d <= 30; ++d)
            writeSavedFile(dir.filePath(QStringLiteral("2026-11-%1.qrv").arg(d, 2, 10, QLatin1Char('0'))),
                           loggedDay(QDate(2026, 11, d)));
        made = true;
    }
    return dir;
}

QStringList monthFiles()
{
    QStringList files;
    for (const QString& name : QDir(month().path()).entryList({"*.qrv"}))
        files << month().filePath(name);
    return files;
}

// What info --periods --events adds for one logged day: reading it and the figures.
void BM_InfoPeriodsEventsOfALoggedDay(benchmark::State& state)
{
    const QStringList day{monthFiles().first()};
    size_t events = 0;
    for (auto _ : state) {
        const NoiseFigures f = computeNoiseFigures(readSavedSamples(day));
        events = f.events.size();
        benchmark::DoNotOptimize(f);
    }
    state.counters["readings"] = 86400;
    state.counters["events"] = static_cast<double>(events);
}

// The saved-file reader alone on a logged day, on one core: every line cut,
// checked and its level read.
void BM_ReadALoggedDay(benchmark::State& state)
{
    const QString day = monthFiles().first();
    double sum = 0;
    for (auto _ : state) {
        SavedFileReader reader(day);
        SavedReadingView reading;
        while (reader.next(reading))
            sum += reading.level;
    }
    benchmark::DoNotOptimize(sum);
    state.counters["readings_per_s"] =
        benchmark::Counter(86400.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The figures alone, from samples in memory.
void BM_NoiseFiguresOfALoggedDay(benchmark::State& state)
{
    const std::vector<AcousticSample> samples = readSavedSamples({monthFiles().first()});
    for (auto _ : state)
        benchmark::DoNotOptimize(computeNoiseFigures(samples));
}

// sonavistor-cli report on 30 logged days, process start included. The peak
// memory is the largest waited-for child's: this command's, the only child.
void BM_ReportCommandOnAMonth(benchmark::State& state)
{
    const QString pdf = month().filePath("month.pdf");
    QStringList args{"report", "--force", "-o", pdf};
    args << monthFiles();
    for (auto _ : state) {
        QProcess cli;
        cli.start(CLI_PATH, args);
        if (!cli.waitForFinished(120000) || cli.exitCode() != 0)
            state.SkipWithError("sonavistor-cli report failed");
    }
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    state.counters["peak_MB"] = children.ru_maxrss / 1024.0;
    state.counters["cpu_s"] = static_cast<double>(children.ru_utime.tv_sec + children.ru_stime.tv_sec) +
                              (children.ru_utime.tv_usec + children.ru_stime.tv_usec) / 1e6;
    state.counters["pdf_MB"] = QFile(pdf).size() / 1048576.0;
}

BENCHMARK(BM_InfoPeriodsEventsOfALoggedDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadALoggedDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NoiseFiguresOfALoggedDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReportCommandOnAMonth)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
