// The data view window with full days of readings (43,200 each): opening one
// more day, and with ten days open (432,000 rows) the chart's zooms and
// scrolls and the grid's page scroll, each with the repaint that follows;
// the program's memory with all ten open.
#include "data_view/data_view_window.h"
#include "analysis/saved_file.h"
#include "app/child_windows.h"
#include "app/main_window.h"
#include "bench/support/bench_support.h"
#include "common/file_dialogs.h"
#include "common/message_service.h"
#include "common/shell_state.h"
#include "widgets/chart_navigation.h"
#include "widgets/level_chart.h"
#include "store/measurement_db.h"

#include <QCoreApplication>
#include <QFile>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <deque>

using namespace sonavistor;

namespace {

constexpr int kDay = 43200;

class Choose : public FileDialogService {
public:
    std::deque<QString> next;
    QString getSaveFileName(QWidget*, const QString&, const QString&) override { return QString(); }
    QString getOpenFileName(QWidget*, const QString&) override
    {
        if (next.empty())
            return QString();
        QString path = next.front();
        next.pop_front();
        return path;
    }
};

// A program with its folder, the main window and ten saved days to open.
struct Bench {
    QTemporaryDir folder, locks, files;
    bench_support::QuietMessages messages;
    Choose dialogs;
    std::unique_ptr<MainWindow> form;
    QStringList days;

    Bench()
    {
        MeasurementDatabase::createFromSchema(folder.filePath("Quorvane.db"));
        QFile::copy(QStringLiteral(SONAVISTOR_SOURCE_DIR "/resources/quorvane_en.rav"),
                    folder.filePath("quorvane_en.rav"));
        for (int d = 0; d < 10; ++d) {
            std::vector<ReadingRow> rows;
            rows.reserve(kDay);
            for (int i = 0; i < kDay; ++i) {
                const double level = 45 + 5 * d + 12 * std::sin(i / 900.0 + d) + (i * 37 + d) % 90 / 10.0;
                rows.push_back({QStringLiteral("2024/5/%1").arg(10 + d),
                                QStringLiteral("%1:%2:%3").arg(i * 2 / 3600).arg(i * 2 / 60 % 60).arg(i * 2 % 60),
                                QString::number(level, 'f', 1), QStringLiteral("A"), i});
            }
            days << files.filePath(QStringLiteral("day%1.qrv").arg(d + 1));
            writeSavedFile(days.back(), rows);
        }
        form = std::make_unique<MainWindow>(AppEnvironment{folder.path(), "sonavistor-bench", locks.path(), &messages,
                                                       &dialogs, nullptr});
        installStandardWindows(*form);
        form->resize(1280, 800);
        form->show();
        settle();
    }
    ~Bench()
    {
        closeWindow();
        form->close();
    }
    static void settle()
    {
        // Layout requests first, then the repaint they cause.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    DataViewWindow* view() const { return qobject_cast<DataViewWindow*>(ShellState.AnalyzeWindowHandle.data()); }
    void open(int day)
    {
        dialogs.next.push_back(days[day % days.size()]);
        form->openDataView();
        settle();
    }
    void closeWindow()
    {
        if (DataViewWindow* v = view()) {
            v->parentWidget()->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
    void click(const char* button) { view()->findChild<QPushButton*>(button)->click(); }
};

std::unique_ptr<Bench> theBench;

Bench& bench()
{
    if (!theBench)
        theBench = std::make_unique<Bench>();
    return *theBench;
}

// Opening one more full day (read, staged, bulk-loaded, drawn) with
// state.range(0) days open already.
void BM_OpenFullDay(benchmark::State& state)
{
    Bench& b = bench();
    const int before = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        b.closeWindow();
        for (int d = 0; d < before; ++d)
            b.open(d);
        state.ResumeTiming();
        b.open(before);
    }
    state.counters["files_after"] = b.view()->fileCount();
}

// Ten days open: whatever runs here starts from the whole of them in view.
void withTenDays(benchmark::State& state, const std::function<void()>& prepare, const std::function<void()>& step)
{
    Bench& b = bench();
    if (!b.view() || b.view()->fileCount() != 10) {
        b.closeWindow();
        for (int d = 0; d < 10; ++d)
            b.open(d);
    }
    // The whole program's memory, ten days open.
    state.counters["rss_MiB"] = static_cast<double>(bench_support::residentKiB()) / 1024.0;
    for (auto _ : state) {
        state.PauseTiming();
        prepare();
        Bench::settle();
        state.ResumeTiming();
        step();
        Bench::settle();
    }
}

void fullView()
{
    bench().view()->chart().setRange(Axis::Bottom, {0, kDay - 1});
    bench().view()->chart().setRange(Axis::Top, {0, kDay - 1});
}

void BM_TenDaysZoomIn(benchmark::State& state)
{
    withTenDays(state, fullView, [] { bench().click("BitBtn2"); });
}

void BM_TenDaysZoomOut(benchmark::State& state)
{
    withTenDays(state, [] { fullView(); bench().click("BitBtn2"); bench().click("BitBtn2"); },
                [] { bench().click("BitBtn3"); });
}

void BM_TenDaysScrollRight(benchmark::State& state)
{
    int n = 0;
    withTenDays(state,
                [&n] {
                    if (n++ % 20 == 0) {
                        fullView();
                        for (int z = 0; z < 3; ++z)
                            bench().click("BitBtn2");
                    }
                },
                [] { bench().click("SpeedButton4"); });
}

void BM_TenDaysGridPageDown(benchmark::State& state)
{
    int n = 0;
    withTenDays(state,
                [&n] {
                    auto* grid = bench().view()->findChild<QTableView*>("DataGrid1");
                    if (n++ % 50 == 0)
                        grid->verticalScrollBar()->setValue(grid->verticalScrollBar()->maximum() / 3 + n * 1000);
                },
                [] {
                    bench().view()->findChild<QTableView*>("DataGrid1")->verticalScrollBar()->triggerAction(
                        QAbstractSlider::SliderPageStepAdd);
                });
}

BENCHMARK(BM_OpenFullDay)->Arg(0)->Arg(9)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TenDaysZoomIn)->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TenDaysZoomOut)->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TenDaysScrollRight)->Iterations(40)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TenDaysGridPageDown)->Iterations(100)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    // The windows go before the application.
    return bench_support::runWindowBenchmarks(argc, argv, [] { theBench.reset(); });
}
