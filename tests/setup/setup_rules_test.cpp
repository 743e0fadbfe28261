#include "common/error.h"
#include "setup/alarm_level.h"
#include "setup/apply_settings.h"
#include "setup/meter_clock.h"
#include "setup/os_version.h"

#include <QTimeZone>

#include <gtest/gtest.h>

using namespace sonavistor;

TEST(AlarmLevels, ShowInTheirShortestFormAndReadAsTyped)
{
    EXPECT_EQ(alarmLevelText(30), "30");
    EXPECT_EQ(alarmLevelText(35.5), "35.5");
    EXPECT_EQ(alarmLevelText(85.3), "85.3");
    EXPECT_DOUBLE_EQ(alarmLevelValue("135.5"), 135.5);
    EXPECT_DOUBLE_EQ(alarmLevelValue("-5"), -5.0);  // not limited
    EXPECT_DOUBLE_EQ(alarmLevelValue(" 42 "), 42.0);
    for (const char* bad : {"abc", "", "1e309", "inf", "12,5"}) {
        try {
            alarmLevelValue(QString::fromLatin1(bad));
            ADD_FAILURE() << bad << " was taken for a number";
        } catch (const Error& e) {
            EXPECT_EQ(e.message(), QStringLiteral("'%1' is not a valid floating point value").arg(bad));
        }
    }
}

TEST(AlarmLevels, SpinnerStepsWithinItsRangeFromTheEditsNumber)
{
    EXPECT_EQ(spinnerStep("30", 30, 1, 30, 135), 31);
    EXPECT_EQ(spinnerStep("135", 130, 1, 30, 135), 135);
    EXPECT_EQ(spinnerStep("30", 30, -1, 30, 135), 30);
    EXPECT_EQ(spinnerStep("80", 30, -1, 30, 135), 79);   // typed meanwhile
    EXPECT_EQ(spinnerStep("abc", 64, 1, 30, 135), 65);   // not a number: its own position
    EXPECT_EQ(spinnerStep("500", 64, 1, 30, 135), 65);
}

TEST(ApplySettings, RunsInOrderAndABadLevelKeepsBothOldLevels)
{
    MeterSettingsData settings;
    settings.SystemLal = 40;
    settings.SystemHal = 90;
    QStringList order;
    SetupChoices choices{QStringLiteral("Acme"), true, true, true, QStringLiteral("45.5"), QStringLiteral("abc")};
    EXPECT_THROW(applySetupChoices(choices, settings, [&] {
        order << (settings.CompanyName == "Acme" ? "clock after name" : "clock first");
    }), Error);
    EXPECT_EQ(order, QStringList{"clock after name"});
    EXPECT_EQ(settings.CompanyName, "Acme");
    EXPECT_TRUE(settings.AlarmOn);
    EXPECT_DOUBLE_EQ(settings.SystemLal, 40);
    EXPECT_DOUBLE_EQ(settings.SystemHal, 90);

    // Unticked clock, page never shown: neither the clock nor the levels.
    choices = {QStringLiteral("B"), false, false, false, QStringLiteral("abc"), QStringLiteral("abc")};
    applySetupChoices(choices, settings, [&] { order << "clock"; });
    EXPECT_EQ(order.size(), 1);
    EXPECT_FALSE(settings.AlarmOn);
    EXPECT_DOUBLE_EQ(settings.SystemLal, 40);

    choices.levelsPageShown = true;
    choices.lowLevelText = "35.5";
    choices.highLevelText = "135.5";
    applySetupChoices(choices, settings, {});
    EXPECT_DOUBLE_EQ(settings.SystemLal, 35.5);
    EXPECT_DOUBLE_EQ(settings.SystemHal, 135.5);
}

TEST(ApplySettings, BusyMarkerGoesIdleOnlyWhenNobodyHoldsIt)
{
    EXPECT_EQ(busyAfterApply(0), 0);
    EXPECT_EQ(busyAfterApply(10), 10);
    EXPECT_EQ(busyAfterApply(30), 30);
    EXPECT_EQ(busyAfterApply(80), 0);
}

TEST(MeterClock, AddsEightHoursAndRollsTheCalendarOver)
{
    const auto bytes = [](const QDateTime& utc) { return setClockBytes(meterClockTime(utc)); };
    using B = std::array<quint8, 6>;
    // The turn of the year and a plain day: as the simulated meter sees them (setup window tests).
    EXPECT_EQ(bytes(QDateTime(QDate(2028, 2, 28), QTime(23, 59, 59), Qt::UTC)), (B{0x59, 0x59, 0x07, 0x29, 0x02, 0x28}));
    // A local clock reading counts by its UTC time.
    const QDateTime offset(QDate(2026, 8, 7), QTime(5, 4, 5), QTimeZone(2 * 3600));
    EXPECT_EQ(bytes(offset), (B{0x05, 0x04, 0x11, 0x07, 0x08, 0x26}));
}

TEST(OperatingSystemLine, FollowsThePatternOfFamilyVersionAndRelease)
{
    EXPECT_EQ(operatingSystemLine({"Windows NT", 6, ""}), "Windows NT 6 (  )");
    EXPECT_EQ(operatingSystemLine({"Linux", 6, "Debian GNU/Linux 12 (bookworm)"}),
              "Linux 6 ( Debian GNU/Linux 12 (bookworm) )");
    EXPECT_EQ(operatingSystemLine({"Linux", 6, QString(200, 'x')}).size(), QString("Linux 6 (  )").size() + 128);
    EXPECT_EQ(prettyNameFromOsRelease("NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
              "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(prettyNameFromOsRelease("PRETTY_NAME='It\\'s'\n"), "It's");
    EXPECT_EQ(prettyNameFromOsRelease("NAME=x\n"), "");
    EXPECT_EQ(kernelMajor("6.1.0-18-amd64"), 6);
    EXPECT_EQ(kernelMajor("unknown"), std::nullopt);
}
