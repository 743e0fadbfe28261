// The program's own cost per input report in the bulk reads: the simulated
// meter answers at once (no 1 ms USB pace), so what is measured is the
// reading thread, the hand-over to the user-interface thread, SaveRead and
// the progress updates.
#include "meter/fake_hid_platform.h"
#include "meter/meter_connection.h"
#include "sim/memory_generator.h"
#include "sim/simulated_device.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <benchmark/benchmark.h>

using namespace sonavistor;

namespace {

class CountingProgress : public Progress {
public:
    void setMaximum(int m) override { maximum_ = m; }
    void setPosition(int p) override { position_ = p; }
    int position() const override { return position_; }

private:
    int maximum_ = 0;
    int position_ = 0;
};

void waitConnected(const MeterConnection& meter)
{
    while (!meter.connected())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

QByteArray memoryOf(int records)
{
    const QByteArray record = makeRecord(QDateTime::fromString("2024-05-17T08:00:00", Qt::ISODate),
                                         std::vector<int>(60, 650));
    QByteArray memory;
    memory.reserve(static_cast<qsizetype>(records) * 128);
    for (int i = 0; i < records; ++i)
        memory += record;
    return memory;
}

void BM_RecordRead1440Reports(benchmark::State& state)
{
    FakeHidPlatform platform;
    MeterScenario scenario;
    scenario.memory = memoryOf(720);
    plugSimulatedMeter(platform, scenario);
    MeterConnection meter(&platform);
    waitConnected(meter);
    CountingProgress progress;
    for (auto _ : state) {
        const auto transfer = meter.readRecords(1, 720, &progress);
        if (transfer.value.records != 720)
            state.SkipWithError(("not every record arrived: " + std::to_string(transfer.value.records) + " (" +
                                 describe(transfer.result).toStdString() + ")").c_str());
    }
    state.counters["reports"] = 1441;
    state.counters["us_per_report"] =
        benchmark::Counter(1441, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RecordRead1440Reports)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DateArea12352Reports(benchmark::State& state)
{
    FakeHidPlatform platform;
    MeterScenario scenario;
    const int records = 193 * 1365;
    scenario.memory = memoryOf(records);
    plugSimulatedMeter(platform, scenario);
    MeterConnection meter(&platform);
    waitConnected(meter);
    if (meter.readRecordCount().value.count != records)
        state.SkipWithError("the meter did not count its records");
    CountingProgress progress;
    for (auto _ : state) {
        const auto list = meter.readDayList(&progress);
        // A full date area leaves its end marker unread: let it come before
        // the next round, so it does not end that round's read at once.
        state.PauseTiming();
        meter.delay(20);
        state.ResumeTiming();
        if (list.value.reportsReceived != 12352)
            state.SkipWithError(("not every page arrived: " + std::to_string(list.value.reportsReceived) + " (" +
                                 describe(list.result).toStdString() + ")").c_str());
    }
    state.counters["reports"] = 12353;
    state.counters["us_per_report"] =
        benchmark::Counter(12353, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DateArea12352Reports)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
