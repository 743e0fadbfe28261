#pragma once
// Figures over a list of levels: what the windows show (count, minimum,
// maximum, arithmetic mean) and what acousticians read first: the
// energy-equivalent level Leq = 10 log10(mean(10^(L/10))) and the percentile
// levels L10, L50, L90 (the level exceeded 10 %, 50 %, 90 % of the time).

#include <optional>
#include <vector>

namespace sonavistor {

struct LevelStatistics {
    long long count = 0;
    double min = 0;
    double max = 0;
    double mean = 0;
    double leq = 0;
    double l10 = 0;
    double l50 = 0;
    double l90 = 0;
};

// Nothing for an empty list. Percentiles by nearest rank: Lx is the level at
// rank ceil((100 - x) / 100 * n) of the levels in ascending order.
std::optional<LevelStatistics> computeLevelStatistics(std::vector<double> levels);

}  // namespace sonavistor
