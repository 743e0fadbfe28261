#include "widgets/line_decimation.h"

#include <algorithm>

namespace sonavistor {

std::size_t decimationStride(std::size_t visible, std::size_t runs)
{
    if (runs == 0 || visible <= 2 * runs)
        return 1;
    std::size_t stride = 2;
    while (visible > stride * runs)
        stride *= 2;
    return stride;
}

void appendDecimated(const std::vector<QPointF>& points, std::size_t from, std::size_t to, std::size_t stride,
                     QList<QPointF>& out)
{
    to = std::min(to, points.size());
    if (from >= to)
        return;
    if (stride <= 1) {
        out.append(QList<QPointF>(points.begin() + static_cast<std::ptrdiff_t>(from),
                                  points.begin() + static_cast<std::ptrdiff_t>(to)));
        return;
    }
    for (std::size_t run = from - from % stride; run < to; run += stride) {
        const std::size_t begin = std::max(run, from);
        const std::size_t end = std::min(run + stride, to);
        std::size_t low = begin;
        std::size_t high = begin;
        for (std::size_t i = begin + 1; i < end; ++i) {
            if (points[i].y() < points[low].y())
                low = i;
            if (points[i].y() > points[high].y())
                high = i;
        }
        out.append(points[std::min(low, high)]);
        if (low != high)
            out.append(points[std::max(low, high)]);
    }
}

}  // namespace sonavistor
