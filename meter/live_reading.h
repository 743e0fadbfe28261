#pragma once
// What a live reading's level and status byte say.
// Status bits: 0-2 the range index, 3 (8) MIN shown, 4 (16) C weighting,
// 5 (32) MAX shown, 6 (64) FAST time weighting.

#include <QString>

#include <optional>
#include <utility>

namespace sonavistor {

inline constexpr int kLevelLimit = 1400;  // 140.0 dB: levels above it are shown as it

// The range's low and high limit in dB; nothing for indexes 5 to 7, which
// have no entry in the range table.
std::optional<std::pair<int, int>> rangeLimits(int status);

struct LiveStatus {
    int rangeIndex = 0;
    bool minShown = false;
    bool weightingC = false;
    bool maxShown = false;
    bool fast = false;
};

LiveStatus decodeLiveStatus(int status);

// One live reading as the meter sent it, with what its status byte says.
struct LiveReading {
    int level = 0;   // tenths of a dB, not limited
    int status = 0;  // the status byte
    bool weightingC = false;  // C weighting, else A
    std::optional<std::pair<int, int>> range;  // the range's limits in dB, when the index has any
    bool fast = false;      // FAST time weighting, else SLOW
    bool maxHold = false;   // MAX shown
    bool minHold = false;   // MIN shown

    QString weighting() const { return weightingC ? QStringLiteral("C") : QStringLiteral("A"); }
};

LiveReading decodeLiveReading(int level, int status);

// The level as shown: limited to 140.0 dB.
int limitedLevel(int tenths);

// q "." r of the (limited) level: 853 -> "85.3", 5 -> "0.5".
QString levelDisplayText(int tenths);

}  // namespace sonavistor
