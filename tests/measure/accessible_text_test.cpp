#include "widgets/accessible_text.h"

#include <gtest/gtest.h>

using namespace sonavistor;

TEST(SpokenLevel, NamesWeightingAndLitIndicators)
{
    EXPECT_EQ(levelSpeech("62.8", "A", {.fast = true}), "62.8 dB, A weighting, FAST");
    EXPECT_EQ(levelSpeech("140.0", "C", {.over = true, .slow = true, .max = true}),
              "140.0 dB, C weighting, SLOW, MAX, OVER");
    EXPECT_EQ(rangeSpeech(30, 80), "Range 30 to 80 dB");
}

TEST(SpokenLevel, SummaryLeavesOutFiguresNotYetKnown)
{
    EXPECT_EQ(levelSummary("0.0", std::nullopt, std::nullopt, std::nullopt), "Level 0.0 dB");
    EXPECT_EQ(levelSummary("62.8", 70.05, 55, 61.24),
              "Level 62.8 dB, maximum 70.1 dB, minimum 55.0 dB, average 61.2 dB");
}

TEST(SpokenLevel, ChartDescriptionCollapsesTheFooterSpacing)
{
    const QStringList footer{"          MAX:     85.3                            MIN:     40.0", "", "   Date:   1/2/26"};
    EXPECT_EQ(chartDescription(footer, 62.75), "MAX: 85.3 MIN: 40.0. Date: 1/2/26. Latest value 62.8 dB");
    EXPECT_EQ(chartDescription({}, std::nullopt), "No readings");
}

TEST(SpokenAlerts, AnnouncedWhenTheyChangeNotEveryReading)
{
    AlertAnnouncer alerts;
    EXPECT_TRUE(alerts.update({}).isEmpty());
    EXPECT_EQ(alerts.update({.highAlarm = true, .over = true}), QStringList({"High level alarm", "Over range"}));
    EXPECT_TRUE(alerts.update({.highAlarm = true, .over = true}).isEmpty());
    // Straight from one end to the other: only the new condition is news.
    EXPECT_EQ(alerts.update({.lowAlarm = true, .under = true}), QStringList({"Low level alarm", "Under range"}));
    EXPECT_EQ(alerts.update({}), QStringList({"Alarm ended", "Back within range"}));
    alerts.reset();
    EXPECT_EQ(alerts.update({.lowAlarm = true}), QStringList({"Low level alarm"}));
}
