#pragma once
// A dense line thinned out for drawing. A chart a thousand pixels wide that
// shows a day of readings cannot show more than a few of them per pixel; the
// lowest and the highest of each run of readings, in the order they come,
// draw the same picture (every peak and dip stays) at a fraction of the cost.

#include <QList>
#include <QPointF>

#include <cstddef>
#include <vector>

namespace sonavistor {

// The run length for showing `visible` points with at most about `runs`
// runs: 1 (every point) up to twice that many, otherwise a power of two, so
// that it stays the same while the view scrolls and changes only with the zoom.
std::size_t decimationStride(std::size_t visible, std::size_t runs);

// Appends points[from, to) to out: all of them for a stride of 1, otherwise
// from each run (runs start at multiples of stride) its lowest and highest
// point in their order, or the one point of a run where both are the same.
void appendDecimated(const std::vector<QPointF>& points, std::size_t from, std::size_t to, std::size_t stride,
                     QList<QPointF>& out);

}  // namespace sonavistor
