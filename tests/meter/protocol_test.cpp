#include "meter/meter_connection.h"
#include "sim/memory_generator.h"
#include "sim/simulated_device.h"
#include "tests/meter/meter_test_support.h"

#include <QTimer>

#include <gtest/gtest.h>

using namespace sonavistor;
using namespace sonavistor::test;

namespace {

class Protocol : public ::testing::Test {
protected:
    void SetUp() override
    {
        MeterLink = {};
        meter = std::make_unique<MeterConnection>(&platform);
        settle();
    }
    void TearDown() override { meter.reset(); }
    void connect(const QString& path)
    {
        (void)path;
        ASSERT_TRUE(waitUntil([] { return MeterLink.Connected; }));
    }
    QString plugScenario(const MeterScenario& scenario)
    {
        const QString path = plugSimulatedMeter(platform, scenario);
        connect(path);
        return path;
    }
    static QByteArray datedRecords(const std::vector<std::pair<QString, int>>& days)
    {
        // Every record of a day carries the same stamp, so a day never runs
        // over into the next however many records it has.
        QByteArray memory;
        for (const auto& [date, count] : days) {
            const QByteArray record = makeRecord(QDateTime::fromString(date + "T08:00:00", Qt::ISODate),
                                                 std::vector<int>(60, 650));
            for (int i = 0; i < count; ++i)
                memory += record;
        }
        return memory;
    }

    FakeHidPlatform platform;
    std::unique_ptr<MeterConnection> meter;
};

}  // namespace

TEST_F(Protocol, FindsTheMeterAmongOtherDevices)
{
    platform.plug(keyboardSetup());
    settle();
    EXPECT_FALSE(MeterLink.Connected);
    const QString path = platform.plug(meterSetup());
    connect(path);
    EXPECT_NE(MeterLink.Device, nullptr);
    EXPECT_EQ(meter->DeviceList().size(), 2u);
    platform.unplug(path);
    ASSERT_TRUE(waitUntil([] { return !MeterLink.Connected; }));
    EXPECT_EQ(MeterLink.Device, nullptr);
}

TEST_F(Protocol, LiveReadingsAreAnnouncedBeforePendingDrops)
{
    MeterScenario scenario;
    scenario.live = {{0x028C, 0x41}, {0x028C, 0x38}};
    plugScenario(scenario);
    std::vector<std::pair<int, bool>> seen;  // level, Pending while it was handled
    QObject::connect(meter.get(), &MeterConnection::liveReading, meter.get(),
                     [&seen](const LiveReading& reading) { seen.emplace_back(reading.level, MeterLink.Pending); },
                     Qt::DirectConnection);
    EXPECT_EQ(meter->readLevel(), RequestResult::Answered);
    EXPECT_EQ(MeterLink.LiveLevel, 652);
    EXPECT_EQ(MeterLink.LiveStatus, 0x41);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], std::make_pair(652, true));
    meter->readLevel();
    EXPECT_EQ(MeterLink.LiveStatus, 0x38);
    EXPECT_FALSE(MeterLink.Pending);
    EXPECT_EQ(seen.size(), 2u);
}

TEST_F(Protocol, RecordCountWithAndWithoutItsMark)
{
    const QString path = platform.plug(meterSetup(std::make_shared<FixedAnswers>(
        std::vector<QByteArray>{QByteArray::fromHex("ef00000555")})));
    connect(path);
    meter->readRecordCount();
    EXPECT_EQ(MeterLink.RecordCount, 1365);
    EXPECT_EQ(MeterLink.Reply[0], 0xEF);
}

TEST_F(Protocol, ShortAndLongRepliesAreTakenAsFarAsTheyGo)
{
    const QString path = platform.plug(meterSetup(std::make_shared<FixedAnswers>(
        std::vector<QByteArray>{QByteArray::fromHex("0301")})));
    connect(path);
    MeterLink.Reply.fill(7);
    meter->readLevel();
    EXPECT_EQ(MeterLink.LiveLevel, 0x0301);
    EXPECT_EQ(MeterLink.Reply[2], 7);  // only the bytes that came are taken
}

TEST_F(Protocol, DateIndexOfOneAndTwoBlocks)
{
    MeterScenario scenario;
    scenario.memory = datedRecords({{"2024-05-17", 1365}});
    plugScenario(scenario);
    meter->readRecordCount();
    ASSERT_EQ(MeterLink.RecordCount, 1365);
    meter->GetDate();
    EXPECT_EQ(MeterLink.PageIndex, 64);  // one block, then the end marker
    EXPECT_EQ(DateIndex.DateCount, 1);
    EXPECT_EQ(DateIndex.Dates[0], 0x240517);

    MeterScenario two;
    two.memory = datedRecords({{"2024-05-17", 1365}, {"2024-05-18", 1}});
    platform.unplug(MeterLink.Device->PnPInfo().DevicePath());
    ASSERT_TRUE(waitUntil([] { return !MeterLink.Connected; }));
    plugScenario(two);
    meter->readRecordCount();
    meter->GetDate();
    EXPECT_EQ(MeterLink.PageIndex, 128);
    ASSERT_EQ(DateIndex.DateCount, 2);
    EXPECT_EQ(DateIndex.Dates[1], 0x240518);
    EXPECT_EQ(DateIndex.FirstRecord[1], 1366);  // its entry starts at byte 4,096
    EXPECT_EQ(dateIndexText(DateIndex.Dates[1]), "2024/05/18");
}

TEST_F(Protocol, RepeatedDatesAndADateThatComesBack)
{
    MeterScenario scenario;
    scenario.memory = datedRecords({{"2024-05-17", 3}, {"2024-05-18", 2}, {"2024-05-17", 1}});
    plugScenario(scenario);
    meter->readRecordCount();
    meter->GetDate();
    ASSERT_EQ(DateIndex.DateCount, 3);
    EXPECT_EQ(DateIndex.Dates[0], 0x240517);
    EXPECT_EQ(DateIndex.Dates[1], 0x240518);
    EXPECT_EQ(DateIndex.Dates[2], 0x240517);
    EXPECT_EQ(DateIndex.FirstRecord[0], 1);
    EXPECT_EQ(DateIndex.FirstRecord[1], 4);
    EXPECT_EQ(DateIndex.FirstRecord[2], 6);
}

TEST_F(Protocol, MoreThan255RecordingDaysAreAllIndexed)
{
    std::vector<std::pair<QString, int>> days;
    const QDate start(2023, 1, 1);
    for (int d = 0; d < 300; ++d)
        days.emplace_back(start.addDays(d).toString(Qt::ISODate), 1);
    MeterScenario scenario;
    scenario.memory = datedRecords(days);
    plugScenario(scenario);
    meter->readRecordCount();
    meter->GetDate();
    ASSERT_EQ(DateIndex.DateCount, 300);
    EXPECT_EQ(DateIndex.FirstRecord[299], 300);
}

TEST_F(Protocol, EndMarkerEndsTheDateAreaAndTheRecordRead)
{
    std::vector<QByteArray> answers(4, QByteArray(64, '\x24'));
    answers.push_back(QByteArray::fromHex("ffff"));
    const QString path = platform.plug(meterSetup(std::make_shared<FixedAnswers>(answers)));
    connect(path);
    MeterLink.RecordCount = 5;
    meter->GetDate();
    EXPECT_EQ(MeterLink.PageIndex, 4);
    EXPECT_EQ(MemoryImage[4 * 64], 0xFF);
    EXPECT_EQ(MemoryImage[4 * 64 + 1], 0xFF);

    platform.unplug(path);
    ASSERT_TRUE(waitUntil([] { return !MeterLink.Connected; }));
    connect(platform.plug(meterSetup(std::make_shared<FixedAnswers>(std::vector<QByteArray>{QByteArray::fromHex("ffff")}))));
    meter->readRecords(1, 10);
    EXPECT_EQ(MeterLink.PageIndex, 0);
    EXPECT_EQ(MeterLink.EndPending, 0);
}

TEST_F(Protocol, RecordReadFillsTheImageFromItsStart)
{
    MeterScenario scenario;
    scenario.memory = datedRecords({{"2024-05-17", 5}, {"2024-05-18", 3}});
    plugScenario(scenario);
    meter->readRecords(6, 8);
    EXPECT_EQ(MeterLink.PageIndex, 6);
    for (int i = 0; i < 3 * 128; ++i)
        ASSERT_EQ(MemoryImage[i], static_cast<quint8>(scenario.memory[5 * 128 + i])) << i;
    const QByteArray sent = platform.written(MeterLink.Device->PnPInfo().DevicePath()).last();
    EXPECT_EQ(sent.size(), 65);
    EXPECT_EQ(sent.mid(0, 10).toHex(), "00c40000000600000008");
}

TEST_F(Protocol, UnplugDuringABulkReadEndsItAndKeepsWhatCame)
{
    MeterScenario scenario;
    scenario.memory = datedRecords({{"2024-05-17", 100}});
    scenario.unplugAfterReports = 21;
    plugScenario(scenario);
    EXPECT_EQ(meter->readRecords(1, 100), RequestResult::MeterGone);
    EXPECT_FALSE(MeterLink.Connected);
    // The report in flight when the meter vanished may or may not have made it.
    EXPECT_GE(MeterLink.PageIndex, 20);
    EXPECT_LE(MeterLink.PageIndex, 21);
    EXPECT_EQ(MemoryImage[18 * 64 + 2], static_cast<quint8>(scenario.memory[9 * 128 + 2]));
}

TEST_F(Protocol, AnotherDeviceDuringAWaitKeepsTheMeterConnected)
{
    MeterScenario scenario;
    scenario.memory = datedRecords({{"2024-05-17", 2}});
    scenario.reportDelayMs = 200;
    plugScenario(scenario);
    MeterLink.RecordCount = 99;
    bool plugged = false;
    once(meter.get(), [] { return MeterLink.Pending; }, [&] {
        platform.plug(keyboardSetup());
        plugged = true;
    });
    meter->readRecordCount();  // still answered: a fresh object reads on
    EXPECT_TRUE(plugged);
    ASSERT_TRUE(waitUntil([this] { return meter->DeviceList().size() == 2; }));
    EXPECT_TRUE(MeterLink.Connected);
}

TEST_F(Protocol, AWriteThatFailsEndsTheRequestAtOnce)
{
    FakeDeviceSetup setup = meterSetup();
    setup.failWrites = true;
    connect(platform.plug(setup));
    EXPECT_EQ(meter->readLevel(), RequestResult::WriteFailed);
    EXPECT_EQ(meter->readRecordCount(), RequestResult::WriteFailed);
    EXPECT_EQ(meter->GetDate(), RequestResult::WriteFailed);
    EXPECT_EQ(meter->readRecords(1, 2), RequestResult::WriteFailed);
    EXPECT_EQ(meter->setClock({}), RequestResult::WriteFailed);
    EXPECT_FALSE(MeterLink.Pending);
    EXPECT_TRUE(MeterLink.Connected);
    EXPECT_EQ(meter->lastErrorCaption(), "WRITE USB ERROR!");
    EXPECT_EQ(meter->lastErrorText(), "write usb error");
}

TEST_F(Protocol, StopWaitingEndsTheWaitingRequestOnly)
{
    // A meter that never answers.
    connect(platform.plug(meterSetup(std::make_shared<FixedAnswers>(std::vector<QByteArray>{}))));
    once(meter.get(), [] { return MeterLink.Pending; }, [this] { meter->stopWaiting(); });
    EXPECT_EQ(meter->readRecordCount(), RequestResult::Stopped);
    EXPECT_FALSE(meter->requestInProgress());
    meter->stopWaiting();  // nothing waits: the next request is not affected
    once(meter.get(), [] { return MeterLink.Pending; }, [this] { meter->stopWaiting(); });
    EXPECT_EQ(meter->readLevel(), RequestResult::Stopped);
}

#include "app/main_window.h"
#include "app/panel_status_bar.h"
#include "tests/support/program_folder_fixture.h"
#include "tests/support/scripted_messages.h"

#include <QTemporaryDir>

TEST(MainWindowMeter, StatusBarSaysWhetherTheMeterIsThere)
{
    ProgramFolder folder;
    QTemporaryDir locks;
    ScriptedMessages messages;
    FakeHidPlatform platform;
    MainWindow form({folder.path(), "sonavistor", locks.path(), &messages, nullptr, &platform});
    form.show();
    auto* bar = form.findChild<PanelStatusBar*>("StatusBar1");
    form.everySecond();
    EXPECT_EQ(bar->panelText(1), "Disconnect!");
    const QString path = platform.plug(meterSetup());
    ASSERT_TRUE(waitUntil([] { return MeterLink.Connected; }));
    form.everySecond();
    EXPECT_EQ(bar->panelText(1), "Connect OK!");
    platform.unplug(path);
    ASSERT_TRUE(waitUntil([] { return !MeterLink.Connected; }));
    form.everySecond();
    EXPECT_EQ(bar->panelText(1), "Disconnect!");
    messages.answer(Yes);
    form.close();
}

TEST_F(Protocol, ASilentMeterEndsABulkReadInsteadOfHangingIt)
{
    meter->setSilenceLimitMs(200);
    MeterScenario scenario;
    scenario.memory = datedRecords({{"2024-05-17", 10}});
    scenario.endMarker = false;
    plugScenario(scenario);
    // Everything came, only the end marker did not: the reads are whole.
    meter->readRecordCount();
    EXPECT_EQ(meter->GetDate(), RequestResult::Answered);
    EXPECT_EQ(DateIndex.DateCount, 1);
    EXPECT_EQ(meter->readRecords(1, 10), RequestResult::Answered);
    EXPECT_EQ(MeterLink.PageIndex, 20);

    // Silent halfway: cut short, with what came kept and counted.
    platform.unplug(MeterLink.Device->PnPInfo().DevicePath());
    ASSERT_TRUE(waitUntil([] { return !MeterLink.Connected; }));
    scenario.silentAfterReports = 1 + 7;  // the count, then seven pages
    plugScenario(scenario);
    meter->readRecordCount();
    EXPECT_EQ(meter->readRecords(1, 10), RequestResult::NoAnswer);
    EXPECT_EQ(MeterLink.PageIndex, 7);
    EXPECT_FALSE(MeterLink.Pending);
    EXPECT_EQ(meter->GetDate(), RequestResult::NoAnswer);
    EXPECT_EQ(MeterLink.PageIndex, 0);
}

TEST_F(Protocol, ASingleReplyThatNeverComesEndsAfterTheSilenceLimit)
{
    meter->setSilenceLimitMs(100);
    connect(platform.plug(meterSetup(std::make_shared<FixedAnswers>(std::vector<QByteArray>{}))));
    EXPECT_EQ(meter->readRecordCount(), RequestResult::NoReply);
    EXPECT_EQ(meter->readLevel(), RequestResult::NoReply);
    EXPECT_EQ(meter->setClock({}), RequestResult::NoReply);
    EXPECT_FALSE(MeterLink.Pending);
    EXPECT_FALSE(meter->requestInProgress());
    EXPECT_EQ(describe(RequestResult::NoReply), "the meter did not answer");
}

TEST_F(Protocol, TheDateReadKeepsItsCountThroughADeviceChange)
{
    meter->setSilenceLimitMs(300);
    MeterScenario scenario;
    scenario.memory = datedRecords({{"2024-05-17", 1400}, {"2024-05-18", 10}});
    scenario.endMarker = false;
    const QString path = plugScenario(scenario);
    meter->readRecordCount();
    ASSERT_EQ(MeterLink.RecordCount, 1410);
    // Another device arrives once both blocks are in, while the read waits
    // for an end marker that never comes: the change clears the count.
    once(meter.get(), [&] { return platform.reportsDelivered(path) >= 1 + 128; },
         [this] { platform.plug(keyboardSetup()); });
    EXPECT_EQ(meter->GetDate(), RequestResult::Answered);
    EXPECT_EQ(meter->DeviceList().size(), 2u);
    EXPECT_EQ(MeterLink.RecordCount, 1410);
    EXPECT_EQ(DateIndex.DateCount, 2);
}

TEST_F(Protocol, AStoppedReadsLateReportsAreNotTheNextAnswer)
{
    MeterScenario scenario;
    scenario.memory = datedRecords({{"2024-05-17", 60}});
    scenario.reportDelayMs = 1;
    const QString path = plugScenario(scenario);
    once(meter.get(), [&] { return platform.reportsDelivered(path) >= 10; }, [this] { meter->stopWaiting(); });
    EXPECT_EQ(meter->readRecords(1, 60), RequestResult::Stopped);
    EXPECT_EQ(meter->readRecordCount(), RequestResult::Answered);
    EXPECT_EQ(MeterLink.Reply[0], kCountMark);
    EXPECT_EQ(MeterLink.RecordCount, 60);
}

TEST_F(Protocol, FFFFInsideARecordIsALevelNotTheEndMarker)
{
    std::vector<int> levels(60, 650);
    levels[28] = 0xFFFF;  // the first two bytes of the record's second half
    MeterScenario scenario;
    scenario.memory = makeRecord(QDateTime::fromString("2024-05-17T08:00:00", Qt::ISODate), levels);
    scenario.memory += scenario.memory;
    plugScenario(scenario);
    EXPECT_EQ(meter->readRecords(1, 2), RequestResult::Answered);
    EXPECT_EQ(MeterLink.PageIndex, 4);
    EXPECT_EQ(MemoryImage[64], 0xFF);
    EXPECT_EQ(MemoryImage[3 * 64 + 8], 0x8A);  // the second record's first level, 650 = 0x028A
}
