// The logger against the simulated meter in this process, on a clock of the
// test's own: a tick is a second of that clock and a few milliseconds of ours.
#include "analysis/saved_file.h"
#include "logging/meter_logger.h"
#include "meter/fake_hid_platform.h"
#include "sim/simulated_device.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sonavistor;

namespace {

bool waitUntil(const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

QStringList times(const QString& path)
{
    SavedFileReader reader(path);
    EXPECT_TRUE(reader.isSavedFile()) << path.toStdString();
    QStringList list;
    SavedReading reading;
    while (reader.next(reading))
        list << QString::fromLatin1(reading.line.mid(11, 8).trimmed());
    EXPECT_EQ(reader.announced(), list.size());
    return list;
}

class MeterLoggerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MeterLink = {};
        meter = std::make_unique<MeterConnection>(&platform);
        scenario.live = {{653, 0x41}, {700, 0x51}};  // A, then C
        path = plugSimulatedMeter(platform, scenario);
        ASSERT_TRUE(waitUntil([] { return MeterLink.Connected; }));
        log = std::make_unique<LevelLog>(dir.path());
        log->open();
    }
    void TearDown() override
    {
        log.reset();
        meter.reset();
    }
    // Runs the logger for `ticks` ticks; before each tick after the first, step(tick) may act.
    void run(int ticks, const std::function<void(int)>& step = {})
    {
        MeterLoggerOptions options;
        options.intervalMs = 5;
        options.answerTimeoutMs = 100;
        MeterLogger logger(*meter, *log, [this] { return now; }, options);
        logger.onMessage = [this](const QString& m) { messages << m; };
        logger.meterTakenByProgram = [this] { return programRuns; };
        int tick = 0;
        logger.afterTick = [&] {
            now = now.addSecs(1);
            if (++tick == ticks)
                logger.stop();
            else if (step)
                step(tick);
        };
        logger.run();
        readings += logger.readings();
    }
    QString file(const char* day) const { return dir.filePath(QString::fromLatin1(day) + ".qrv"); }

    QTemporaryDir dir;
    FakeHidPlatform platform;
    MeterScenario scenario;
    QString path;
    std::unique_ptr<MeterConnection> meter;
    std::unique_ptr<LevelLog> log;
    QDateTime now = QDateTime(QDate(2026, 12, 1), QTime(23, 59, 58));
    bool programRuns = false;
    QStringList messages;
    qint64 readings = 0;
};

}  // namespace

TEST_F(MeterLoggerTest, MidnightStartsANewFileAndAClockSetBackReopensTheDayBefore)
{
    // 23:59:58, 23:59:59, 0:00:00, then the clock goes back an hour: 23:00:01, 23:00:02.
    run(5, [this](int tick) {
        if (tick == 3)
            now = now.addSecs(-3600);
    });
    EXPECT_EQ(readings, 5);
    EXPECT_EQ(times(file("2026-12-01")), QStringList({"23:59:58", "23:59:59", "23:0:1", "23:0:2"}));
    EXPECT_EQ(times(file("2026-12-02")), QStringList({"0:0:0"}));
    SavedFileReader reader(file("2026-12-02"));
    SavedReading reading;
    ASSERT_TRUE(reader.next(reading));
    EXPECT_EQ(reading.line, "2026/12/2 ,0:0:0   ,65.3  ,A");  // what the live window writes
    EXPECT_EQ(QFileInfo(dir.filePath(kJournalFileName)).size(), 0);  // all in the day files
}

TEST_F(MeterLoggerTest, UnpluggedSilentOrTakenMeterMakesGapsNotReadings)
{
    // Ticks 1-2 read; unplugged for ticks 3-4; back for 5-6; Sonavistor has it for 7; 8 reads.
    run(8, [this](int tick) {
        if (tick == 2) {
            platform.unplug(path);
            ASSERT_TRUE(waitUntil([] { return !MeterLink.Connected; }));
        } else if (tick == 4) {
            path = plugSimulatedMeter(platform, scenario);
            ASSERT_TRUE(waitUntil([] { return MeterLink.Connected; }));
        }
        programRuns = tick == 6;
    });
    EXPECT_EQ(times(file("2026-12-01")), QStringList({"23:59:58", "23:59:59"}));
    EXPECT_EQ(times(file("2026-12-02")), QStringList({"0:0:2", "0:0:3", "0:0:5"}));
    const QString said = messages.join('\n');
    EXPECT_TRUE(said.contains("no reading at 2026/12/2 0:0:0: no meter is connected")) << said.toStdString();
    EXPECT_TRUE(said.contains("readings again from 2026/12/2 0:0:2, 3 s after the last one")) << said.toStdString();
    EXPECT_TRUE(said.contains("Sonavistor runs and has the meter")) << said.toStdString();

    // A meter that stays plugged in but answers nothing is a gap too, and the logger goes on.
    platform.unplug(path);
    scenario.silentAfterReports = 1;
    path = plugSimulatedMeter(platform, scenario);
    ASSERT_TRUE(waitUntil([] { return MeterLink.Connected; }));
    messages.clear();
    run(3);
    EXPECT_EQ(times(file("2026-12-02")).size(), 4);
    EXPECT_TRUE(messages.join('\n').contains("the meter does not answer")) << messages.join('\n').toStdString();
}
