// Day-evening-night levels and noise events against values worked out by hand.
#include "analysis/noise_figures.h"

#include <gtest/gtest.h>

#include <map>

using namespace sonavistor;

namespace {

constexpr qint64 kDec1 = 20788;  // 2026/12/1 in days since 1970-01-01

AcousticSample at(qint64 secondOfDay, double level, char weighting = 'A')
{
    return {level, weighting, kDec1 * 86400 + secondOfDay};
}

// One sample a minute from `from` to `to` (seconds of 2026/12/1), at a level by the hour.
void fillMinutes(std::vector<AcousticSample>& out, int fromHour, int toHour, double (*levelOfHour)(int))
{
    for (qint64 s = fromHour * 3600; s < toHour * 3600; s += 60)
        out.push_back(at(s, levelOfHour(static_cast<int>(s / 3600))));
}

double dayEveningNight(int hour)
{
    return hour >= 7 && hour < 19 ? 60 : hour >= 19 && hour < 23 ? 55 : 50;
}

}  // namespace

TEST(NoiseFigures, ConstantLevelInEachPeriod)
{
    std::vector<AcousticSample> samples;
    fillMinutes(samples, 0, 24, dayEveningNight);
    const NoiseFigures f = computeNoiseFigures(samples);
    EXPECT_EQ(f.sampleSeconds, 60);
    ASSERT_EQ(f.days.size(), 1u);
    const DayFigures& d = f.days[0];
    EXPECT_EQ(dayText(d.day), "2026/12/1");
    EXPECT_NEAR(*d.period(Period::Day).leq, 60, 1e-9);
    EXPECT_NEAR(*d.period(Period::Evening).leq, 55, 1e-9);
    EXPECT_NEAR(*d.period(Period::Night).leq, 50, 1e-9);
    for (const PeriodLevel& p : d.periods)
        EXPECT_DOUBLE_EQ(p.coverage, 1);
    // Lden = 10 log10((12 x 10^6 + 4 x 10^((55+5)/10) + 8 x 10^((50+10)/10)) / 24) = 10 log10(10^6) = 60
    EXPECT_NEAR(*d.lden.level, 60, 1e-9);
    EXPECT_DOUBLE_EQ(d.lden.coverage, 1);
    // Ldn: 07-19 at 60, 19-22 at 55 by day; 22-23 at 55 and 23-07 at 50 by night, +10:
    // 10 log10((12 x 10^6 + 3 x 10^5.5 + 1 x 10^6.5 + 8 x 10^6) / 24) = 60.0200
    EXPECT_NEAR(*d.ldn.level, 60.02003, 1e-5);
    EXPECT_NEAR(*d.hours[6].leq, 50, 1e-9);
    EXPECT_NEAR(*d.hours[7].leq, 60, 1e-9);
    EXPECT_EQ(d.hours[7].count, 60);
    EXPECT_TRUE(f.events.empty());
}

TEST(NoiseFigures, MissingNightLeavesItAndLdenOut)
{
    std::vector<AcousticSample> samples;
    fillMinutes(samples, 7, 23, dayEveningNight);
    const DayFigures d = computeNoiseFigures(samples).days.at(0);
    EXPECT_NEAR(*d.period(Period::Day).leq, 60, 1e-9);
    EXPECT_FALSE(d.period(Period::Night).leq);
    EXPECT_EQ(d.period(Period::Night).coverage, 0);
    EXPECT_FALSE(d.lden.level);
    EXPECT_EQ(d.lden.coverage, 0);
    // Ldn's night 22-07 has only its hour 22-23, at 55 dB: its Leq is 55, over a ninth of it.
    // Day 07-22: 10 log10((12 x 10^6 + 3 x 10^5.5) / 15);
    // Ldn = 10 log10((12 x 10^6 + 3 x 10^5.5 + 9 x 10^6.5) / 24) = 62.3689, coverage 1/9
    EXPECT_NEAR(*d.ldn.level, 62.36885, 1e-5);
    EXPECT_NEAR(d.ldn.coverage, 1.0 / 9, 1e-12);
    EXPECT_FALSE(d.hours[3].leq);
    EXPECT_FALSE(d.hours[3].l90);
}

TEST(NoiseFigures, StepsAtTheBoundariesBelongToTheLaterPeriod)
{
    // One second apart at 18:59:59/19:00:00 and 22:59:59/23:00:00.
    const std::vector<AcousticSample> samples{at(18 * 3600 + 3599, 80), at(19 * 3600, 60), at(22 * 3600 + 3599, 60),
                                              at(23 * 3600, 40)};
    const NoiseFigures f = computeNoiseFigures(samples);
    EXPECT_EQ(f.sampleSeconds, 1);
    const DayFigures& d = f.days.at(0);
    EXPECT_NEAR(*d.period(Period::Day).leq, 80, 1e-9);
    EXPECT_NEAR(*d.period(Period::Evening).leq, 60, 1e-9);
    EXPECT_NEAR(*d.period(Period::Night).leq, 40, 1e-9);
    EXPECT_EQ(d.period(Period::Evening).count, 2);
    // Lden = 10 log10((12 x 10^8 + 4 x 10^6.5 + 8 x 10^5) / 24) = 77.0381; coverage 1 s of 12 h
    EXPECT_NEAR(*d.lden.level, 77.03810, 1e-5);
    EXPECT_NEAR(d.lden.coverage, 1.0 / 43200, 1e-15);
    EXPECT_EQ(*d.hours[18].lmax, 80);
    EXPECT_NEAR(*d.hours[23].leq, 40, 1e-9);

    // With 6, 18, 22 the evening is 18-22: 80 and 60 dB there, 60 at 22:59:59 is night.
    NoiseOptions options;
    options.hours = {6, 18, 22};
    const DayFigures moved = computeNoiseFigures(samples, options).days.at(0);
    EXPECT_FALSE(moved.period(Period::Day).leq);
    EXPECT_EQ(moved.period(Period::Evening).count, 2);
    EXPECT_EQ(moved.period(Period::Night).count, 2);
}

TEST(NoiseEvents, GapMinimumAndThresholdTouchedExactly)
{
    // One sample a second from 12:00:00 (t = 0), 50 dB where nothing else is said; threshold 70.
    std::map<int, double> loud{{10, 70}, {11, 80}, {12, 75},            // 3 s: the minimum, kept; 70 is at the threshold
                               {18, 80}, {19, 80}, {24, 85},            // 13-17 below: 5 s, the gap, so a new event;
                                                                        // 20-23 below: 4 s, less than the gap
                               {40, 90}, {41, 90}};                     // 2 s: dropped
    std::vector<AcousticSample> samples;
    for (int t = 0; t < 60; ++t)
        samples.push_back(at(12 * 3600 + t, loud.count(t) ? loud[t] : 50));
    const NoiseFigures f = computeNoiseFigures(samples);
    ASSERT_EQ(f.events.size(), 2u);
    const NoiseEvent& a = f.events[0];
    EXPECT_EQ(a.start, 12 * 3600 + 10 + kDec1 * 86400);
    EXPECT_EQ(a.duration, 3);
    EXPECT_EQ(a.lmax, 80);
    EXPECT_EQ(a.lmaxAt, a.start + 1);
    // Leq = 10 log10((10^7 + 10^8 + 10^7.5) / 3) = 76.7401; SEL = 10 log10(10^7 + 10^8 + 10^7.5) = 81.5113
    EXPECT_NEAR(a.leq, 76.74012, 1e-5);
    EXPECT_NEAR(a.sel, 81.51133, 1e-5);
    const NoiseEvent& b = f.events[1];
    EXPECT_EQ(b.start - a.start, 8);
    EXPECT_EQ(b.end - b.start, 7);
    EXPECT_EQ(b.lmax, 85);
    // 18-24 with the dip: 10 log10((2 x 10^8 + 4 x 10^5 + 10^8.5) / 7) = 78.6808, SEL 87.1318
    EXPECT_NEAR(b.leq, 78.68080, 1e-5);
    EXPECT_NEAR(b.sel, 87.13178, 1e-5);
    const DayFigures& d = f.days.at(0);
    EXPECT_EQ(d.events, 2);
    EXPECT_EQ(d.period(Period::Day).events, 2);
    EXPECT_EQ(d.secondsAbove, 8);  // every sample at or above 70, dropped event included

    NoiseOptions stricter;
    stricter.threshold = 70.1;  // the 70 dB sample no longer starts the first event: 2 s, dropped
    EXPECT_EQ(computeNoiseFigures(samples, stricter).events.size(), 1u);
}

TEST(NoiseEvents, WeightingsKeptApart)
{
    // The same ten seconds weighted A at 60 dB and C at 80 dB.
    std::vector<AcousticSample> samples;
    for (int t = 0; t < 10; ++t) {
        samples.push_back(at(8 * 3600 + t, 60, 'A'));
        samples.push_back(at(8 * 3600 + t, 80, 'C'));
    }
    samples.push_back(at(8 * 3600 + 10, 95, 'Z'));
    const NoiseFigures f = computeNoiseFigures(samples);
    EXPECT_EQ(f.sampleSeconds, 1);
    EXPECT_EQ(f.unweighted, 1);
    ASSERT_EQ(f.days.size(), 2u);
    EXPECT_EQ(f.days[0].weighting, 'A');
    EXPECT_NEAR(*f.days[0].period(Period::Day).leq, 60, 1e-9);
    EXPECT_EQ(f.days[0].events, 0);
    EXPECT_EQ(f.days[1].weighting, 'C');
    EXPECT_NEAR(*f.days[1].period(Period::Day).leq, 80, 1e-9);
    EXPECT_EQ(f.days[1].events, 1);
    ASSERT_EQ(f.events.size(), 1u);
    EXPECT_EQ(f.events[0].weighting, 'C');
    EXPECT_EQ(f.events[0].duration, 10);
}
