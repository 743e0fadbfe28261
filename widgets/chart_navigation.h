#pragma once
// The chart buttons of the three chart windows, as axis-range arithmetic
// over a chart with four axes. The commands change only ranges, never data.

namespace sonavistor {

enum class Axis { Left, Right, Top, Bottom };

struct AxisRange {
    double min = 0;
    double max = 0;
    friend bool operator==(const AxisRange&, const AxisRange&) = default;
};

class ChartAxes {
public:
    virtual ~ChartAxes() = default;
    virtual AxisRange range(Axis axis) const = 0;
    virtual void setRange(Axis axis, AxisRange range) = 0;  // fixes the axis at exactly this range
    virtual double largestX() const = 0;                    // of firstSeries; 0 without points
    virtual void repaint() {}
};

// Narrows (p above 100) or widens (below 100) every axis about its centre.
void ZoomPercent(ChartAxes& chart, double p);
void ZoomIn(ChartAxes& chart);
void ZoomOut(ChartAxes& chart);
void ResetZoom(ChartAxes& chart);
// The real-time and import windows: the bottom axis by s points (+30 / -30).
void ScrollByPoints(ChartAxes& chart, double s);
// The data view window: the top and bottom axes by p percent (+10 / -10).
void ScrollAxis(ChartAxes& chart, Axis axis, double p);
void HorizScroll(ChartAxes& chart, double p);
// After each point added to firstSeries: the view moves on by one point.
void FollowNewestPoint(ChartAxes& chart);

// The step of an axis whose labels go up by whole multiples of `increment`:
// the smallest of increment times 1, 2 or 5 times a power of ten that is at
// least `wanted` (the span over as many labels as fit).
double steppedIncrement(double wanted, double increment);

}  // namespace sonavistor
