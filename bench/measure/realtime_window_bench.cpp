// One live reading in the real-time window (showReading through row,
// statistics, footer and chart point) with twelve hours of readings already
// in MeaData: the cost must not grow with the rows before it.
#include "app/main_window.h"
#include "bench/support/bench_support.h"
#include "common/message_service.h"
#include "widgets/alarm_player.h"
#include "measure/measure_state.h"
#include "measure/realtime_window.h"
#include "meter/meter_connection.h"
#include "store/measurement_db.h"

#include <QCoreApplication>
#include <QMdiSubWindow>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace sonavistor;

namespace {

class NoSound : public AlarmSink {
public:
    void play(const QString&) override {}
};

// paintToo: time the window's painting that follows each reading as well.
void runReadings(benchmark::State& state, bool paintToo)
{
    QTemporaryDir folder, locks;
    MeasurementDatabase::createFromSchema(folder.filePath("Quorvane.db"));
    QFile::copy(QStringLiteral(SONAVISTOR_SOURCE_DIR "/resources/quorvane_en.rav"), folder.filePath("quorvane_en.rav"));
    bench_support::QuietMessages messages;
    NoSound sound;
    MainWindow form({folder.path(), "sonavistor-bench", locks.path(), &messages, nullptr, nullptr});
    form.show();
    RealtimeWindow* window = nullptr;
    form.setChildFactory(kMeasureWindow, [&](MainWindow& main) {
        window = new RealtimeWindow(main.database(), main.meter(), main.windowContext(), &sound);
        main.addChildWindow(window)->showMaximized();
        return window;
    });
    form.measureInRealTime();
    const int before = static_cast<int>(state.range(0));
    // The rows of earlier readings, as the window itself adds them.
    for (int i = 0; i < before; ++i) {
        window->showReading(decodeLiveReading(550 + (i * 37) % 400, 0x40));
    }
    QCoreApplication::processEvents();
    int n = 0;
    for (auto _ : state) {
        window->showReading(decodeLiveReading(600 + (n++ * 13) % 300, 0x40));
        // The program paints between readings (they come a second apart);
        // without this the next reading would pay for this one's painting.
        if (!paintToo)
            state.PauseTiming();
        QCoreApplication::processEvents();
        if (!paintToo)
            state.ResumeTiming();
    }
    state.counters["rows_before"] = before;
    MeasureState.LiveDataSaved = true;
    form.close();
}
void BM_ShowReadAfterRows(benchmark::State& state)
{
    runReadings(state, false);
}

void BM_ShowReadAndPaintAfterRows(benchmark::State& state)
{
    runReadings(state, true);
}

BENCHMARK(BM_ShowReadAfterRows)->Arg(0)->Arg(43200)->Arg(86400)->Unit(benchmark::kMicrosecond)->Iterations(500);
BENCHMARK(BM_ShowReadAndPaintAfterRows)->Arg(0)->Arg(43200)->Arg(86400)->Unit(benchmark::kMicrosecond)->Iterations(500);

}  // namespace

int main(int argc, char** argv)
{
    return bench_support::runWindowBenchmarks(argc, argv);
}
