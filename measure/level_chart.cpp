#include "measure/level_chart.h"

#include <algorithm>
#include <cmath>

namespace sonavistor {

LevelChart::LevelChart(QChartView* view, const QString& title, const QString& leftTitle)
    : view_(view), chart_(new QChart), series_(new QLineSeries)
{
    chart_->setTitle(title);
    chart_->legend()->hide();
    series_->setName(QStringLiteral("Series1"));
    series_->setPen(QPen(Qt::red, 1));
    // Each window's many points go on without per-point repaints of the whole chart.
    series_->setUseOpenGL(false);
    chart_->addSeries(series_);
    const Qt::Alignment sides[4] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignTop, Qt::AlignBottom};
    for (int i = 0; i < 4; ++i) {
        axes_[i] = new QValueAxis;
        chart_->addAxis(axes_[i], sides[i]);
    }
    series_->attachAxis(axes_[static_cast<int>(Axis::Left)]);
    series_->attachAxis(axes_[static_cast<int>(Axis::Bottom)]);
    // Right and top carry no series; only their ranges are moved.
    axes_[static_cast<int>(Axis::Right)]->setLabelsVisible(false);
    axes_[static_cast<int>(Axis::Top)]->setLabelsVisible(false);
    axes_[static_cast<int>(Axis::Left)]->setTitleText(leftTitle);
    setRange(Axis::Left, {0, 140});
    setRange(Axis::Right, {0, 140});
    setRange(Axis::Top, {0, 59});
    setRange(Axis::Bottom, {0, 59});
    axes_[static_cast<int>(Axis::Bottom)]->setLabelFormat(QStringLiteral("%.0f"));
    axes_[static_cast<int>(Axis::Left)]->setLabelFormat(QStringLiteral("%.0f"));
    if (view_) {
        // The view gives up the chart it made itself without deleting it.
        QChart* made = view_->chart();
        view_->setChart(chart_);
        delete made;
        view_->setRenderHint(QPainter::Antialiasing, false);
    }
}

LevelChart::~LevelChart()
{
    if (!view_)
        delete chart_;  // a view deletes its chart with itself
}

QValueAxis* LevelChart::axis(Axis which) const
{
    return axes_[static_cast<int>(which)];
}

AxisRange LevelChart::range(Axis which) const
{
    const QValueAxis* a = axis(which);
    return {a->min(), a->max()};
}

void LevelChart::setRange(Axis which, AxisRange r)
{
    if (which == Axis::Bottom)
        loadAround(r);
    axis(which)->setRange(r.min, r.max);
}

double LevelChart::largestX() const
{
    return points_.empty() ? 0 : points_.back().x();
}

void LevelChart::loadAround(AxisRange bottom)
{
    const double count = static_cast<double>(points_.size());
    // The points whose lines cross the visible part, one more on each side.
    const double lo = std::clamp(std::floor(bottom.min) - 1, 0.0, count);
    const double hi = std::clamp(std::ceil(bottom.max) + 2, 0.0, count);
    const auto needFrom = static_cast<std::size_t>(lo);
    const auto needTo = static_cast<std::size_t>(std::max(lo, hi));
    const std::size_t width = needTo - needFrom + 4;
    const bool covered = loadedFrom_ <= needFrom && needTo <= loadedTo_;
    // A series far wider than what shows is as slow as holding everything.
    const bool tooWide = loadedTo_ - loadedFrom_ > 4 * width;
    if (covered && !tooWide)
        return;
    // A visible width's worth on both sides, so scrolling and following
    // reload only now and then.
    loadedFrom_ = needFrom > width ? needFrom - width : 0;
    loadedTo_ = std::min(points_.size(), needTo + width);
    const QList<QPointF> slice(points_.begin() + static_cast<std::ptrdiff_t>(loadedFrom_),
                               points_.begin() + static_cast<std::ptrdiff_t>(loadedTo_));
    series_->replace(slice);
}

void LevelChart::addPoint(double level, bool follow)
{
    const QPointF p(static_cast<double>(points_.size()), level);
    points_.push_back(p);
    // A series that reaches the newest point grows with it; otherwise the
    // point waits in points_ until the view comes near it.
    if (loadedTo_ + 1 == points_.size()) {
        series_->append(p);
        ++loadedTo_;
    }
    if (follow)
        FollowNewestPoint(*this);
    else
        loadAround(range(Axis::Bottom));
}

void LevelChart::setPoints(std::vector<QPointF> points)
{
    points_ = std::move(points);
    loadedFrom_ = loadedTo_ = 0;
    series_->clear();
    loadAround(range(Axis::Bottom));
}

void LevelChart::clear()
{
    points_.clear();
    loadedFrom_ = loadedTo_ = 0;
    series_->clear();
}

void LevelChart::repaint()
{
    if (view_)
        view_->update();
}

}  // namespace sonavistor
