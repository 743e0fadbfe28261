#include "meter/hid_device_controller.h"
#include "tests/meter/meter_test_support.h"

#include <gtest/gtest.h>

using namespace sonavistor;
using namespace sonavistor::test;

namespace {

struct Events {
    int changes = 0;
    int arrivals = 0;
    int removals = 0;
    int offered = 0;
};

void watch(THidDeviceController& c, Events& e)
{
    c.OnDeviceChange = [&e] { ++e.changes; };
    c.OnArrival = [&e](THidDevice*) { ++e.arrivals; };
    c.OnRemoval = [&e](THidDevice*) { ++e.removals; };
    c.OnEnumerate = [&e](THidDevice*, int) { ++e.offered; return true; };
}

}  // namespace

TEST(HidController, FirstScanWithNoDeviceRunsOnceTheEventLoopRuns)
{
    FakeHidPlatform platform;
    THidDeviceController controller(&platform);
    Events e;
    watch(controller, e);
    EXPECT_EQ(controller.scans(), 0);  // not yet: it is posted
    settle();
    EXPECT_EQ(controller.scans(), 1);
    EXPECT_EQ(e.changes, 1);
    controller.OfferDevices();
    EXPECT_EQ(e.offered, 0);
}

TEST(HidController, WithoutAPlatformNothingIsEverScanned)
{
    THidDeviceController controller(nullptr);
    Events e;
    watch(controller, e);
    settle();
    EXPECT_EQ(controller.scans(), 0);
    EXPECT_EQ(e.changes, 0);
}

TEST(HidController, PlugsUnplugsAndRepeatedBroadcasts)
{
    FakeHidPlatform platform;
    THidDeviceController controller(&platform);
    Events e;
    watch(controller, e);
    settle();
    const QString keyboard = platform.plug(keyboardSetup());
    settle();
    EXPECT_EQ(e.arrivals, 1);
    EXPECT_EQ(e.changes, 2);
    EXPECT_EQ(controller.count(), 1);
    platform.broadcast();
    platform.broadcast();
    settle();
    EXPECT_EQ(e.changes, 2);  // nothing changed: no further notification
    EXPECT_GE(controller.scans(), 4);
    platform.unplug(keyboard);
    settle();
    EXPECT_EQ(e.removals, 1);
    EXPECT_EQ(e.changes, 3);
    EXPECT_EQ(controller.count(), 0);
}

TEST(HidController, InterfacesThatCannotBeOpenedOrIdentifiedAreLeftOut)
{
    FakeHidPlatform platform;
    THidDeviceController controller(&platform);
    settle();
    platform.plug(keyboardSetup(FakeDeviceSetup::Access::None));
    FakeDeviceSetup anonymous = keyboardSetup();
    anonymous.attributesReadable = false;
    platform.plug(anonymous);
    platform.plug(keyboardSetup());
    settle();
    EXPECT_EQ(controller.count(), 1);
}

TEST(HidController, QueryOnlyDevicesAreClaimableButNeverRead)
{
    FakeHidPlatform platform;
    THidDeviceController controller(&platform);
    settle();
    platform.plug(keyboardSetup());
    settle();
    THidDevice* device = controller.ClaimByIndex(0);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(controller.ClaimByIndex(0), nullptr);  // claimed once only
    EXPECT_FALSE(device->ReadWriteAccess());
    device->setReportHandler([](THidDevice*, quint8, const quint8*, int) {});
    EXPECT_FALSE(device->isReading());
    const quint8 report[2] = {0, 1};
    EXPECT_FALSE(device->WriteReport(report, 2));
    EXPECT_EQ(device->Caps().InputReportByteLength, 9);
}

TEST(HidController, ReportsArriveInOrderOnTheUserInterfaceThread)
{
    FakeHidPlatform platform;
    THidDeviceController controller(&platform);
    settle();
    const QString path = platform.plug(meterSetup());
    settle();
    THidDevice* device = controller.ClaimByIndex(0);
    ASSERT_NE(device, nullptr);
    std::vector<int> seen;
    bool onUiThread = true;
    device->setReportHandler([&](THidDevice*, quint8 id, const quint8* data, int size) {
        onUiThread = onUiThread && QThread::currentThread() == QCoreApplication::instance()->thread();
        EXPECT_EQ(id, 0);
        EXPECT_EQ(size, 64);
        seen.push_back(data[0]);
    });
    EXPECT_TRUE(device->isReading());
    for (int i = 1; i <= 5; ++i)
        platform.pushInput(path, QByteArray(1, static_cast<char>(i)) + QByteArray(63, '\0'));
    ASSERT_TRUE(waitUntil([&] { return seen.size() == 5; }));
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(onUiThread);
    device->StopReading();
    EXPECT_FALSE(device->isReading());
}

TEST(HidController, UnplugWhileTheThreadWaitsEndsItWithoutAReport)
{
    FakeHidPlatform platform;
    THidDeviceController controller(&platform);
    Events e;
    watch(controller, e);
    settle();
    const QString path = platform.plug(meterSetup());
    settle();
    THidDevice* device = controller.ClaimByIndex(0);
    int reports = 0;
    int unplugs = 0;
    device->UnplugHandler = [&](THidDevice*) { ++unplugs; };
    device->setReportHandler([&](THidDevice*, quint8, const quint8*, int) { ++reports; });
    ASSERT_TRUE(device->isReading());
    platform.unplug(path);
    ASSERT_TRUE(waitUntil([&] { return !device->Plugged(); }));
    EXPECT_FALSE(device->isReading());
    EXPECT_EQ(unplugs, 1);
    EXPECT_EQ(reports, 0);
    EXPECT_EQ(e.removals, 1);
    EXPECT_EQ(controller.count(), 1);  // claimed: stays until released
    controller.ReleaseDevice(device);
    EXPECT_EQ(controller.count(), 0);
}

TEST(HidController, ReleasedDeviceIsReplacedByAFreshObject)
{
    FakeHidPlatform platform;
    THidDeviceController controller(&platform);
    settle();
    platform.plug(meterSetup());
    settle();
    THidDevice* device = controller.ClaimByIndex(0);
    device->setPollInterval(250);
    device->setPollInterval(5);  // refused: too short
    device->setReportHandler([](THidDevice*, quint8, const quint8*, int) {});
    controller.ReleaseDevice(device);
    ASSERT_EQ(controller.count(), 1);
    THidDevice* fresh = controller.device(0);
    EXPECT_FALSE(fresh->Claimed());
    EXPECT_EQ(fresh->PollInterval(), 250);
    EXPECT_TRUE(fresh->ReportHandler() != nullptr);
    EXPECT_FALSE(fresh->isReading());
    EXPECT_EQ(controller.ClaimByIndex(0), fresh);
    EXPECT_TRUE(fresh->isReading());  // claimed with a handler: it reads
}
