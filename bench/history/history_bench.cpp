// The noise history over a year of logged days: 365 saved files of 86,400
// readings (one a second), generated here. One day's figures on one core,
// the first opening with an empty index (read on all cores), reopening with the index to a painted calendar,
// a day added by the logger until it shows, a scroll step of the calendar,
// and the memory with the year open.
//
// SONAVISTOR_HISTORY_DAYS=30 bench/bin/bench_history  for a quicker run.
#include "bench/support/bench_support.h"
#include "common/file_dialogs.h"
#include "history/history_scan.h"
#include "history_window/history_window.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <ctime>
#include <thread>

using namespace sonavistor;

namespace {

class NoDialogs : public FileDialogService {
public:
    QString getSaveFileName(QWidget*, const QString&, const QString&) override { return QString(); }
    QString getOpenFileName(QWidget*, const QString&) override { return QString(); }
};

int dayCount()
{
    bool ok = false;
    const int days = qEnvironmentVariableIntValue("SONAVISTOR_HISTORY_DAYS", &ok);
    return ok && days > 0 ? days : 365;
}

// One logged day as the logger writes it, built from ready line pieces: the
// generating must not take longer than what it measures.
void writeDay(const QString& path, const QDate& date)
{
    static const QList<QByteArray> times = [] {
        QList<QByteArray> t;
        for (int s = 0; s < 86400; ++s)
            t << QStringLiteral("%1:%2:%3").arg(s / 3600).arg(s / 60 % 60).arg(s % 60).leftJustified(8).toLatin1();
        return t;
    }();
    const QByteArray day = QStringLiteral("%1/%2/%3").arg(date.year()).arg(date.month()).arg(date.day())
                               .leftJustified(10).toLatin1();
    QByteArray text = "@Sonavistor File\r\nTotal:86400\r\n";
    text.reserve(86400 * 30 + 32);
    quint32 noise = static_cast<quint32>(date.toJulianDay());
    for (int s = 0; s < 86400; ++s) {
        noise = noise * 1664525u + 1013904223u;
        const int hour = s / 3600;
        const int tenths = (hour < 6 || hour >= 22 ? 380 : 580) + static_cast<int>(noise >> 24) % 120;
        char level[7];
        std::snprintf(level, sizeof level, "%-6s", QByteArray::number(tenths / 10.0, 'f', 1).constData());
        text += day;
        text += ',';
        text += times[s];
        text += ',';
        text.append(level, 6);
        text += ",A\r\n";
    }
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size())
        qFatal("cannot write %s", qPrintable(path));
}

struct Year {
    QTemporaryDir folder;
    QTemporaryDir cache;
    bench_support::QuietMessages messages;
    NoDialogs dialogs;
    QString index;
    int days = dayCount();

    Year()
    {
        index = cache.filePath("history.db");
        const QDate first(2025, 12, 1);
        std::vector<std::thread> writers;
        for (int part = 0; part < 2; ++part) {
            writers.emplace_back([this, first, part] {
                for (int d = part; d < days; d += 2)
                    writeDay(folder.filePath(first.addDays(d).toString(Qt::ISODate) + ".qrv"), first.addDays(d));
            });
        }
        for (auto& w : writers)
            w.join();
    }
};

std::unique_ptr<Year> theYear;

Year& year()
{
    if (!theYear)
        theYear = std::make_unique<Year>();
    return *theYear;
}

void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

// The whole year read into an empty index, on every core.
void BM_FirstOpen(benchmark::State& state)
{
    Year& y = year();
    double cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::clock_t started = std::clock();
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(y.index + QLatin1String(suffix));
        state.ResumeTiming();
        HistoryIndex index(y.index);
        const ScanReport r = scanHistoryFolder(index, y.folder.path());
        if (r.read != y.days)
            state.SkipWithError("not every day was read");
        cpu += static_cast<double>(std::clock() - started) / CLOCKS_PER_SEC;
    }
    // Processor time of all threads: on a busy machine the wall clock says
    // more about the neighbours than about the reading.
    state.counters["cpu_s_all_threads"] = cpu / static_cast<double>(state.iterations());
    state.counters["files"] = y.days;
    state.counters["readings_per_s"] =
        benchmark::Counter(86400.0 * y.days * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// One logged day's figures as a scan worker computes them, on one core.
void BM_FiguresOfOneDay(benchmark::State& state)
{
    QTemporaryDir folder;
    const QString path = folder.filePath("day.qrv");
    writeDay(path, QDate(2025, 12, 1));
    for (auto _ : state)
        benchmark::DoNotOptimize(historyFiguresOf(path));
    state.counters["readings_per_s"] =
        benchmark::Counter(86400.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// The window with the year open from its index: a new window until its calendar is painted.
void BM_ReopenToPaintedCalendar(benchmark::State& state)
{
    Year& y = year();
    {
        HistoryIndex index(y.index);
        scanHistoryFolder(index, y.folder.path());
    }
    for (auto _ : state) {
        NoiseHistoryWindow window(y.messages, y.dialogs, {}, y.index, {});
        window.show();
        window.openFolder(y.folder.path());
        window.findChild<QTableView*>("Calendar")->viewport()->repaint();
        state.PauseTiming();
        QSignalSpy refreshed(&window, &NoiseHistoryWindow::refreshed);
        refreshed.wait(10000);  // the check of every file's stamp ends before the window goes
        state.ResumeTiming();
    }
}

struct OpenWindow {
    NoiseHistoryWindow window;
    explicit OpenWindow(Year& y) : window(y.messages, y.dialogs, {}, y.index, {})
    {
        window.resize(1200, 820);
        window.show();
        QSignalSpy refreshed(&window, &NoiseHistoryWindow::refreshed);
        window.openFolder(y.folder.path());
        refreshed.wait(60000);
        settle();
    }
};

// One step of the calendar's scroll bar and the repaint it causes.
void BM_CalendarScrollStep(benchmark::State& state)
{
    Year& y = year();
    OpenWindow open(y);
    auto* calendar = open.window.findChild<QTableView*>("Calendar");
    QScrollBar* bar = calendar->verticalScrollBar();
    bar->setValue(0);
    for (auto _ : state) {
        if (bar->value() >= bar->maximum())
            bar->setValue(0);
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        calendar->viewport()->repaint();
    }
    state.counters["rss_MiB_year_open"] = static_cast<double>(bench_support::residentKiB()) / 1024.0;
}

// The logger starts a new day: from the file's creation until the window shows it.
void BM_DayAddedAppears(benchmark::State& state)
{
    Year& y = year();
    OpenWindow open(y);
    int added = 0;
    for (auto _ : state) {
        const QDate date = QDate(2025, 12, 1).addDays(y.days + added++);
        const QString path = y.folder.filePath(date.toString(Qt::ISODate) + ".qrv");
        QSignalSpy refreshed(&open.window, &NoiseHistoryWindow::refreshed);
        writeDay(path, date);
        if (!refreshed.wait(10000))
            state.SkipWithError("the new day did not show");
        state.PauseTiming();
        QFile::remove(path);
        refreshed.wait(10000);
        state.ResumeTiming();
    }
}

}  // namespace

BENCHMARK(BM_FirstOpen)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK(BM_FiguresOfOneDay)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReopenToPaintedCalendar)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_CalendarScrollStep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DayAddedAppears)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

int main(int argc, char** argv)
{
    return bench_support::runWindowBenchmarks(argc, argv, [] { theYear.reset(); });
}
