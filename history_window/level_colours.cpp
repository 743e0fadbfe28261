#include "history_window/level_colours.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace sonavistor {

namespace {

// Viridis at nine even steps from its dark to its light end.
constexpr std::array<QRgb, 9> kViridis = {0x440154, 0x472d7b, 0x3b528b, 0x2c728e, 0x21918c,
                                          0x28ae80, 0x5ec962, 0xaddc30, 0xfde725};

}  // namespace

QColor levelColour(double level)
{
    const double share = std::clamp((level - kScaleLowest) / (kScaleHighest - kScaleLowest), 0.0, 1.0);
    const double at = share * (kViridis.size() - 1);
    const auto below = static_cast<size_t>(std::floor(at));
    const size_t above = std::min(below + 1, kViridis.size() - 1);
    const double t = at - static_cast<double>(below);
    const auto mix = [t](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * t)); };
    const QRgb a = kViridis[below];
    const QRgb b = kViridis[above];
    return QColor(mix(qRed(a), qRed(b)), mix(qGreen(a), qGreen(b)), mix(qBlue(a), qBlue(b)));
}

}  // namespace sonavistor
