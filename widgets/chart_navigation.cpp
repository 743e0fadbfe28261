#include "widgets/chart_navigation.h"

#include <initializer_list>

namespace sonavistor {

namespace {

constexpr AxisRange kLevelRange{0, 140};
constexpr AxisRange kStartRange{0, 59};  // sixty points

}  // namespace

void ZoomPercent(ChartAxes& chart, double p)
{
    for (Axis axis : {Axis::Left, Axis::Right, Axis::Top, Axis::Bottom}) {
        const AxisRange r = chart.range(axis);
        const double d = (r.max - r.min) * (p - 100) * 0.01;
        chart.setRange(axis, {r.min + d, r.max - d});
    }
    chart.repaint();
}

void ZoomIn(ChartAxes& chart)
{
    ZoomPercent(chart, 120);
    chart.setRange(Axis::Left, kLevelRange);
}

void ZoomOut(ChartAxes& chart)
{
    ZoomPercent(chart, 80);
    chart.setRange(Axis::Left, kLevelRange);
    const AxisRange bottom = chart.range(Axis::Bottom);
    if (bottom.min < 0)
        chart.setRange(Axis::Bottom, {0, bottom.max});
}

void ResetZoom(ChartAxes& chart)
{
    // A short chart keeps whatever zoom it has.
    const double largest = chart.largestX();
    if (largest > 60)
        chart.setRange(Axis::Bottom, {0, largest});
}

void ScrollByPoints(ChartAxes& chart, double s)
{
    const AxisRange r = chart.range(Axis::Bottom);
    AxisRange moved{r.min + s, r.max + s};
    if (moved.min < 0)
        moved = kStartRange;  // whatever the width was
    chart.setRange(Axis::Bottom, moved);
}

void ScrollAxis(ChartAxes& chart, Axis axis, double p)
{
    const AxisRange r = chart.range(axis);
    const double d = (r.max - r.min) * p / 100;
    chart.setRange(axis, {r.min + d, r.max + d});
}

void HorizScroll(ChartAxes& chart, double p)
{
    ScrollAxis(chart, Axis::Top, p);
    ScrollAxis(chart, Axis::Bottom, p);
}

void FollowNewestPoint(ChartAxes& chart)
{
    const AxisRange r = chart.range(Axis::Bottom);
    // Both ends move in one step, so the range never turns inside out
    // and the chart lays itself out once per point.
    if (chart.largestX() > r.max)
        chart.setRange(Axis::Bottom, {r.min + 1, r.max + 1});
}

double steppedIncrement(double wanted, double increment)
{
    if (!(increment > 0))
        return wanted;
    for (double decade = increment;; decade *= 10) {
        for (const double factor : {1.0, 2.0, 5.0}) {
            if (decade * factor >= wanted)
                return decade * factor;
        }
        if (decade > 1e12)
            return decade;
    }
}

}  // namespace sonavistor
