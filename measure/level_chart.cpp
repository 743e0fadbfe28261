#include "measure/level_chart.h"

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
        view_->setChart(chart_);
        view_->setRenderHint(QPainter::Antialiasing, false);
    }
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
    axis(which)->setRange(r.min, r.max);
}

double LevelChart::largestX() const
{
    const int n = series_->count();
    return n > 0 ? n - 1 : 0;
}

void LevelChart::addPoint(double level, bool follow)
{
    series_->append(series_->count(), level);
    if (follow)
        FollowNewestPoint(*this);
}

void LevelChart::clear()
{
    series_->clear();
}

void LevelChart::repaint()
{
    if (view_)
        view_->update();
}

}  // namespace sonavistor
