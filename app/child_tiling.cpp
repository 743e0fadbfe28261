#include "app/child_tiling.h"

namespace sonavistor {

std::vector<QRect> tileRects(int count, const QRect& area, TileMode mode)
{
    std::vector<QRect> rects;
    if (count <= 0)
        return rects;
    const bool horizontal = mode == TileMode::Horizontal;
    const int total = horizontal ? area.height() : area.width();
    const int step = total / count;
    for (int i = 0; i < count; ++i) {
        const int start = i * step;
        const int length = (i == count - 1) ? total - start : step;
        if (horizontal)
            rects.emplace_back(area.left(), area.top() + start, area.width(), length);
        else
            rects.emplace_back(area.left() + start, area.top(), length, area.height());
    }
    return rects;
}

}  // namespace sonavistor
