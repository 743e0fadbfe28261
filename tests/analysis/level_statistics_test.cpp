#include "analysis/level_statistics.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace sonavistor;

TEST(LevelStatistics, NothingForNoLevels)
{
    EXPECT_FALSE(computeLevelStatistics({}));
}

TEST(LevelStatistics, EnergyMeanIsDominatedByLoudLevels)
{
    const auto s = computeLevelStatistics({60.0, 80.0});
    ASSERT_TRUE(s);
    EXPECT_DOUBLE_EQ(s->mean, 70.0);
    EXPECT_NEAR(s->leq, 10 * std::log10((1e6 + 1e8) / 2), 1e-9);  // 77.03 dB
    EXPECT_NEAR(s->leq, 77.03, 0.01);
    const auto flat = computeLevelStatistics({70.0, 70.0, 70.0});
    EXPECT_NEAR(flat->leq, 70.0, 1e-9);
}

TEST(LevelStatistics, PercentilesAreExceededLevelsByNearestRank)
{
    std::vector<double> levels;
    for (int i = 100; i >= 1; --i)  // unsorted on purpose
        levels.push_back(i);
    const auto s = computeLevelStatistics(levels);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->count, 100);
    EXPECT_DOUBLE_EQ(s->min, 1);
    EXPECT_DOUBLE_EQ(s->max, 100);
    EXPECT_DOUBLE_EQ(s->l10, 90);  // exceeded by 10 of the 100 levels
    EXPECT_DOUBLE_EQ(s->l50, 50);
    EXPECT_DOUBLE_EQ(s->l90, 10);
    const auto one = computeLevelStatistics({42.5});
    EXPECT_DOUBLE_EQ(one->l10, 42.5);
    EXPECT_DOUBLE_EQ(one->l90, 42.5);
}

TEST(LevelStatistics, LeqStaysFiniteForAnyLevel)
{
    const auto s = computeLevelStatistics({9999.9, 9999.9, 60.0});
    ASSERT_TRUE(s);
    EXPECT_TRUE(std::isfinite(s->leq));
    EXPECT_NEAR(s->leq, 9999.9 + 10 * std::log10(2.0 / 3.0), 1e-6);
    EXPECT_NEAR(computeLevelStatistics({-5000.0, -5000.0})->leq, -5000.0, 1e-9);
}
