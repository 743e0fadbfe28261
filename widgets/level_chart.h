#pragma once
// The level charts of the chart windows: a Qt chart with left, right, top and
// bottom value axes, the left one fixed at 0 to 140 dB, and one or more line
// series (named Series1, Series2, ...; the first red unless the window colours it)
// whose points get x = 0, 1, 2 ... as they come.
//
// The chart keeps every point itself and gives each line series only the
// stretch around the visible part of the bottom axis, thinned out to a few
// points per pixel when that stretch is long. The chart library re-strokes
// all of a series' points whenever an axis moves, which with twelve hours of
// readings would cost tens of milliseconds per reading, and with ten whole
// days side by side far more per zoom; this way a reading costs the same
// whether it is the first or the 43,200th, and a zoom the same for one day
// as for ten.

#include "widgets/chart_navigation.h"

#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QValueAxis>

#include <vector>

namespace sonavistor {

class LevelChart : public ChartAxes {
public:
    // At most about this many runs of points are drawn per visible width: a
    // run to a pixel or two of a maximised window's chart.
    static constexpr std::size_t DrawnRuns = 640;

    // title and leftTitle as the window shows them.
    // Without a view the chart is this object's own.
    LevelChart(QChartView* view, const QString& title, const QString& leftTitle, int seriesCount = 1);
    ~LevelChart() override;
    LevelChart(const LevelChart&) = delete;
    LevelChart& operator=(const LevelChart&) = delete;

    QChart* chart() const { return chart_; }
    QLineSeries* firstSeries() const { return series(0); }
    QLineSeries* series(int i) const { return lines_[static_cast<std::size_t>(i)].series; }
    int seriesCount() const { return static_cast<int>(lines_.size()); }
    QValueAxis* axis(Axis which) const;

    // All points, not only those the series holds at the moment.
    int pointCount(int series = 0) const { return static_cast<int>(line(series).points.size()); }
    QPointF point(int i) const { return point(0, i); }
    QPointF point(int series, int i) const { return line(series).points[static_cast<std::size_t>(i)]; }
    // Points from 0 on, replacing what there was (the import and data view windows).
    void setPoints(std::vector<QPointF> points) { setPoints(0, std::move(points)); }
    void setPoints(int series, std::vector<QPointF> points);

    // Adds the next point to firstSeries (x = number of points so far) and follows it when asked.
    void addPoint(double level, bool follow);
    // Empties every series.
    void clear();

    // The bottom and top axes show 0 to the largest x of all series, as the
    // points come, until a range is set on them (the data view window).
    void followDataOnXAxes();

    // A range set here shows once the event loop runs (or applyRanges() is
    // called): the chart library redraws every series whenever an axis
    // moves, and the chart commands move up to five axes in a row.
    AxisRange range(Axis axis) const override;
    void setRange(Axis axis, AxisRange range) override;
    double largestX() const override;
    void repaint() override;
    // Gives the Qt chart the ranges set so far and each series its stretch.
    void applyRanges();

    // The left axis steps by whole multiples of `increment` (see
    // steppedIncrement), with as many labels as its height holds apart.
    void setLeftIncrement(double increment);
    // Margins in percent of the view's width (left, right) and height (top,
    // bottom), kept as the view resizes.
    void setMarginPercents(int left, int top, int right, int bottom);

private:
    struct Line {
        QLineSeries* series = nullptr;
        std::vector<QPointF> points;
        // The series holds points[loadedFrom, loadedTo), thinned out by stride.
        std::size_t loadedFrom = 0;
        std::size_t loadedTo = 0;
        std::size_t stride = 1;
    };

    const Line& line(int i) const { return lines_[static_cast<std::size_t>(i)]; }
    // Makes the series hold at least the points around [min, max] of the bottom axis.
    void loadAround(Line& line, AxisRange bottom);
    void loadAllAround(AxisRange bottom);
    void followData();
    void scheduleApply();
    void fitLeftTicks();

    QChartView* view_;
    QChart* chart_;
    std::vector<Line> lines_;
    QValueAxis* axes_[4];
    AxisRange ranges_[4];
    bool automatic_[4] = {false, false, false, false};
    bool applyPending_ = false;
    bool applying_ = false;
    double leftIncrement_ = 0;
    QObject applier_;  // pending applications die with the chart
};

}  // namespace sonavistor
