#include "monitor/interval_summary.h"

#include "analysis/acoustic_figures.h"
#include "analysis/level_statistics.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace sonavistor {

namespace {

qint64 floorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

}  // namespace

QString isoWithOffset(qint64 rowSeconds)
{
    // Row seconds count a clock without time zones from 1970-01-01 00:00.
    const qint64 days = floorDiv(rowSeconds, 86400);
    const QDate date = QDate(1970, 1, 1).addDays(days);
    const QTime time = QTime(0, 0).addSecs(static_cast<int>(rowSeconds - days * 86400));
    const QDateTime local(date, time);
    const int offset = local.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + (offset < 0 ? QLatin1Char('-') : QLatin1Char('+')) +
           QStringLiteral("%1:%2").arg(minutes / 60, 2, 10, QLatin1Char('0')).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QByteArray intervalJson(const IntervalSummary& s)
{
    const QJsonObject o{
        {"start", isoWithOffset(s.start)},
        {"end", isoWithOffset(s.start + s.length)},
        {"weighting", QString(QLatin1Char(s.weighting))},
        {"count", static_cast<double>(s.count)},
        {"coverage", std::round(s.coverage * 1000) / 1000},
        {"leq", roundedLevel(s.leq)},
        {"lmax", roundedLevel(s.lmax)},
        {"lmin", roundedLevel(s.lmin)},
        {"l10", roundedLevel(s.l10)},
        {"l50", roundedLevel(s.l50)},
        {"l90", roundedLevel(s.l90)},
    };
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

IntervalAggregator::IntervalAggregator(qint64 lengthSeconds, double readingSeconds)
    : length_(std::max<qint64>(1, lengthSeconds)), readingSeconds_(readingSeconds)
{
}

void IntervalAggregator::add(qint64 rowSeconds, double level, char weighting)
{
    const qint64 start = floorDiv(rowSeconds, length_) * length_;
    if (start < closedBefore_)
        return;
    open_[{start, weighting}].push_back(level);
}

std::vector<IntervalSummary> IntervalAggregator::closeUpTo(qint64 rowSeconds)
{
    std::vector<IntervalSummary> closed;
    while (!open_.empty() && open_.begin()->first.first + length_ <= rowSeconds) {
        auto node = open_.extract(open_.begin());
        IntervalSummary s;
        s.start = node.key().first;
        s.length = length_;
        s.weighting = node.key().second;
        const LevelStatistics stats = *computeLevelStatistics(std::move(node.mapped()));
        s.count = stats.count;
        s.coverage = std::min(1.0, static_cast<double>(s.count) * readingSeconds_ / static_cast<double>(length_));
        s.leq = stats.leq;
        s.lmax = stats.max;
        s.lmin = stats.min;
        s.l10 = stats.l10;
        s.l50 = stats.l50;
        s.l90 = stats.l90;
        closed.push_back(s);
    }
    closedBefore_ = std::max(closedBefore_, floorDiv(rowSeconds, length_) * length_);
    return closed;
}

std::optional<qint64> IntervalAggregator::nextEnd() const
{
    if (open_.empty())
        return std::nullopt;
    return open_.begin()->first.first + length_;
}

}  // namespace sonavistor
