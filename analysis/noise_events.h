#pragma once
// Finding the noise events in the samples of one weighting.

#include "analysis/noise_figures.h"

#include <vector>

namespace sonavistor {

// The events among samples of one weighting, timed and in time order, each
// lasting sampleSeconds: see noise_figures.h for the rule.
std::vector<NoiseEvent> findNoiseEvents(const std::vector<AcousticSample>& samples, double sampleSeconds,
                                        const NoiseOptions& options);

}  // namespace sonavistor
