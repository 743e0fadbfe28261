#include "meter/hid_platform_hidraw.h"
#include "meter/meter_connection.h"
#include "meter/report_descriptor.h"
#include "tests/meter/meter_test_support.h"

#include <QDir>

#include <iostream>

#include <gtest/gtest.h>

using namespace sonavistor;
using namespace sonavistor::test;

TEST(ReportDescriptor, VendorDeviceWithUnnumbered64ByteReports)
{
    // Usage page (vendor), usage, collection, 64 x 8-bit input and output.
    const QByteArray meter = QByteArray::fromHex(
        "0600ff0901a101"
        "150026ff007508"
        "954009018102"
        "954009029102"
        "c0");
    const ReportLayout layout = parseReportDescriptor(meter);
    EXPECT_FALSE(layout.numbered);
    EXPECT_EQ(layout.caps.InputReportByteLength, 65);
    EXPECT_EQ(layout.caps.OutputReportByteLength, 65);
}

TEST(ReportDescriptor, NumberedReportsTakeTheLongestOfEachKind)
{
    const QByteArray mixed = QByteArray::fromHex(
        "0600ff0901a101"
        "8501750895048102"   // report 1: 4 input bytes
        "8502750895108102"   // report 2: 16 input bytes
        "8503750195049102"   // report 3: 4 output bits
        "c0");
    const ReportLayout layout = parseReportDescriptor(mixed);
    EXPECT_TRUE(layout.numbered);
    EXPECT_EQ(layout.caps.InputReportByteLength, 17);
    EXPECT_EQ(layout.caps.OutputReportByteLength, 2);
    EXPECT_EQ(parseReportDescriptor(QByteArray()).caps.InputReportByteLength, 0);
}

TEST(HidrawPlatform, StartsAndScansWithoutAnyHidrawDevice)
{
    HidrawPlatform platform;
    std::cout << "[ INFO     ] monitor source: " << platform.monitorSource() << "\n";
    const QList<HidInterfaceInfo> interfaces = platform.enumerate();
    if (!QDir("/dev").entryList({"hidraw*"}, QDir::System).isEmpty())
        GTEST_SKIP() << "this machine has hidraw devices; the empty case cannot be checked";
    EXPECT_TRUE(interfaces.isEmpty());
    EXPECT_EQ(platform.open({"/dev/hidraw0", "/dev/hidraw0"}, true), nullptr);

    MeterLink = {};
    MeterConnection meter(&platform);
    settle(150);
    EXPECT_EQ(meter.HidCtl().scans(), 1);
    EXPECT_FALSE(MeterLink.Connected);
}
