#include "common/meter_settings.h"
#include "tests/support/program_folder_fixture.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace sonavistor;
using sonavistor::test::ProgramFolder;

namespace {

MeterSettingsData readFrom(const ProgramFolder& folder, const QByteArray& text)
{
    folder.write("Quorvane.INI", text);
    return readMeterSettings(folder.file("Quorvane.INI"));
}

QByteArray section(const QByteArray& lines)
{
    return "[Calyxor OPTIONS]\r\n" + lines;
}

}  // namespace

TEST(SettingsDefaults, MissingFileGivesEveryDefault)
{
    ProgramFolder folder;
    const MeterSettingsData s = readMeterSettings(folder.file("Quorvane.INI"));
    EXPECT_EQ(s.CompanyName, "");
    EXPECT_EQ(s.SerialPort, "COM1");
    EXPECT_EQ(s.MachineMode, 4);
    EXPECT_EQ(s.MeasureMode, 0);
    EXPECT_EQ(s.HalValue, 365);
    EXPECT_EQ(s.LalValue, 300);
    EXPECT_EQ(s.Ems, 95);
    EXPECT_EQ(s.SamplePeriod, 5);
    EXPECT_TRUE(s.UnitCf);
    EXPECT_DOUBLE_EQ(s.SystemLal, 30.0);
    EXPECT_DOUBLE_EQ(s.SystemHal, 30.0);
    EXPECT_TRUE(s.AlarmOn);
}

TEST(SettingsDefaults, GarbageValuesReadAsDefaults)
{
    ProgramFolder folder;
    const auto s = readFrom(folder, section("MACHINE_MODE=abc\r\nEMS=12x\r\nSAMPLE_PERIOD=\r\n"
                                            "HAL_VALUE=99999999999\r\nALARMONOFF=on\r\n"));
    EXPECT_EQ(s.MachineMode, 4);
    EXPECT_EQ(s.Ems, 95);
    EXPECT_EQ(s.SamplePeriod, 5);
    EXPECT_EQ(s.HalValue, 365);
    EXPECT_TRUE(s.AlarmOn);
}

TEST(SettingsRules, ValuesOutsideTheirRangeAreReplaced)
{
    ProgramFolder folder;
    auto s = readFrom(folder, section("MACHINE_MODE=5\r\nMEASURE_MODE=9\r\nSAMPLE_PERIOD=20000\r\n"
                                      "HAL_VALUE=65535\r\nLAL_VALUE=65281\r\nUNIT_CF=2\r\n"
                                      "ALARMONOFF=0\r\nSYSTEMLAL=250\r\nSYSTEMHAL=853\r\n"));
    EXPECT_EQ(s.MachineMode, 0);
    EXPECT_EQ(s.MeasureMode, 7);
    EXPECT_EQ(s.SamplePeriod, 9999);
    EXPECT_EQ(s.HalValue, 0);
    EXPECT_EQ(s.LalValue, -254);
    EXPECT_FALSE(s.UnitCf);
    EXPECT_FALSE(s.AlarmOn);
    EXPECT_DOUBLE_EQ(s.SystemLal, 30.0);
    EXPECT_DOUBLE_EQ(s.SystemHal, 85.3);

    s = readFrom(folder, section("HAL_VALUE=65280\r\nLAL_VALUE=200000\r\nMACHINE_MODE=65539\r\nMEASURE_MODE=-3\r\n"));
    EXPECT_EQ(s.HalValue, 65280);
    EXPECT_EQ(s.LalValue, 200000);  // no 16-bit value: kept, so it stays the same run after run
    EXPECT_EQ(s.MachineMode, 3);   // low 16 bits of 65,539
    EXPECT_EQ(s.MeasureMode, -3);  // negative values pass the "above 7" rule
}

TEST(SettingsRules, LfLineEndsReadLikeCrLf)
{
    ProgramFolder folder;
    const auto s = readFrom(folder, "[Calyxor OPTIONS]\nCOMPANY_NAME=Acme Acoustics\nSYSTEMHAL=900\n");
    EXPECT_EQ(s.CompanyName, "Acme Acoustics");
    EXPECT_DOUBLE_EQ(s.SystemHal, 90.0);
}

TEST(SettingsWrite, MissingFileIsCreatedWithTheTwelveKeysInOrder)
{
    ProgramFolder folder;
    const MeterSettingsData s = readMeterSettings(folder.file("Quorvane.INI"));
    QString error;
    ASSERT_TRUE(writeMeterSettings(folder.file("Quorvane.INI"), s, &error)) << error.toStdString();
    const QByteArray text = folder.read("Quorvane.INI");
    const QList<QByteArray> keys = {"COMPANY_NAME=", "SEARIAL_PORT=COM1", "MACHINE_MODE=4",
                                    "MEASURE_MODE=0", "HAL_VALUE=365", "LAL_VALUE=300",
                                    "SYSTEMLAL=300", "SYSTEMHAL=300", "UNIT_CF=1",
                                    "ALARMONOFF=1", "EMS=95", "SAMPLE_PERIOD=5"};
    qsizetype at = text.indexOf("[Calyxor OPTIONS]");
    ASSERT_GE(at, 0);
    for (const QByteArray& key : keys) {
        const qsizetype next = text.indexOf(key, at);
        EXPECT_GT(next, at) << key.constData() << " missing or out of order in\n" << text.constData();
        at = next;
    }
}

TEST(SettingsWrite, ValuesSurviveAnyNumberOfRuns)
{
    ProgramFolder folder;
    folder.write("Quorvane.INI", section("SYSTEMHAL=853\r\nSYSTEMLAL=250\r\nHAL_VALUE=65535\r\nUNIT_CF=2\r\n"));
    for (int run = 0; run < 3; ++run) {
        const auto s = readMeterSettings(folder.file("Quorvane.INI"));
        ASSERT_TRUE(writeMeterSettings(folder.file("Quorvane.INI"), s, nullptr));
    }
    const QByteArray text = folder.read("Quorvane.INI");
    EXPECT_TRUE(text.contains("SYSTEMHAL=853\r\n")) << text.constData();
    EXPECT_TRUE(text.contains("SYSTEMLAL=300\r\n"));
    EXPECT_TRUE(text.contains("HAL_VALUE=0\r\n"));
    EXPECT_TRUE(text.contains("UNIT_CF=0\r\n"));
}

TEST(SettingsWrite, OtherSectionsKeysAndCommentsAreKept)
{
    ProgramFolder folder;
    folder.write("Quorvane.INI", "; written by hand\n[Printer]\nName=Office\n\n"
                                 "[Calyxor OPTIONS]\n; our alarm\nSYSTEMHAL=900\nEXTRA=keep me\n");
    auto s = readMeterSettings(folder.file("Quorvane.INI"));
    s.CompanyName = QStringLiteral("Müller Akustik");
    ASSERT_TRUE(writeMeterSettings(folder.file("Quorvane.INI"), s, nullptr));
    const QByteArray text = folder.read("Quorvane.INI");
    EXPECT_TRUE(text.contains("; written by hand")) << text.constData();
    EXPECT_TRUE(text.contains("[Printer]\nName=Office"));
    EXPECT_TRUE(text.contains("; our alarm\nSYSTEMHAL=900"));
    EXPECT_TRUE(text.contains("EXTRA=keep me"));
    EXPECT_FALSE(text.contains('\r'));  // the file's own line ends are kept
    EXPECT_EQ(readMeterSettings(folder.file("Quorvane.INI")).CompanyName, "Müller Akustik");
}

TEST(SettingsWrite, UnwritableLocationIsReported)
{
    // Root may write read-only files, so the failures are made of paths no
    // one can write: a folder that is gone, and a folder in the file's place.
    ProgramFolder folder;
    const MeterSettingsData s = readMeterSettings(folder.file("Quorvane.INI"));
    QString error;
    EXPECT_FALSE(writeMeterSettings(folder.file("gone/Quorvane.INI"), s, &error));
    EXPECT_FALSE(error.isEmpty());

    QDir(folder.path()).mkdir("Quorvane.INI");
    error.clear();
    EXPECT_FALSE(writeMeterSettings(folder.file("Quorvane.INI"), s, &error));
    EXPECT_FALSE(error.isEmpty());
}
