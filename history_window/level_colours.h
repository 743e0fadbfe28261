#pragma once
// The calendar's colours: a level on the fixed scale of 30 to 100 dB through
// viridis, a map that reads in order for colour-blind eyes and in grey too.
// Levels outside the scale take its end colours.

#include <QColor>

namespace sonavistor {

inline constexpr double kScaleLowest = 30.0;
inline constexpr double kScaleHighest = 100.0;

QColor levelColour(double level);

}  // namespace sonavistor
