// The acoustic figures against values worked out by hand.
#include "analysis/acoustic_figures.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace sonavistor;

namespace {

AcousticSample at(const char* date, const char* time, double level, char weighting = 'A')
{
    return {level, weighting, rowSeconds(date, time).value_or(kUntimed)};
}

const WeightingFigures& of(const AcousticFigures& f, char weighting)
{
    for (const WeightingFigures& w : f.weightings) {
        if (w.weighting == weighting)
            return w;
    }
    throw std::runtime_error("no such weighting");
}

}  // namespace

TEST(AcousticFigures, EachWeightingOnItsOwnFromTheSamples)
{
    // A: 80 and 90 dB, C: 70 dB, two seconds apart.
    const std::vector<AcousticSample> samples{at("2026/12/1", "8:14:58", 80), at("2026/12/1", "8:15:0", 90),
                                              at("2026/12/1", "8:15:2", 70, 'C')};
    const AcousticFigures f = computeAcousticFigures(samples);
    EXPECT_EQ(f.sampleSeconds, 2);
    EXPECT_TRUE(f.stepMeasured);
    ASSERT_EQ(f.weightings.size(), 2u);
    const WeightingFigures& a = of(f, 'A');
    EXPECT_EQ(a.count, 2);
    EXPECT_EQ(a.durationSeconds, 4);
    // Leq = 10 log10((10^8 + 10^9) / 2) = 87.404
    EXPECT_NEAR(a.leq, 87.40363, 1e-5);
    // SEL = Leq + 10 log10(4 s) = 93.424
    EXPECT_NEAR(a.sel, 93.42423, 1e-5);
    // LEX,8h = Leq + 10 log10(4 s / 28,800 s) = 48.830
    EXPECT_NEAR(a.lex8h, 48.83030, 1e-5);
    EXPECT_EQ(a.lmax, 90);
    EXPECT_EQ(a.lmin, 80);
    // NIOSH: 100 % (2 s / 8 h) (2^(-5/3) + 2^(5/3)) = 0.024235 %, TWA 85 + 10 log10(2.4235e-4) = 48.844
    EXPECT_NEAR(a.niosh.dose, 0.0242346, 1e-7);
    EXPECT_NEAR(*a.niosh.twa, 48.84436, 1e-5);
    // OSHA: 100 % (2 s / 8 h) (2^(-2) + 2^0) = 0.0086806 %, TWA 90 + 16.61 log10(8.6806e-5) = 22.539
    EXPECT_NEAR(a.osha.dose, 0.0086806, 1e-7);
    EXPECT_NEAR(*a.osha.twa, 22.53927, 1e-5);
    const WeightingFigures& c = of(f, 'C');
    EXPECT_NEAR(c.leq, 70, 1e-9);
    EXPECT_EQ(c.durationSeconds, 2);
    // Below 80 dB OSHA counts nothing: no dose, no TWA.
    EXPECT_EQ(c.osha.dose, 0);
    EXPECT_FALSE(c.osha.twa);

    // With the exposure given, LEX,8h scales to it: 8 h of this Leq is this Leq.
    const AcousticFigures eight = computeAcousticFigures(samples, {8 * 3600.0, 0});
    EXPECT_NEAR(of(eight, 'A').lex8h, a.leq, 1e-9);
}

TEST(AcousticFigures, AWorkdayAt90dB)
{
    std::vector<AcousticSample> day;
    for (int s = 0; s < 8 * 3600; ++s)
        day.push_back({90, 'A', 1'000'000 + s});
    const WeightingFigures a = computeAcousticFigures(day).weightings.at(0);
    EXPECT_NEAR(a.leq, 90, 1e-9);
    EXPECT_NEAR(a.lex8h, 90, 1e-9);
    EXPECT_NEAR(a.sel, 90 + 10 * std::log10(28800.0), 1e-9);  // 134.59
    EXPECT_NEAR(a.niosh.dose, 100 * std::pow(2.0, 5.0 / 3), 1e-6);  // 317.48 %
    EXPECT_NEAR(*a.niosh.twa, 85 + 10 * std::log10(std::pow(2.0, 5.0 / 3)), 1e-9);  // 90.02
    EXPECT_NEAR(a.osha.dose, 100, 1e-9);
    EXPECT_NEAR(*a.osha.twa, 90, 1e-9);
}

TEST(AcousticFigures, NoReadableLevelOverflows)
{
    const AcousticFigures f = computeAcousticFigures({{9999.9, 'A', 0}, {-999.9, 'A', 1}, {9999.9, 'A', 2}});
    const WeightingFigures& a = f.weightings.at(0);
    EXPECT_NEAR(a.leq, 9999.9 + 10 * std::log10(2.0 / 3), 1e-9);
    EXPECT_TRUE(std::isfinite(*a.niosh.twa));
    EXPECT_TRUE(std::isfinite(*a.osha.twa));
    EXPECT_TRUE(std::isinf(a.niosh.dose));  // beyond any double, said as such
}

TEST(AcousticFigures, TimesStepsAndIntervalsOnTheClock)
{
    EXPECT_EQ(*rowSeconds("2026/12/1", "8:15:0") - *rowSeconds("2026/11/30", "23:59:59"), 8 * 3600 + 15 * 60 + 1);
    EXPECT_EQ(rowSeconds(" 2024/02/29 ", "09:05:03"), rowSeconds("2024/2/29", "9:5:3"));
    for (const char* bad : {"2026/13/1", "2026/2/30", "d", "2026/12", "2026/12/1/2"})
        EXPECT_FALSE(rowSeconds(bad, "8:0:0")) << bad;
    EXPECT_FALSE(rowSeconds("2026/12/1", "24:0:0"));
    EXPECT_EQ(rowSecondsText(*rowSeconds("2026/12/1", "8:15:0")), "2026/12/1 8:15:0");
    EXPECT_EQ(rowSecondsText(*rowSeconds("1969/12/31", "23:0:5")), "1969/12/31 23:0:5");

    // The median of the steps forward: a gap and a clock set back an hour change nothing.
    std::vector<AcousticSample> live;
    for (const char* t : {"8:0:0", "8:0:1", "8:0:2", "8:30:0", "7:30:1", "7:30:2", "7:30:3"})
        live.push_back(at("2026/12/1", t, 60));
    EXPECT_EQ(*medianTimeStep(live), 1);
    EXPECT_EQ(*medianTimeStep({at("2026/12/1", "8:0:0", 60), at("2026/12/1", "8:0:1", 60), at("2026/12/1", "8:0:3", 60)}),
              1.5);
    EXPECT_FALSE(medianTimeStep({at("2026/12/1", "8:0:0", 60), at("d", "t", 60)}));
    EXPECT_EQ(computeAcousticFigures({at("d", "t", 60)}).sampleSeconds, 1);  // assumed

    // 15-minute intervals start at 8:00 and 8:15, each weighting apart.
    const AcousticFigures f = computeAcousticFigures(
        {at("2026/12/1", "8:14:58", 80), at("2026/12/1", "8:15:0", 90), at("2026/12/1", "8:15:2", 90),
         at("2026/12/1", "8:15:4", 70, 'C'), at("d", "t", 60), at("2026/12/1", "8:0:0", 70, 'X')},
        {std::nullopt, 900});
    ASSERT_EQ(f.intervals.size(), 3u);
    EXPECT_EQ(rowSecondsText(f.intervals[0].start), "2026/12/1 8:0:0");
    EXPECT_EQ(f.intervals[0].count, 1);
    EXPECT_EQ(rowSecondsText(f.intervals[1].start), "2026/12/1 8:15:0");
    EXPECT_EQ(f.intervals[1].weighting, 'A');
    EXPECT_EQ(f.intervals[1].count, 2);
    EXPECT_NEAR(f.intervals[1].leq, 90, 1e-9);
    EXPECT_EQ(f.intervals[2].weighting, 'C');
    EXPECT_EQ(f.untimed, 1);
    EXPECT_EQ(f.unweighted, 1);  // neither A nor C: in no figure
}
