#pragma once
// Where the import window puts its panels, and where its chart's view ends
// after a day's points were added.

#include "widgets/chart_navigation.h"

#include <QPoint>
#include <QSize>

namespace sonavistor {

// The top-left corner that centres a panel over the chart panel: half the
// difference each way, halves rounded toward zero.
QPoint centredPanelPos(QSize chartPanel, QSize panel);

// The bottom range of a chart that showed `start` after points x = 0 ..
// count - 1 were added one by one, each followed as the chart windows follow
// their newest point. The import adds a whole day at once and sets this range.
AxisRange followedRange(AxisRange start, int count);

}  // namespace sonavistor
