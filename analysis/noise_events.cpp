#include "analysis/noise_events.h"

#include "analysis/log_sum_exp.h"

#include <cmath>

namespace sonavistor {

namespace {

// The event of samples[first ... last], last being the final one at or above
// the threshold; nothing when it is shorter than the minimum.
std::optional<NoiseEvent> eventOf(std::span<const AcousticSample> samples, size_t first, size_t last,
                                  double sampleSeconds, const NoiseOptions& options)
{
    NoiseEvent e;
    e.start = samples[first].seconds;
    e.end = samples[last].seconds + static_cast<qint64>(std::llround(sampleSeconds));
    e.duration = static_cast<double>(samples[last].seconds - e.start) + sampleSeconds;
    if (e.duration < options.minSeconds)
        return std::nullopt;
    e.weighting = samples[first].weighting;
    e.lmax = samples[first].level;
    e.lmaxAt = e.start;
    LogSumExp energy;
    for (size_t i = first; i <= last; ++i) {
        const AcousticSample& s = samples[i];
        energy.add(kEnergy * s.level);
        if (s.level > e.lmax) {
            e.lmax = s.level;
            e.lmaxAt = s.seconds;
        }
    }
    const auto count = static_cast<long long>(last - first + 1);
    e.leq = leqOf(energy, count);
    e.sel = e.leq + 10 * std::log10(static_cast<double>(count) * sampleSeconds);
    return e;
}

}  // namespace

std::vector<NoiseEvent> findNoiseEvents(std::span<const AcousticSample> samples, double sampleSeconds,
                                        const NoiseOptions& options)
{
    std::vector<NoiseEvent> events;
    bool open = false;
    size_t first = 0;
    size_t lastAbove = 0;
    const auto close = [&] {
        if (auto e = eventOf(samples, first, lastAbove, sampleSeconds, options))
            events.push_back(*e);
        open = false;
    };
    for (size_t i = 0; i < samples.size(); ++i) {
        const AcousticSample& s = samples[i];
        const bool above = s.level >= options.threshold;
        if (open) {
            // Below since the end of the last sample at or above the threshold.
            const double below = static_cast<double>(s.seconds - samples[lastAbove].seconds) - sampleSeconds;
            if (below >= options.gapSeconds)
                close();
            else if (above)
                lastAbove = i;
        }
        if (!open && above) {
            open = true;
            first = lastAbove = i;
        }
    }
    if (open)
        close();
    return events;
}

}  // namespace sonavistor
