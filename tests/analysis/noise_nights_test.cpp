// Nights across midnight, the whole measurement's summary, a gap of 0, files
// of different time steps and an event's duration, against values worked out
// by hand.
#include "analysis/noise_events.h"
#include "analysis/noise_figures.h"
#include "analysis/noise_summary.h"
#include "data_view/noise_panel.h"

#include <gtest/gtest.h>

#include <functional>

using namespace sonavistor;

namespace {

constexpr qint64 kDec1 = 20788;  // 2026/12/1 in days since 1970-01-01
constexpr qint64 kHour = 3600;

// Seconds of a time of 2026/12/1 + day.
qint64 at(int day, int hour, int minute = 0, int second = 0)
{
    return (kDec1 + day) * 86400 + hour * kHour + minute * 60 + second;
}

// One sample a minute over [from, to), the level by its time.
void minutes(std::vector<AcousticSample>& out, qint64 from, qint64 to, const std::function<double(qint64)>& level)
{
    for (qint64 s = from; s < to; s += 60)
        out.push_back({level(s), 'A', s});
}

const NightFigures* nightFrom(const NoiseFigures& f, qint64 from)
{
    for (const NightFigures& n : f.nights) {
        if (n.from == from)
            return &n;
    }
    return nullptr;
}

}  // namespace

TEST(NoiseNights, ANightAcrossMidnightWithStepsAtItsEnds)
{
    // One sample a minute from 1 Dec 22:00 to 2 Dec 08:00: 44 dB in the evening, a step to
    // 50 dB at 23:00, 40 dB after midnight (46 dB at 03:00), a step to 70 dB at 07:00.
    std::vector<AcousticSample> samples;
    minutes(samples, at(0, 22), at(1, 8), [](qint64 s) {
        if (s < at(0, 23))
            return 44.0;
        if (s < at(1, 0))
            return 50.0;
        if (s == at(1, 3))
            return 46.0;
        return s < at(1, 7) ? 40.0 : 70.0;
    });
    NoiseOptions options;
    options.threshold = 45;
    options.nightLmax = 48;
    const NoiseFigures f = computeNoiseFigures(samples, options);
    EXPECT_EQ(f.sampleSeconds, 60);

    // One night, 1-2 Dec: 60 samples at 50 dB, 419 at 40 and one at 46, 60 s each over 8 h:
    // Lnight = 10 log10((60 x 10^5 + 419 x 10^4 + 10^4.6) / 480) = 43.2863, coverage 480 x 60 s / 28,800 s = 100 %.
    // Neither 22:59 (44 dB) nor 07:00 (70 dB) is in it: its Lmax is 50.
    ASSERT_EQ(f.nights.size(), 1u);
    const NightFigures& n = f.nights[0];
    EXPECT_EQ(n.from, kDec1);
    EXPECT_EQ(nightText(n.from), QString::fromUtf8("1–2 Dec 2026"));
    EXPECT_EQ(n.weighting, 'A');
    EXPECT_NEAR(*n.lnight, 43.28626, 1e-5);
    EXPECT_DOUBLE_EQ(n.coverage, 1);
    EXPECT_EQ(n.count, 480);
    EXPECT_EQ(*n.lmax, 50);
    // Events at or above 45 dB: 23:00-24:00 (Lmax 50), 03:00 (one minute, Lmax 46), 07:00-08:00 (day).
    // Two start in the night; only the first reaches 48 dB.
    EXPECT_EQ(f.events.size(), 3u);
    EXPECT_EQ(n.events, 2);
    EXPECT_EQ(n.eventsAboveLmax, 1);

    // The calendar days keep their own halves: 1 Dec's night is 23:00-24:00 at 50 dB over 1 h of 8;
    // 2 Dec's is 00:00-07:00, 10 log10((419 x 10^4 + 10^4.6) / 420) = 40.0307 over 7 h of 8.
    ASSERT_EQ(f.days.size(), 2u);
    EXPECT_NEAR(*f.days[0].period(Period::Night).leq, 50, 1e-9);
    EXPECT_DOUBLE_EQ(f.days[0].period(Period::Night).coverage, 1.0 / 8);
    EXPECT_NEAR(*f.days[1].period(Period::Night).leq, 40.03072, 1e-5);
    EXPECT_DOUBLE_EQ(f.days[1].period(Period::Night).coverage, 7.0 / 8);

    // With the night 22-06 the evening's hour 22 joins it and 06:00-07:00 leaves it:
    // 60 x 10^4.4 + 60 x 10^5 + 359 x 10^4 + 10^4.6 over 480 minutes = 45.0 dB, Lmax 50.
    options.hours = {6, 18, 22};
    const NoiseFigures moved = computeNoiseFigures(samples, options);
    ASSERT_EQ(moved.nights.size(), 1u);
    EXPECT_NEAR(*moved.nights[0].lnight,
                10 * std::log10((60 * std::pow(10, 4.4) + 60e5 + 359e4 + std::pow(10, 4.6)) / 480), 1e-9);
    EXPECT_DOUBLE_EQ(moved.nights[0].coverage, 1);
}

TEST(NoiseNights, TheSummaryLeavesAPartialDayOut)
{
    // Three full days a sample a minute: 1 and 3 Dec at 60, 55, 50 dB by day, evening and
    // night (Lden 60), 2 Dec at 70, 65, 60 (Lden 70); 4 Dec at 90 dB for the first 12 minutes
    // of every hour only: 20 % of each period.
    std::vector<AcousticSample> samples;
    const auto full = [&samples](int day, double offset) {
        minutes(samples, at(day, 0), at(day + 1, 0), [offset](qint64 s) {
            const qint64 hour = (s % 86400) / kHour;
            return offset + (hour >= 7 && hour < 19 ? 60 : hour >= 19 && hour < 23 ? 55 : 50);
        });
    };
    full(0, 0);
    full(1, 10);
    full(2, 0);
    minutes(samples, at(3, 0), at(4, 0), [](qint64) { return 90.0; });
    std::erase_if(samples,
                  [](const AcousticSample& s) { return s.seconds >= at(3, 0) && s.seconds % kHour >= 12 * 60; });
    const NoiseFigures f = computeNoiseFigures(samples);
    ASSERT_EQ(f.days.size(), 4u);
    EXPECT_NEAR(f.days[3].lden.coverage, 0.2, 1e-12);
    EXPECT_TRUE(f.days[3].lden.level);

    const std::vector<NoiseSummary> summary = summariseNoise(f, 0.75);
    ASSERT_EQ(summary.size(), 1u);
    const NoiseSummary& s = summary[0];
    EXPECT_EQ(s.weighting, 'A');
    // Lden = 10 log10((10^6 + 10^7 + 10^6) / 3) = 10 log10(4 x 10^6) = 66.0206, the 90 dB day left out;
    // Lday the same; Levening = 10 log10((10^5.5 + 10^6.5 + 10^5.5) / 3) = 61.0206.
    EXPECT_EQ(s.daysUsed, 3);
    EXPECT_EQ(s.daysLeftOut, 1);
    EXPECT_NEAR(*s.lden, 66.02060, 1e-5);
    EXPECT_NEAR(*s.lday, 66.02060, 1e-5);
    EXPECT_NEAR(*s.levening, 61.02060, 1e-5);
    EXPECT_TRUE(inSummary(f.days[0], 0.75));
    EXPECT_FALSE(inSummary(f.days[3], 0.75));

    // Nights: 30 Nov-1 Dec is 00:00-07:00 at 50 dB, 7 h of 8 (87.5 %): used, Lnight 50;
    // 1-2 Dec: 60 min at 50 and 420 at 60: 10 log10((60 x 10^5 + 420 x 10^6) / 480) = 59.4817;
    // 2-3 Dec: 60 min at 60 and 420 at 50: 10 log10((60 x 10^6 + 420 x 10^5) / 480) = 53.2736;
    // 3-4 Dec: 60 + 7 x 12 minutes = 30 % and 4-5 Dec: 12 minutes = 2.5 %: left out.
    // Lnight = 10 log10((10^5 + 887,500 + 212,500) / 3) = 10 log10(400,000) = 56.0206
    ASSERT_EQ(f.nights.size(), 5u);
    EXPECT_NEAR(nightFrom(f, kDec1 - 1)->coverage, 0.875, 1e-12);
    EXPECT_NEAR(*nightFrom(f, kDec1)->lnight, 59.48168, 1e-5);
    EXPECT_NEAR(*nightFrom(f, kDec1 + 1)->lnight, 53.27359, 1e-5);
    EXPECT_NEAR(nightFrom(f, kDec1 + 2)->coverage, 0.3, 1e-12);
    EXPECT_NEAR(nightFrom(f, kDec1 + 3)->coverage, 0.025, 1e-12);
    EXPECT_EQ(s.nightsUsed, 3);
    EXPECT_EQ(s.nightsLeftOut, 2);
    EXPECT_NEAR(*s.lnight, 56.02060, 1e-5);

    // A minimum of 20 % takes the partial day in (and 3-4 Dec's night, not 4-5 Dec's).
    const NoiseSummary all = summariseNoise(f, 0.2).at(0);
    EXPECT_EQ(all.daysUsed, 4);
    EXPECT_EQ(all.daysLeftOut, 0);
    EXPECT_EQ(all.nightsUsed, 4);
    EXPECT_EQ(all.nightsLeftOut, 1);
}

TEST(NoiseEvents, AGapOfZeroEndsAnEventAtTheFirstReadingBelow)
{
    // 60 s at 80 dB, a reading a second: one event of 60 s whatever the gap;
    // SEL = 10 log10(60 x 10^8) = 97.7815.
    std::vector<AcousticSample> steady;
    for (int t = 0; t < 60; ++t)
        steady.push_back({80, 'A', at(0, 12, 0, t)});
    NoiseOptions zero;
    zero.gapSeconds = 0;
    for (double minimum : {0.0, 3.0}) {
        zero.minSeconds = minimum;
        const std::vector<NoiseEvent> events = findNoiseEvents(steady, 1.0, zero);
        ASSERT_EQ(events.size(), 1u) << minimum;
        EXPECT_EQ(events[0].duration, 60);
        EXPECT_EQ(events[0].end - events[0].start, 60);
        EXPECT_NEAR(events[0].sel, 97.78151, 1e-5);
        EXPECT_NEAR(events[0].leq, 80, 1e-9);
    }

    // 80 80 50 80 80 80 50 50 80 at t = 0 ... 8: with a gap of 0 each dip ends an event:
    // [0, 2), [3, 6), [8, 9); SEL of the second 10 log10(3 x 10^8) = 84.7712.
    std::vector<AcousticSample> dips;
    const double levels[] = {80, 80, 50, 80, 80, 80, 50, 50, 80};
    for (int t = 0; t < 9; ++t)
        dips.push_back({levels[t], 'A', at(0, 12, 0, t)});
    zero.minSeconds = 0;
    std::vector<NoiseEvent> events = findNoiseEvents(dips, 1.0, zero);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].start, at(0, 12, 0, 0));
    EXPECT_EQ(events[0].duration, 2);
    EXPECT_EQ(events[1].start, at(0, 12, 0, 3));
    EXPECT_EQ(events[1].duration, 3);
    EXPECT_NEAR(events[1].sel, 84.77121, 1e-5);
    EXPECT_EQ(events[2].duration, 1);
    // The minimum of 3 s keeps only the second.
    zero.minSeconds = 3;
    events = findNoiseEvents(dips, 1.0, zero);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].start, at(0, 12, 0, 3));
    // A gap of 2 s: the 1-s dip at t = 2 stays inside; the 2-s dip at t = 6, 7 ends [0, 6).
    NoiseOptions two;
    two.gapSeconds = 2;
    two.minSeconds = 0;
    events = findNoiseEvents(dips, 1.0, two);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].duration, 6);
    EXPECT_EQ(events[1].duration, 1);

    // Time without readings counts as below: 80 dB at t = 0, 1 and 5, 6 is two events with a
    // gap of 0 and one of 7 s with the default 5 s (3 s without readings).
    std::vector<AcousticSample> hole;
    for (int t : {0, 1, 5, 6})
        hole.push_back({80, 'A', at(0, 12, 0, t)});
    EXPECT_EQ(findNoiseEvents(hole, 1.0, zero).size(), 0u);  // each 2 s, under the minimum of 3
    zero.minSeconds = 0;
    EXPECT_EQ(findNoiseEvents(hole, 1.0, zero).size(), 2u);
    NoiseOptions standard;
    events = findNoiseEvents(hole, 1.0, standard);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].duration, 7);
}

TEST(NoiseEvents, DurationIsEndMinusStartWithAStepOfOneAndAHalfSeconds)
{
    // Readings at t = 0, 1, 3, 4, 6, 7, 9, 10, 12: steps 1, 2, 1, 2, ... whose median is 1.5 s.
    // All at 80 dB: one event from 0 to 12 + 1.5, printed on the whole second: end 14, duration 14.
    // SEL = 10 log10(9 x 1.5 x 10^8) = 80 + 10 log10(13.5) = 91.3033.
    std::vector<AcousticSample> samples;
    for (int t : {0, 1, 3, 4, 6, 7, 9, 10, 12})
        samples.push_back({80, 'A', at(0, 12, 0, t)});
    const NoiseFigures f = computeNoiseFigures(samples);
    EXPECT_EQ(f.sampleSeconds, 1.5);
    ASSERT_EQ(f.events.size(), 1u);
    const NoiseEvent& e = f.events[0];
    EXPECT_EQ(e.end - e.start, 14);
    EXPECT_EQ(e.duration, static_cast<double>(e.end - e.start));
    EXPECT_NEAR(e.sel, 91.30334, 1e-5);
}

TEST(NoiseFigures, EachFileKeepsItsOwnStep)
{
    // File 1: 1 Dec 10:00:00-10:09:59, a reading a second, 60 dB but 80 dB at 10:05:00-10:05:09.
    // File 2: 2 Dec 10:00:00-10:19:58, a reading every 2 s, 60 dB but 80 dB at 10:05:00-10:05:18.
    std::vector<AcousticSample> one;
    for (int t = 0; t < 600; ++t)
        one.push_back({t >= 300 && t < 310 ? 80.0 : 60.0, 'A', at(0, 10, 0, t)});
    std::vector<AcousticSample> two;
    for (int t = 0; t < 1200; t += 2)
        two.push_back({t >= 300 && t < 320 ? 80.0 : 60.0, 'A', at(1, 10, 0, t)});

    // Each day: Lday = 10 log10((590 x 10^6 + 10 x 10^8) / 600) = 64.2325 (its readings weigh
    // alike); coverage 600 x 1 s and 600 x 2 s of 12 h: 1.3889 % and 2.7778 %;
    // 10 and 20 s at or above 70 dB; an event of 10 s, SEL 10 log10(10 x 10^8) = 90, and one of
    // 20 s, SEL 10 log10(10 x 2 x 10^8) = 93.0103.
    const auto check = [](const NoiseFigures& f, const std::vector<int>& order) {
        ASSERT_EQ(f.days.size(), 2u);
        ASSERT_EQ(f.events.size(), 2u);
        const DayFigures& d1 = f.days[0];
        const DayFigures& d2 = f.days[1];
        EXPECT_NEAR(*d1.period(Period::Day).leq, 64.23246, 1e-5);
        EXPECT_NEAR(*d2.period(Period::Day).leq, 64.23246, 1e-5);
        EXPECT_NEAR(d1.period(Period::Day).coverage, 600.0 / 43200, 1e-12);
        EXPECT_NEAR(d2.period(Period::Day).coverage, 1200.0 / 43200, 1e-12);
        EXPECT_EQ(d1.secondsAbove, 10);
        EXPECT_EQ(d2.secondsAbove, 20);
        EXPECT_EQ(f.events[0].duration, 10);
        EXPECT_NEAR(f.events[0].sel, 90, 1e-9);
        EXPECT_EQ(f.events[1].duration, 20);
        EXPECT_NEAR(f.events[1].sel, 93.01030, 1e-5);
        EXPECT_EQ(d1.files, std::vector<int>{order[0]});
        EXPECT_EQ(d2.files, std::vector<int>{order[1]});
    };
    // Alone, each file.
    const NoiseFigures alone1 = computeNoiseFigures(one);
    const NoiseFigures alone2 = computeNoiseFigures(two);
    EXPECT_EQ(alone1.sampleSeconds, 1);
    EXPECT_EQ(alone2.sampleSeconds, 2);
    EXPECT_EQ(alone2.days.at(0).period(Period::Day).coverage, 1200.0 / 43200);

    // Together, in either order: the same figures as alone.
    std::vector<AcousticSample> both = one;
    both.insert(both.end(), two.begin(), two.end());
    const std::vector<size_t> sizes{one.size(), two.size()};
    const NoiseFigures together = computeNoiseFigures(both, sizes);
    EXPECT_FALSE(together.oneStep);
    ASSERT_EQ(together.files.size(), 2u);
    EXPECT_EQ(together.files[0].seconds, 1);
    EXPECT_EQ(together.files[1].seconds, 2);
    check(together, {0, 1});

    std::vector<AcousticSample> reversed = two;
    reversed.insert(reversed.end(), one.begin(), one.end());
    const std::vector<size_t> reversedSizes{two.size(), one.size()};
    check(computeNoiseFigures(reversed, reversedSizes), {1, 0});
}

TEST(NoiseFigures, FilesBefore1970KeepTheirStepsToo)
{
    // The files' own steps ride on the times while they are sorted: times before 1970 are
    // negative. A 1-s and a 2-s file of 1 and 2 Dec 1926 (36,525 days earlier) give the
    // figures of 1926 that the same files give in 2026.
    constexpr qint64 kCentury = qint64{36525} * 86400;
    std::vector<AcousticSample> both;
    for (int t = 0; t < 600; ++t)
        both.push_back({t >= 300 && t < 310 ? 80.0 : 60.0, 'A', at(0, 10, 0, t)});
    for (int t = 0; t < 1200; t += 2)
        both.push_back({t >= 300 && t < 320 ? 80.0 : 60.0, 'A', at(1, 10, 0, t)});
    std::vector<AcousticSample> early = both;
    for (AcousticSample& s : early)
        s.seconds -= kCentury;
    ASSERT_LT(early.front().seconds, 0);
    const std::vector<size_t> sizes{600, 600};
    const NoiseFigures now = computeNoiseFigures(both, sizes);
    const NoiseFigures then = computeNoiseFigures(early, sizes);
    ASSERT_EQ(then.days.size(), 2u);
    EXPECT_EQ(dayText(then.days[0].day), "1926/12/1");
    for (size_t d = 0; d < 2; ++d) {
        EXPECT_EQ(then.days[d].day, now.days[d].day - 36525);
        EXPECT_EQ(then.days[d].period(Period::Day).coverage, now.days[d].period(Period::Day).coverage);
        EXPECT_EQ(then.days[d].files, now.days[d].files);
    }
    ASSERT_EQ(then.events.size(), 2u);
    EXPECT_EQ(then.events[1].start, now.events[1].start - kCentury);
    EXPECT_EQ(then.events[1].duration, 20);
}

TEST(NoisePanelRows, TheWholeMeasurementThenTheDaysThenTheNights)
{
    // A night across midnight as above: 1 Dec 22:00 to 2 Dec 08:00, a sample a minute.
    std::vector<AcousticSample> samples;
    minutes(samples, at(0, 22), at(1, 8), [](qint64 s) { return s < at(1, 0) ? 50.0 : 40.0; });
    const NoiseFigures f = computeNoiseFigures(samples);
    const std::vector<QStringList> rows = noisePanelRows(f);
    ASSERT_EQ(rows.size(), 4u);  // the whole measurement, 1 and 2 Dec, the night 1-2 Dec
    EXPECT_EQ(noisePanelTitles().size(), rows[0].size());
    // No day has Lden (neither has a day period); the night is whole:
    // Lnight = 10 log10((60 x 10^5 + 420 x 10^4) / 480) = 43.2736
    EXPECT_EQ(rows[0],
              (QStringList{"Whole measurement", "A", "-", "-", "-", "43.3", "0", "0 of 2 days, 1 of 1 nights"}));
    EXPECT_EQ(rows[1][0], "2026/12/1");
    EXPECT_EQ(rows[1][7], "0.0 % *");
    EXPECT_EQ(rows[3], (QStringList{QString::fromUtf8("Night 1–2 Dec 2026"), "A", "", "", "", "43.3", "0", "100.0 %"}));
}
