#pragma once
// Where Window › Horizontally and Window › Vertically put the child windows.

#include <QRect>

#include <vector>

namespace sonavistor {

enum class TileMode {
    Horizontal,  // one above the other, each as wide as the frame
    Vertical,    // side by side, each as tall as the frame
};

// count rectangles that together fill area; the remainder pixels go to the last.
std::vector<QRect> tileRects(int count, const QRect& area, TileMode mode);

}  // namespace sonavistor
