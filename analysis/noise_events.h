#pragma once
// Finding the noise events in the samples of one weighting.

#include "analysis/noise_figures.h"

#include <span>
#include <vector>

namespace sonavistor {

// The events among samples of one weighting, timed and in time order, each
// lasting sampleSeconds: see noise_figures.h for the rule.
std::vector<NoiseEvent> findNoiseEvents(std::span<const AcousticSample> samples, double sampleSeconds,
                                        const NoiseOptions& options);

// The same with samples of several steps (files of a 1-s and a 2-s step
// given together): steps says how long each sample lasts.
std::vector<NoiseEvent> findNoiseEvents(std::span<const AcousticSample> samples, std::span<const StepRun> steps,
                                        const NoiseOptions& options);

}  // namespace sonavistor
