#include "import_window/import_view.h"

namespace sonavistor {

QPoint centredPanelPos(QSize chartPanel, QSize panel)
{
    // Integer division truncates toward zero, also when the panel is the larger.
    return {(chartPanel.width() - panel.width()) / 2, (chartPanel.height() - panel.height()) / 2};
}

namespace {

// A chart with nothing but its bottom range and point count, so the follow
// rule runs over a day's points without laying out a real chart each time.
class BottomAxisOnly : public ChartAxes {
public:
    explicit BottomAxisOnly(AxisRange bottom) : bottom_(bottom) {}
    AxisRange range(Axis axis) const override { return axis == Axis::Bottom ? bottom_ : AxisRange{}; }
    void setRange(Axis axis, AxisRange range) override
    {
        if (axis == Axis::Bottom)
            bottom_ = range;
    }
    double largestX() const override { return largestX_; }
    void added(int x) { largestX_ = x; }

private:
    AxisRange bottom_;
    double largestX_ = 0;
};

}  // namespace

AxisRange followedRange(AxisRange start, int count)
{
    BottomAxisOnly chart(start);
    for (int x = 0; x < count; ++x) {
        chart.added(x);
        FollowNewestPoint(chart);
    }
    return chart.range(Axis::Bottom);
}

}  // namespace sonavistor
