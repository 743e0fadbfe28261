#pragma once
// The level charts of the chart windows: a Qt chart with left, right, top and
// bottom value axes, the left one fixed at 0 to 140 dB, and a red line
// Series1 whose points get x = 0, 1, 2 ... as they come.

#include "measure/chart_navigation.h"

#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QValueAxis>

namespace sonavistor {

class LevelChart : public ChartAxes {
public:
    // title and leftTitle as the window shows them.
    LevelChart(QChartView* view, const QString& title, const QString& leftTitle);

    QChart* chart() const { return chart_; }
    QLineSeries* Series1() const { return series_; }
    QValueAxis* axis(Axis which) const;

    // Adds the next point (x = number of points so far) and follows it when asked.
    void addPoint(double level, bool follow);
    void clear();

    AxisRange range(Axis axis) const override;
    void setRange(Axis axis, AxisRange range) override;
    double largestX() const override;
    void repaint() override;

private:
    QChartView* view_;
    QChart* chart_;
    QLineSeries* series_;
    QValueAxis* axes_[4];
};

}  // namespace sonavistor
