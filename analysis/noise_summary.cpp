#include "analysis/noise_summary.h"

#include "analysis/log_sum_exp.h"

#include <map>

namespace sonavistor {

namespace {

// A coverage worked out as seconds over a period's length may fall a hair short of a minimum it meets.
constexpr double kCoverageSlack = 1e-9;

struct EnergyMean {
    LogSumExp energy;
    int count = 0;

    void add(const std::optional<double>& level)
    {
        if (level) {
            energy.add(kEnergy * *level);
            ++count;
        }
    }
    std::optional<double> level() const { return count ? std::optional(leqOf(energy, count)) : std::nullopt; }
};

}  // namespace

bool inSummary(const DayFigures& day, double minCoverage)
{
    return day.lden.level && day.lden.coverage + kCoverageSlack >= minCoverage;
}

bool inSummary(const NightFigures& night, double minCoverage)
{
    return night.lnight && night.coverage + kCoverageSlack >= minCoverage;
}

std::vector<NoiseSummary> summariseNoise(const NoiseFigures& figures, double minCoverage)
{
    struct Sums {
        NoiseSummary summary;
        EnergyMean lden, lday, levening, lnight;
    };
    std::map<char, Sums> byWeighting;
    for (const DayFigures& d : figures.days) {
        Sums& s = byWeighting[d.weighting];
        if (!inSummary(d, minCoverage)) {
            ++s.summary.daysLeftOut;
            continue;
        }
        ++s.summary.daysUsed;
        s.lden.add(d.lden.level);
        s.lday.add(d.period(Period::Day).leq);
        s.levening.add(d.period(Period::Evening).leq);
    }
    for (const NightFigures& n : figures.nights) {
        Sums& s = byWeighting[n.weighting];
        if (!inSummary(n, minCoverage)) {
            ++s.summary.nightsLeftOut;
            continue;
        }
        ++s.summary.nightsUsed;
        s.lnight.add(n.lnight);
    }
    std::vector<NoiseSummary> out;
    for (auto& [weighting, s] : byWeighting) {
        NoiseSummary& summary = out.emplace_back(s.summary);
        summary.weighting = weighting;
        summary.lden = s.lden.level();
        summary.lday = s.lday.level();
        summary.levening = s.levening.level();
        summary.lnight = s.lnight.level();
    }
    return out;
}

}  // namespace sonavistor
