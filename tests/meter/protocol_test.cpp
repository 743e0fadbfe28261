#include "app/shell_state.h"
#include "meter/meter_connection.h"
#include "sim/memory_generator.h"
#include "sim/simulated_device.h"
#include "tests/meter/meter_test_support.h"

#include <QTimer>

#include <gtest/gtest.h>

using namespace sonavistor;
using namespace sonavistor::test;

namespace {

// Receives the live-reading message as the real-time window does.
class ShowReadCounter : public QObject {
public:
    int shown = 0;
    int level = 0;
    bool event(QEvent* e) override
    {
        if (e->type() != WM_SHOWREAD)
            return QObject::event(e);
        ++shown;
        level = MeterLink.LiveLevel;
        return true;
    }
};

class Protocol : public ::testing::Test {
protected:
    void SetUp() override
    {
        MeterLink = {};
        ShellState = {};
        meter = std::make_unique<MeterConnection>(&platform);
        settle();
    }
    void TearDown() override
    {
        meter.reset();
        ShellState = {};
    }
    void connect(const QString& path)
    {
        (void)path;
        ASSERT_TRUE(waitUntil([] { return MeterLink.Connected; }));
    }
    // The request pattern of the windows: command, Pending, write, attach, wait.
    void request(std::initializer_list<quint8> payload, quint32 kind)
    {
        int i = 1;
        for (quint8 b : payload)
            MeterLink.Command[static_cast<size_t>(i++)] = b;
        MeterLink.RequestKind = kind;
        MeterLink.Pending = true;
        meter->WritetoDevice();
        meter->attachSaveRead();
        meter->waitForReply();
    }
    void readRecords(quint32 first, quint32 last)
    {
        auto& c = MeterLink.Command;
        c[0] = 0;
        c[1] = ReadRecords;
        for (int b = 0; b < 4; ++b) {
            c[static_cast<size_t>(2 + b)] = static_cast<quint8>(first >> (24 - 8 * b));
            c[static_cast<size_t>(6 + b)] = static_cast<quint8>(last >> (24 - 8 * b));
        }
        meter->GetRec();
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

TEST_F(Protocol, LiveReadingsReachTheRealTimeWindowBeforePendingDrops)
{
    MeterScenario scenario;
    scenario.live = {{0x028C, 0x41}, {0x028C, 0x38}};
    plugScenario(scenario);
    ShowReadCounter window;
    ShellState.MeasureWindowHandle = &window;
    request({ReadLevel}, KindLive);
    EXPECT_EQ(MeterLink.LiveLevel, 652);
    EXPECT_EQ(MeterLink.LiveStatus, 0x41);
    EXPECT_EQ(window.shown, 1);
    EXPECT_EQ(window.level, 652);
    request({ReadLevel}, KindLive);
    EXPECT_EQ(MeterLink.LiveStatus, 0x38);
    EXPECT_FALSE(MeterLink.Pending);
    ShellState.MeasureWindowHandle = nullptr;
    request({ReadLevel}, KindLive);  // no window: nothing is sent, the wait still ends
    EXPECT_EQ(window.shown, 2);
}

TEST_F(Protocol, RecordCountWithAndWithoutItsMark)
{
    const QString path = platform.plug(meterSetup(std::make_shared<FixedAnswers>(
        std::vector<QByteArray>{QByteArray::fromHex("ef00000555")})));
    connect(path);
    request({ReadCount}, KindCount);
    EXPECT_EQ(MeterLink.RecordCount, 1365);
    EXPECT_EQ(MeterLink.Reply[0], 0xEF);
}

TEST_F(Protocol, ShortAndLongRepliesAreTakenAsFarAsTheyGo)
{
    const QString path = platform.plug(meterSetup(std::make_shared<FixedAnswers>(
        std::vector<QByteArray>{QByteArray::fromHex("0301")})));
    connect(path);
    MeterLink.Reply.fill(7);
    request({ReadLevel}, KindLive);
    EXPECT_EQ(MeterLink.LiveLevel, 0x0301);
    EXPECT_EQ(MeterLink.Reply[2], 7);  // only the bytes that came are taken
}

TEST_F(Protocol, DateIndexOfOneAndTwoBlocks)
{
    MeterScenario scenario;
    scenario.memory = datedRecords({{"2024-05-17", 1365}});
    plugScenario(scenario);
    request({ReadCount}, KindCount);
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
    request({ReadCount}, KindCount);
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
    request({ReadCount}, KindCount);
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
    request({ReadCount}, KindCount);
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
    readRecords(1, 10);
    EXPECT_EQ(MeterLink.PageIndex, 0);
    EXPECT_EQ(MeterLink.EndPending, 0);
}

TEST_F(Protocol, RecordReadFillsTheImageFromItsStart)
{
    MeterScenario scenario;
    scenario.memory = datedRecords({{"2024-05-17", 5}, {"2024-05-18", 3}});
    plugScenario(scenario);
    readRecords(6, 8);
    EXPECT_EQ(MeterLink.PageIndex, 6);
    for (int i = 0; i < 3 * 128; ++i)
        ASSERT_EQ(MemoryImage[i], static_cast<quint8>(scenario.memory[5 * 128 + i])) << i;
    const QByteArray& sent = platform.written(MeterLink.Device->PnPInfo().DevicePath()).last();
    EXPECT_EQ(sent.size(), 65);
    EXPECT_EQ(sent.mid(0, 10).toHex(), "00c40000000600000008");
}

TEST_F(Protocol, UnplugDuringABulkReadEndsItAndKeepsWhatCame)
{
    MeterScenario scenario;
    scenario.memory = datedRecords({{"2024-05-17", 100}});
    scenario.unplugAfterReports = 21;
    plugScenario(scenario);
    readRecords(1, 100);
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
    QTimer::singleShot(50, [&] {
        platform.plug(keyboardSetup());
        plugged = true;
    });
    request({ReadCount}, KindCount);  // still answered: a fresh object reads on
    EXPECT_TRUE(plugged);
    ASSERT_TRUE(waitUntil([this] { return meter->DeviceList().size() == 2; }));
    EXPECT_TRUE(MeterLink.Connected);
}

TEST_F(Protocol, AWriteThatFailsKeepsPendingUntilTheMeterGoes)
{
    FakeDeviceSetup setup = meterSetup();
    setup.failWrites = true;
    const QString path = platform.plug(setup);
    connect(path);
    QTimer::singleShot(100, [&] { platform.unplug(path); });
    request({ReadLevel}, KindLive);
    EXPECT_TRUE(MeterLink.Pending);
    EXPECT_FALSE(MeterLink.Connected);
    EXPECT_EQ(meter->lastErrorCaption(), "WRITE USB ERROR!");
    EXPECT_EQ(meter->lastErrorText(), "write usb error");
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
    TForm1 form({folder.path(), "sonavistor", locks.path(), &messages, nullptr, &platform});
    form.show();
    auto* bar = form.findChild<PanelStatusBar*>("StatusBar1");
    form.Timer1Timer();
    EXPECT_EQ(bar->panelText(1), "Disconnect!");
    const QString path = platform.plug(meterSetup());
    ASSERT_TRUE(waitUntil([] { return MeterLink.Connected; }));
    form.Timer1Timer();
    EXPECT_EQ(bar->panelText(1), "Connect OK!");
    platform.unplug(path);
    ASSERT_TRUE(waitUntil([] { return !MeterLink.Connected; }));
    form.Timer1Timer();
    EXPECT_EQ(bar->panelText(1), "Disconnect!");
    messages.answer(Yes);
    form.close();
}
