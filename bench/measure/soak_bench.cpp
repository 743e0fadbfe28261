// A day of live readings through the real-time window, twice over: 86,400
// ticks against the simulated meter at zero delay (request, reply, row,
// statistics, chart point), then Stop, Save and Clear, and the same again.
// Prints the program's memory after each day and the time per reading in
// blocks of 10,800, so growth of either shows.
#include "app/main_window.h"
#include "bench/support/bench_support.h"
#include "common/file_dialogs.h"
#include "common/message_service.h"
#include "widgets/alarm_player.h"
#include "measure/measure_state.h"
#include "measure/realtime_window.h"
#include "meter/fake_hid_platform.h"
#include "meter/meter_link.h"
#include "sim/simulated_device.h"
#include "store/measurement_db.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMdiSubWindow>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <malloc.h>

using namespace sonavistor;

namespace {

class NoSound : public AlarmSink {
public:
    void play(const QString&) override {}
};

class SaveTo : public FileDialogService {
public:
    explicit SaveTo(QString path) : path_(std::move(path)) {}
    QString getSaveFileName(QWidget*, const QString&, const QString&) override { return path_; }
    QString getOpenFileName(QWidget*, const QString&) override { return QString(); }

private:
    QString path_;
};

// Resident memory of this process in MB.
double residentMb()
{
    return static_cast<double>(bench_support::residentKiB()) / 1024.0;
}

// Heap the program has allocated and not freed, in MB: what it holds, apart
// from freed memory the allocator keeps for later.
double heapInUseMb()
{
    const struct mallinfo2 info = ::mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

// SOAK_READINGS=N shortens the day for a quick look (a multiple of 8).
int readingsPerDay()
{
    const int n = qEnvironmentVariableIntValue("SOAK_READINGS");
    return n > 0 ? n : 86400;
}

void BM_TwoDaysOfLiveReadings(benchmark::State& state)
{
    QTemporaryDir folder, locks, saves;
    MeasurementDatabase::createFromSchema(folder.filePath("Quorvane.db"));
    QFile::copy(QStringLiteral(SONAVISTOR_SOURCE_DIR "/resources/quorvane_en.rav"), folder.filePath("quorvane_en.rav"));
    bench_support::QuietMessages messages;
    SaveTo dialogs(saves.filePath("day.qrv"));
    NoSound sound;
    FakeHidPlatform platform;
    MeterScenario scenario;
    for (int i = 0; i < 300; ++i)
        scenario.live.emplace_back(450 + (i * 37) % 500, 0x41);
    plugSimulatedMeter(platform, scenario);
    MainWindow form({folder.path(), "sonavistor-soak", locks.path(), &messages, &dialogs, &platform});
    form.resize(1280, 800);
    form.show();
    RealtimeWindow* window = nullptr;
    form.setChildFactory(kMeasureWindow, [&](MainWindow& main) {
        window = new RealtimeWindow(main.database(), main.meter(), main.windowContext(), &sound);
        main.addChildWindow(window)->showMaximized();
        return window;
    });
    while (!form.meterConnected())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    form.measureInRealTime();

    for (auto _ : state) {
        const double startMb = residentMb();
        const double startHeapMb = heapInUseMb();
        std::printf("memory at start: %.1f MB resident, %.1f MB heap in use\n", startMb, startHeapMb);
        double afterFirstDay = 0;
        // SOAK_DAYS=N runs more days, to tell a cache filling up from growth.
        const int days = std::max(2, qEnvironmentVariableIntValue("SOAK_DAYS"));
        for (int day = 1; day <= days; ++day) {
            const int readings = readingsPerDay();
            const int kBlock = readings / 8;
            window->startMeasurement();
            QElapsedTimer block;
            block.start();
            for (int n = 1; n <= readings; ++n) {
                window->requestReading();
                // The window paints between readings; a second apart, it
                // would paint every time: here every hundredth.
                if (n % 100 == 0)
                    QCoreApplication::processEvents();
                if (n % kBlock == 0) {
                    std::printf("day %d, readings %5d-%5d: %.1f us a reading, %.1f MB\n", day, n - kBlock + 1, n,
                                block.nsecsElapsed() / 1000.0 / kBlock, residentMb());
                    block.restart();
                }
            }
            window->stopMeasurement();
            window->saveMeasurement();
            window->clearReadings();
            QCoreApplication::processEvents();
            const double mb = residentMb();
            std::printf("day %d stopped, saved, cleared: %.1f MB resident, %.1f MB heap in use\n", day, mb,
                        heapInUseMb());
            if (day == 1)
                afterFirstDay = mb;
        }
        state.counters["start_MB"] = startMb;
        state.counters["after_day1_MB"] = afterFirstDay;
        state.counters["after_day2_MB"] = residentMb();
        state.counters["heap_growth_MB"] = heapInUseMb() - startHeapMb;
    }
    MeasureState.LiveDataSaved = true;
    form.close();
}
BENCHMARK(BM_TwoDaysOfLiveReadings)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv)
{
    return bench_support::runWindowBenchmarks(argc, argv);
}
