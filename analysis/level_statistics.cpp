#include "analysis/level_statistics.h"

#include <algorithm>
#include <cmath>

namespace sonavistor {

namespace {

constexpr double kLn10Tenth = 0.23025850929940457;  // ln(10) / 10: 10^(x/10) = e^(x ln(10) / 10)

// The level exceeded `exceeded` percent of the time: the level at its rank
// in ascending order, found without sorting all of them.
double exceededLevel(std::vector<double>& levels, double exceeded)
{
    const double n = static_cast<double>(levels.size());
    auto rank = static_cast<long long>(std::ceil((100.0 - exceeded) / 100.0 * n));
    rank = std::clamp(rank, 1LL, static_cast<long long>(levels.size()));
    const auto at = levels.begin() + static_cast<std::ptrdiff_t>(rank - 1);
    std::nth_element(levels.begin(), at, levels.end());
    return *at;
}

}  // namespace

std::optional<LevelStatistics> computeLevelStatistics(std::vector<double> levels)
{
    if (levels.empty())
        return std::nullopt;
    LevelStatistics s;
    s.count = static_cast<long long>(levels.size());
    const auto [lowest, highest] = std::minmax_element(levels.begin(), levels.end());
    s.min = *lowest;
    s.max = *highest;
    // Energies relative to the loudest level: 10^(L/10) itself overflows for
    // levels above about 3,080 dB, the relative ones never do.
    double sum = 0;
    double relativeEnergy = 0;
    for (double level : levels) {
        sum += level;
        relativeEnergy += std::exp((level - s.max) * kLn10Tenth);
    }
    s.mean = sum / static_cast<double>(s.count);
    s.leq = s.max + 10.0 * std::log10(relativeEnergy / static_cast<double>(s.count));
    s.l10 = exceededLevel(levels, 10);
    s.l50 = exceededLevel(levels, 50);
    s.l90 = exceededLevel(levels, 90);
    return s;
}

}  // namespace sonavistor
