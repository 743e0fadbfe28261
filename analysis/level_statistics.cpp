#include "analysis/level_statistics.h"

#include <algorithm>
#include <cmath>

namespace sonavistor {

namespace {

// The level exceeded `exceeded` percent of the time, from ascending levels.
double exceededLevel(const std::vector<double>& ascending, double exceeded)
{
    const double n = static_cast<double>(ascending.size());
    auto rank = static_cast<long long>(std::ceil((100.0 - exceeded) / 100.0 * n));
    rank = std::clamp(rank, 1LL, static_cast<long long>(ascending.size()));
    return ascending[static_cast<size_t>(rank - 1)];
}

}  // namespace

std::optional<LevelStatistics> computeLevelStatistics(std::vector<double> levels)
{
    if (levels.empty())
        return std::nullopt;
    LevelStatistics s;
    s.count = static_cast<long long>(levels.size());
    std::sort(levels.begin(), levels.end());
    s.min = levels.front();
    s.max = levels.back();
    // Energies relative to the loudest level: 10^(L/10) itself overflows for
    // levels above about 3,080 dB, the relative ones never do.
    double sum = 0;
    double relativeEnergy = 0;
    for (double level : levels) {
        sum += level;
        relativeEnergy += std::pow(10.0, (level - s.max) / 10.0);
    }
    s.mean = sum / static_cast<double>(s.count);
    s.leq = s.max + 10.0 * std::log10(relativeEnergy / static_cast<double>(s.count));
    s.l10 = exceededLevel(levels, 10);
    s.l50 = exceededLevel(levels, 50);
    s.l90 = exceededLevel(levels, 90);
    return s;
}

}  // namespace sonavistor
