#include "analysis/noise_events.h"

#include "analysis/log_sum_exp.h"

#include <cmath>

namespace sonavistor {

namespace {

// The event of samples[first ... last], last being the final one at or above
// the threshold; nothing when it is shorter than the minimum.
std::optional<NoiseEvent> eventOf(std::span<const AcousticSample> samples, size_t first, size_t last, StepCursor& steps,
                                  const NoiseOptions& options)
{
    NoiseEvent e;
    e.start = samples[first].seconds;
    // To the end of the last sample at or above the threshold, on the whole second the
    // times are given in; the duration is that of the times printed (end - start).
    e.end = samples[last].seconds + static_cast<qint64>(std::llround(steps.at(last)));
    e.duration = static_cast<double>(e.end - e.start);
    if (e.duration < options.minSeconds)
        return std::nullopt;
    e.weighting = samples[first].weighting;
    e.lmax = samples[first].level;
    e.lmaxAt = e.start;
    // Each sample weighs its own step: Leq = 10 log10(sum of t 10^(L/10) / T), SEL = Leq + 10 log10(T / 1 s).
    LogSumExp energy;
    double seconds = 0;
    for (size_t i = first; i <= last; ++i) {
        const AcousticSample& s = samples[i];
        const double step = steps.at(i);
        energy.add(kEnergy * s.level + std::log(step));
        seconds += step;
        if (s.level > e.lmax) {
            e.lmax = s.level;
            e.lmaxAt = s.seconds;
        }
    }
    e.sel = energy.log() / kEnergy;
    e.leq = e.sel - 10 * std::log10(seconds);
    return e;
}

}  // namespace

std::vector<NoiseEvent> findNoiseEvents(std::span<const AcousticSample> samples, double sampleSeconds,
                                        const NoiseOptions& options)
{
    const StepRun all{samples.size(), sampleSeconds, 0};
    return findNoiseEvents(samples, std::span(&all, 1), options);
}

std::vector<NoiseEvent> findNoiseEvents(std::span<const AcousticSample> samples, std::span<const StepRun> stepRuns,
                                        const NoiseOptions& options)
{
    std::vector<NoiseEvent> events;
    StepCursor steps(stepRuns);
    bool open = false;
    size_t first = 0;
    size_t lastAbove = 0;
    double lastAboveEnd = 0;  // the end of samples[lastAbove]
    const auto close = [&] {
        if (auto e = eventOf(samples, first, lastAbove, steps, options))
            events.push_back(*e);
        open = false;
    };
    for (size_t i = 0; i < samples.size(); ++i) {
        const AcousticSample& s = samples[i];
        const bool above = s.level >= options.threshold;
        if (open) {
            // Below since the end of the last sample at or above the threshold: the time
            // without samples before this one and, when it is below too, this sample itself.
            const double without = static_cast<double>(s.seconds) - lastAboveEnd;
            // A gap of 0 ends the event at the first sample below the threshold (or the
            // first time without samples); readings that follow each other close no event.
            const bool ended =
                above ? without > 0 && without >= options.gapSeconds : without + steps.at(i) >= options.gapSeconds;
            if (ended)
                close();
            else if (above) {
                lastAbove = i;
                lastAboveEnd = static_cast<double>(s.seconds) + steps.at(i);
            }
        }
        if (!open && above) {
            open = true;
            first = lastAbove = i;
            lastAboveEnd = static_cast<double>(s.seconds) + steps.at(i);
        }
    }
    if (open)
        close();
    return events;
}

}  // namespace sonavistor
