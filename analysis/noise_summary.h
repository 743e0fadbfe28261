#pragma once
// The whole measurement's figures: the long-term average of 2002/49/EC
// Annex I over the days and nights the readings cover well enough.
//
//   Lden, Lday, Levening   10 log10(mean of 10^(L/10)) over the days whose Lden
//                          coverage reaches the minimum (NoiseOptions::minCoverage)
//   Lnight                 the same over the nights (23-07 across midnight) whose
//                          coverage reaches it
//
// Days and nights below the minimum are counted as left out; days and nights
// without any reading of a weighting are no days of it at all.

#include "analysis/noise_figures.h"

#include <optional>
#include <vector>

namespace sonavistor {

struct NoiseSummary {
    char weighting = 'A';
    std::optional<double> lden;  // nothing without a day used
    std::optional<double> lday;
    std::optional<double> levening;
    std::optional<double> lnight;  // nothing without a night used
    int daysUsed = 0;
    int daysLeftOut = 0;
    int nightsUsed = 0;
    int nightsLeftOut = 0;
};

// Whether a day or a night counts in the summary: it has its level and covers
// at least minCoverage (0 ... 1) of its time.
bool inSummary(const DayFigures& day, double minCoverage);
bool inSummary(const NightFigures& night, double minCoverage);

// One entry per weighting present, A before C.
std::vector<NoiseSummary> summariseNoise(const NoiseFigures& figures, double minCoverage);

}  // namespace sonavistor
