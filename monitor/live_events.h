#pragma once
// The noise events of the readings as they come, by the rule of
// `sonavistor-cli info --events` (analysis/noise_figures.h): an event runs
// from the first sample at or above the threshold to the last one before
// the level stays below it for the gap, and is dropped when shorter than the
// minimum. Each weighting has events of its own, as in the day files'
// figures. An event is known once the gap has passed: a later sample or the
// clock says so.

#include "analysis/noise_figures.h"

#include <QByteArray>

#include <map>
#include <vector>

namespace sonavistor {

class LiveEventDetector {
public:
    // sampleSeconds: the time a reading stands for (the logger's pace).
    LiveEventDetector(double sampleSeconds, NoiseOptions options);

    // A reading, in time order (row seconds); the events it ended.
    std::vector<NoiseEvent> add(qint64 seconds, double level, char weighting);
    // The events whose gap has passed by `seconds` without a reading at or above the threshold.
    std::vector<NoiseEvent> closeUpTo(qint64 seconds);
    // Whether an event runs now: above the threshold long enough to count.
    bool running() const;

private:
    struct Open {
        std::vector<AcousticSample> samples;  // from its first sample on
        size_t lastAbove = 0;
    };
    std::vector<NoiseEvent> close(Open& open);
    bool gapPassed(const Open& open, qint64 seconds) const;

    double sampleSeconds_;
    NoiseOptions options_;
    std::map<char, Open> open_;  // by weighting
};

// {"start":"2026-12-10T15:04:07+01:00","end":...,"duration":4,"lmax":81.1,
//  "lmaxAt":...,"leq":76.2,"sel":82.2,"weighting":"A"}: levels to 0.1 dB.
QByteArray noiseEventJson(const NoiseEvent& e);

}  // namespace sonavistor
