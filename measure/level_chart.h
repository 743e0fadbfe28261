#pragma once
// The level charts of the chart windows: a Qt chart with left, right, top and
// bottom value axes, the left one fixed at 0 to 140 dB, and a red line
// Series1 whose points get x = 0, 1, 2 ... as they come.
//
// The chart keeps every point itself and gives the line series only the
// stretch around the visible part of the bottom axis. The chart library
// re-strokes all of a series' points whenever an axis moves, which with
// twelve hours of readings would cost tens of milliseconds per reading; this
// way a reading costs the same whether it is the first or the 43,200th.

#include "measure/chart_navigation.h"

#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QValueAxis>

#include <vector>

namespace sonavistor {

class LevelChart : public ChartAxes {
public:
    // title and leftTitle as the window shows them.
    // Without a view the chart is this object's own.
    LevelChart(QChartView* view, const QString& title, const QString& leftTitle);
    ~LevelChart() override;
    LevelChart(const LevelChart&) = delete;
    LevelChart& operator=(const LevelChart&) = delete;

    QChart* chart() const { return chart_; }
    QLineSeries* Series1() const { return series_; }
    QValueAxis* axis(Axis which) const;

    // All points, not only those the series holds at the moment.
    int pointCount() const { return static_cast<int>(points_.size()); }
    QPointF point(int i) const { return points_[static_cast<std::size_t>(i)]; }
    // Points from 0 on, replacing what there was (the import and data view windows).
    void setPoints(std::vector<QPointF> points);

    // Adds the next point (x = number of points so far) and follows it when asked.
    void addPoint(double level, bool follow);
    void clear();

    AxisRange range(Axis axis) const override;
    void setRange(Axis axis, AxisRange range) override;
    double largestX() const override;
    void repaint() override;

private:
    // Makes the series hold at least the points around [min, max] of the bottom axis.
    void loadAround(AxisRange bottom);

    QChartView* view_;
    QChart* chart_;
    QLineSeries* series_;
    QValueAxis* axes_[4];
    std::vector<QPointF> points_;
    // The series holds points_[loadedFrom, loadedTo).
    std::size_t loadedFrom_ = 0;
    std::size_t loadedTo_ = 0;
};

}  // namespace sonavistor
