#include "analysis/noise_figures.h"

#include "analysis/level_statistics.h"
#include "analysis/log_sum_exp.h"
#include "analysis/noise_events.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <span>
#include <tuple>

namespace sonavistor {

namespace {

constexpr qint64 kDaySeconds = 86400;
// Ldn's periods do not follow the configured hours: day 07-22, night 22-07.
constexpr int kLdnDayStart = 7;
constexpr int kLdnNightStart = 22;

qint64 floorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

struct EnergySum {
    LogSumExp energy;
    long long count = 0;

    void add(double level)
    {
        energy.add(kEnergy * level);
        ++count;
    }
    std::optional<double> leq() const { return count ? std::optional(leqOf(energy, count)) : std::nullopt; }
};

struct DaySums {
    std::array<EnergySum, kPeriodCount> periods;
    std::array<long long, kPeriodCount> above{};
    EnergySum ldnDay;
    EnergySum ldnNight;
    std::array<std::vector<double>, 24> hours;
};

Period periodOf(int hour, const PeriodHours& h)
{
    if (hour >= h.day && hour < h.evening)
        return Period::Day;
    if (hour >= h.evening && hour < h.night)
        return Period::Evening;
    return Period::Night;
}

// 10 log10(sum of hours x 10^((L + penalty) / 10) / 24); nothing when a period has no level.
RatedLevel rated(std::initializer_list<std::tuple<const EnergySum*, int, double>> parts, double sampleSeconds)
{
    RatedLevel r;
    r.coverage = 1;
    double sum = 0;
    bool complete = true;
    for (const auto& [period, hours, penalty] : parts) {
        r.coverage = std::min(r.coverage, std::min(1.0, static_cast<double>(period->count) * sampleSeconds / (hours * 3600.0)));
        if (const auto leq = period->leq())
            sum += hours * std::pow(10.0, (*leq + penalty) / 10);
        else
            complete = false;
    }
    if (complete)
        r.level = 10 * std::log10(sum / 24);
    return r;
}

DayFigures dayFigures(qint64 day, char weighting, const DaySums& sums, double step, const PeriodHours& h)
{
    DayFigures d;
    d.day = day;
    d.weighting = weighting;
    const int lengths[kPeriodCount] = {h.dayHours(), h.eveningHours(), h.nightHours()};
    for (int p = 0; p < kPeriodCount; ++p) {
        PeriodLevel& level = d.periods[static_cast<size_t>(p)];
        const EnergySum& sum = sums.periods[static_cast<size_t>(p)];
        level.leq = sum.leq();
        level.count = sum.count;
        level.coverage = std::min(1.0, static_cast<double>(sum.count) * step / (lengths[p] * 3600.0));
        level.secondsAbove = static_cast<double>(sums.above[static_cast<size_t>(p)]) * step;
        d.secondsAbove += level.secondsAbove;
    }
    d.lden = rated({{&sums.periods[0], lengths[0], 0.0}, {&sums.periods[1], lengths[1], 5.0},
                    {&sums.periods[2], lengths[2], 10.0}},
                   step);
    d.ldn = rated({{&sums.ldnDay, kLdnNightStart - kLdnDayStart, 0.0},
                   {&sums.ldnNight, 24 - kLdnNightStart + kLdnDayStart, 10.0}},
                  step);
    for (size_t hour = 0; hour < 24; ++hour) {
        HourLevel& out = d.hours[hour];
        if (const auto stats = computeLevelStatistics(sums.hours[hour])) {
            out.count = stats->count;
            out.leq = stats->leq;
            out.lmax = stats->max;
            out.l90 = stats->l90;
        }
    }
    return d;
}

}  // namespace

NoiseFigures computeNoiseFigures(std::vector<AcousticSample> samples, const NoiseOptions& options)
{
    NoiseFigures f;
    if (const auto step = medianTimeStep(samples)) {
        f.sampleSeconds = *step;
        f.stepMeasured = true;
    }
    const PeriodHours& h = options.hours;

    // In place, without a copy: the timed A samples, then the timed C samples.
    const auto left = std::remove_if(samples.begin(), samples.end(), [&f](const AcousticSample& s) {
        if (s.weighting != 'A' && s.weighting != 'C')
            return ++f.unweighted, true;
        if (s.seconds == kUntimed)
            return ++f.untimed, true;
        return false;
    });
    samples.erase(left, samples.end());
    const auto isA = [](const AcousticSample& s) { return s.weighting == 'A'; };
    const auto countA = std::count_if(samples.begin(), samples.end(), isA);
    if (countA != 0 && countA != static_cast<std::ptrdiff_t>(samples.size()))
        std::stable_partition(samples.begin(), samples.end(), isA);
    const auto cStart = samples.begin() + countA;

    std::map<std::pair<qint64, char>, DayFigures> days;
    for (const auto& [first, last] : {std::pair{samples.begin(), cStart}, std::pair{cStart, samples.end()}}) {
        if (first == last)
            continue;
        const char weighting = first->weighting;
        const std::span<AcousticSample> timed(first, last);
        // Files given one after the other need not be in order.
        const auto earlier = [](const AcousticSample& a, const AcousticSample& b) { return a.seconds < b.seconds; };
        if (!std::is_sorted(timed.begin(), timed.end(), earlier))
            std::stable_sort(timed.begin(), timed.end(), earlier);
        // Samples are in time order: each day is done before the next begins,
        // so only one day's hourly levels are held at a time.
        std::optional<DaySums> current;
        qint64 currentDay = 0;
        const auto finishDay = [&] {
            if (current)
                days.emplace(std::pair{currentDay, weighting}, dayFigures(currentDay, weighting, *current, f.sampleSeconds, h));
            current.reset();
        };
        for (const AcousticSample& s : timed) {
            const qint64 day = floorDiv(s.seconds, kDaySeconds);
            if (!current || day != currentDay) {
                finishDay();
                current.emplace();
                currentDay = day;
            }
            const int hour = static_cast<int>((s.seconds - day * kDaySeconds) / 3600);
            const auto period = static_cast<size_t>(periodOf(hour, h));
            current->periods[period].add(s.level);
            if (s.level >= options.threshold)
                ++current->above[period];
            (hour >= kLdnDayStart && hour < kLdnNightStart ? current->ldnDay : current->ldnNight).add(s.level);
            current->hours[static_cast<size_t>(hour)].push_back(s.level);
        }
        finishDay();

        for (const NoiseEvent& e : findNoiseEvents(timed, f.sampleSeconds, options)) {
            const qint64 day = floorDiv(e.start, kDaySeconds);
            DayFigures& d = days.at({day, weighting});
            ++d.events;
            ++d.periods[static_cast<size_t>(periodOf(static_cast<int>((e.start - day * kDaySeconds) / 3600), h))].events;
            f.events.push_back(e);
        }
    }
    f.days.reserve(days.size());
    for (auto& [key, d] : days)
        f.days.push_back(d);
    std::stable_sort(f.events.begin(), f.events.end(),
                     [](const NoiseEvent& a, const NoiseEvent& b) { return a.start < b.start; });
    return f;
}

QString dayText(qint64 day)
{
    return rowSecondsText(day * kDaySeconds).section(QLatin1Char(' '), 0, 0);
}

}  // namespace sonavistor
