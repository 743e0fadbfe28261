#include "widgets/level_chart.h"

#include "widgets/line_decimation.h"

#include <QEvent>
#include <QFontMetricsF>

#include <algorithm>
#include <cmath>
#include <functional>

namespace sonavistor {

LevelChart::LevelChart(QChartView* view, const QString& title, const QString& leftTitle, int seriesCount)
    : view_(view), chart_(new QChart)
{
    chart_->setTitle(title);
    chart_->legend()->hide();
    const Qt::Alignment sides[4] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignTop, Qt::AlignBottom};
    for (int i = 0; i < 4; ++i) {
        axes_[i] = new QValueAxis;
        chart_->addAxis(axes_[i], sides[i]);
    }
    lines_.resize(static_cast<std::size_t>(std::max(1, seriesCount)));
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        auto* series = new QLineSeries;
        series->setName(QStringLiteral("Series%1").arg(i + 1));
        series->setPen(QPen(Qt::red, 1));
        // Each window's many points go on without per-point repaints of the whole chart.
        series->setUseOpenGL(false);
        chart_->addSeries(series);
        series->attachAxis(axes_[static_cast<int>(Axis::Left)]);
        series->attachAxis(axes_[static_cast<int>(Axis::Bottom)]);
        lines_[i].series = series;
    }
    // Right and top carry no series; only their ranges are moved.
    axes_[static_cast<int>(Axis::Right)]->setLabelsVisible(false);
    axes_[static_cast<int>(Axis::Top)]->setLabelsVisible(false);
    axes_[static_cast<int>(Axis::Left)]->setTitleText(leftTitle);
    ranges_[static_cast<int>(Axis::Left)] = {0, 140};
    ranges_[static_cast<int>(Axis::Right)] = {0, 140};
    ranges_[static_cast<int>(Axis::Top)] = {0, 59};
    ranges_[static_cast<int>(Axis::Bottom)] = {0, 59};
    applyRanges();
    for (int i = 0; i < 4; ++i) {
        // A range the chart library sets itself (its mouse zoom) is the range from then on.
        QObject::connect(axes_[i], &QValueAxis::rangeChanged, &applier_, [this, i](qreal min, qreal max) {
            if (!applying_) {
                ranges_[i] = {min, max};
                automatic_[i] = false;
            }
        });
    }
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
    return ranges_[static_cast<int>(which)];
}

void LevelChart::setRange(Axis which, AxisRange r)
{
    automatic_[static_cast<int>(which)] = false;
    ranges_[static_cast<int>(which)] = r;
    scheduleApply();
}

void LevelChart::scheduleApply()
{
    if (applyPending_)
        return;
    applyPending_ = true;
    QMetaObject::invokeMethod(&applier_, [this] { applyRanges(); }, Qt::QueuedConnection);
}

void LevelChart::applyRanges()
{
    applyPending_ = false;
    loadAllAround(ranges_[static_cast<int>(Axis::Bottom)]);
    applying_ = true;
    for (int i = 0; i < 4; ++i) {
        if (axes_[i]->min() != ranges_[i].min || axes_[i]->max() != ranges_[i].max)
            axes_[i]->setRange(ranges_[i].min, ranges_[i].max);
    }
    applying_ = false;
}

void LevelChart::setLeftIncrement(double increment)
{
    QValueAxis* left = axis(Axis::Left);
    if (leftIncrement_ <= 0) {
        QObject::connect(chart_, &QChart::plotAreaChanged, &applier_, [this] { fitLeftTicks(); });
        QObject::connect(left, &QValueAxis::rangeChanged, &applier_, [this] { fitLeftTicks(); });
    }
    leftIncrement_ = increment;
    left->setTickType(QValueAxis::TicksDynamic);
    left->setTickAnchor(0);
    fitLeftTicks();
}

void LevelChart::fitLeftTicks()
{
    QValueAxis* left = axis(Axis::Left);
    // Labels a line and a half apart; five of them before the chart has a size.
    const double labelPitch = 1.5 * QFontMetricsF(left->labelsFont()).height();
    const double height = chart_->plotArea().height();
    const double labels = height > labelPitch ? std::floor(height / labelPitch) : 5;
    left->setTickInterval(steppedIncrement((left->max() - left->min()) / labels, leftIncrement_));
}

void LevelChart::setMarginPercents(int left, int top, int right, int bottom)
{
    if (!view_)
        return;
    // Watches the view's size; dies with the view.
    class Watcher : public QObject {
    public:
        Watcher(QObject* parent, std::function<void()> resized) : QObject(parent), resized_(std::move(resized)) {}
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Resize)
                resized_();
            return false;
        }

    private:
        std::function<void()> resized_;
    };
    const auto apply = [this, left, top, right, bottom] {
        const QSize size = view_->size();
        chart_->setMargins(QMargins(size.width() * left / 100, size.height() * top / 100,
                                    size.width() * right / 100, size.height() * bottom / 100));
    };
    view_->installEventFilter(new Watcher(view_, apply));
    apply();
}

void LevelChart::followDataOnXAxes()
{
    automatic_[static_cast<int>(Axis::Top)] = true;
    automatic_[static_cast<int>(Axis::Bottom)] = true;
    followData();
}

void LevelChart::followData()
{
    double largest = 0;
    for (const Line& l : lines_) {
        if (!l.points.empty())
            largest = std::max(largest, l.points.back().x());
    }
    // An axis needs some width even for a single point.
    const AxisRange r{0, largest > 0 ? largest : 1};
    for (Axis which : {Axis::Top, Axis::Bottom}) {
        if (automatic_[static_cast<int>(which)] && !(ranges_[static_cast<int>(which)] == r)) {
            ranges_[static_cast<int>(which)] = r;
            scheduleApply();
        }
    }
}

double LevelChart::largestX() const
{
    const Line& first = lines_.front();
    return first.points.empty() ? 0 : first.points.back().x();
}

void LevelChart::loadAllAround(AxisRange bottom)
{
    for (Line& l : lines_)
        loadAround(l, bottom);
}

void LevelChart::loadAround(Line& l, AxisRange bottom)
{
    const double count = static_cast<double>(l.points.size());
    // The points whose lines cross the visible part, one more on each side.
    const double lo = std::clamp(std::floor(bottom.min) - 1, 0.0, count);
    const double hi = std::clamp(std::ceil(bottom.max) + 2, 0.0, count);
    const auto needFrom = static_cast<std::size_t>(lo);
    const auto needTo = static_cast<std::size_t>(std::max(lo, hi));
    const std::size_t stride = decimationStride(needTo - needFrom, DrawnRuns);
    const std::size_t width = needTo - needFrom + 4;
    const bool covered = l.stride == stride && l.loadedFrom <= needFrom && needTo <= l.loadedTo;
    // The chart library works through all of a series' points whenever an
    // axis moves, so a series far wider than what shows costs as much as
    // holding everything.
    const bool tooWide = l.loadedTo - l.loadedFrom > 2 * width;
    if (covered && !tooWide)
        return;
    // A quarter of the visible width on both sides (at least 64 points), so
    // that scrolling and following reload only now and then; runs start at
    // multiples of the stride, so a scrolled view thins out the same points
    // the same way.
    const std::size_t margin = std::max<std::size_t>(width / 4, 64);
    const std::size_t from = needFrom > margin ? needFrom - margin : 0;
    l.loadedFrom = from - from % stride;
    l.loadedTo = std::min(l.points.size(), needTo + margin);
    l.stride = stride;
    QList<QPointF> slice;
    appendDecimated(l.points, l.loadedFrom, l.loadedTo, stride, slice);
    l.series->replace(slice);
}

void LevelChart::addPoint(double level, bool follow)
{
    Line& first = lines_.front();
    const QPointF p(static_cast<double>(first.points.size()), level);
    first.points.push_back(p);
    // A series that reaches the newest point grows with it; otherwise the
    // point waits in points until the view comes near it.
    if (first.stride == 1 && first.loadedTo + 1 == first.points.size()) {
        first.series->append(p);
        ++first.loadedTo;
    }
    if (automatic_[static_cast<int>(Axis::Bottom)] || automatic_[static_cast<int>(Axis::Top)])
        followData();
    if (follow)
        FollowNewestPoint(*this);
    else
        loadAround(first, range(Axis::Bottom));
}

void LevelChart::setPoints(int series, std::vector<QPointF> points)
{
    Line& l = lines_[static_cast<std::size_t>(series)];
    l.points = std::move(points);
    l.loadedFrom = l.loadedTo = 0;
    l.stride = 1;
    l.series->clear();
    followData();
    loadAround(l, range(Axis::Bottom));
}

void LevelChart::clear()
{
    for (Line& l : lines_) {
        l.points.clear();
        l.loadedFrom = l.loadedTo = 0;
        l.stride = 1;
        l.series->clear();
    }
    followData();
}

void LevelChart::repaint()
{
    if (view_)
        view_->update();
}

}  // namespace sonavistor
