#include "export/influx_lines.h"

#include "analysis/acoustic_figures.h"
#include "analysis/level_statistics.h"
#include "analysis/saved_file.h"
#include "common/error.h"
#include "common/whole_file.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <map>
#include <vector>

namespace sonavistor {

namespace {

constexpr qint64 kNanoseconds = 1'000'000'000LL;

qint64 floorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Commas, blanks and equal signs end a tag value unless escaped.
QByteArray tagValue(const QString& text)
{
    QByteArray out;
    for (const char c : text.toUtf8()) {
        if (c == ',' || c == ' ' || c == '=' || c == '\\')
            out += '\\';
        out += c;
    }
    return out.isEmpty() ? QByteArray("meter") : out;
}

QByteArray weightingTag(char weighting)
{
    return QByteArray(1, (weighting >= 'A' && weighting <= 'Z') ? weighting : '_');
}

QByteArray level(double value)
{
    return QByteArray::number(roundedLevel(value), 'f', 1);
}

qint64 median(std::vector<qint64>& values, qint64 none)
{
    if (values.empty())
        return none;
    auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// One file's readings, grouped by second for their stamps and by interval for the figures.
class FileLines {
public:
    FileLines(QString meter, qint64 intervalSeconds) : meter_(std::move(meter)), length_(intervalSeconds) {}

    void add(qint64 rowSeconds, double value, char weighting, QByteArray& text)
    {
        if (!second_.empty() && rowSeconds != secondRow_)
            flushSecond(text);
        if (second_.empty()) {
            if (lastRow_ && rowSeconds > *lastRow_)
                steps_.push_back(rowSeconds - *lastRow_);
            lastRow_ = rowSeconds;
            secondRow_ = rowSeconds;
            secondInstant_ = instants_.instant(rowSeconds);
        }
        second_.emplace_back(value, weighting);
        intervals_[{floorDiv(secondInstant_, length_) * length_, weighting}].push_back(value);
    }

    qint64 finish(QByteArray& text)
    {
        flushSecond(text);
        // What one reading stands for: the usual step between seconds over
        // the usual number of readings in one.
        const double step = static_cast<double>(median(steps_, 1)) / static_cast<double>(median(perSecond_, 1));
        for (auto& [key, levels] : intervals_) {
            const LevelStatistics stats = *computeLevelStatistics(std::move(levels));
            InfluxInterval i;
            i.start = key.first;
            i.meter = meter_;
            i.weighting = key.second;
            i.count = stats.count;
            i.coverage = std::min(1.0, static_cast<double>(stats.count) * step / static_cast<double>(length_));
            i.leq = stats.leq;
            i.lmax = stats.max;
            i.lmin = stats.min;
            i.l10 = stats.l10;
            i.l50 = stats.l50;
            i.l90 = stats.l90;
            text += influxIntervalLine(i);
        }
        return static_cast<qint64>(intervals_.size());
    }

private:
    void flushSecond(QByteArray& text)
    {
        const auto n = static_cast<qint64>(second_.size());
        for (qint64 k = 0; k < n; ++k)
            text += influxReadingLine(meter_, second_[k].second, second_[k].first,
                                      secondInstant_ * kNanoseconds + k * kNanoseconds / n);
        if (n > 0)
            perSecond_.push_back(n);
        second_.clear();
    }

    QString meter_;
    qint64 length_;
    RowInstants instants_;
    std::vector<std::pair<double, char>> second_;  // the readings of one row second, in order
    qint64 secondRow_ = 0;
    qint64 secondInstant_ = 0;
    std::optional<qint64> lastRow_;
    std::vector<qint64> steps_;
    std::vector<qint64> perSecond_;
    std::map<std::pair<qint64, char>, std::vector<double>> intervals_;
};

}  // namespace

RowInstants::RowInstants(QTimeZone zone) : zone_(std::move(zone)) {}

int RowInstants::offsetAt(qint64 utc) const
{
    return zone_.offsetFromUtc(QDateTime::fromSecsSinceEpoch(utc, Qt::UTC));
}

std::vector<int> RowInstants::validOffsets(qint64 rowSeconds) const
{
    // A zone changes its offset at most once within a day either side.
    std::vector<int> valid;
    for (const int candidate : {offsetAt(rowSeconds - 86400), offsetAt(rowSeconds + 86400)}) {
        if (offsetAt(rowSeconds - candidate) == candidate && std::find(valid.begin(), valid.end(), candidate) == valid.end())
            valid.push_back(candidate);
    }
    std::sort(valid.rbegin(), valid.rend());
    return valid;
}

qint64 RowInstants::instant(qint64 rowSeconds)
{
    int offset = 0;
    if (clockKept_ && offset_) {
        offset = *offset_;
    } else {
        const std::vector<int> valid = validOffsets(rowSeconds);
        if (valid.empty()) {
            clockKept_ = true;
            offset = offset_.value_or(offsetAt(rowSeconds - 86400));
        } else if (valid.size() == 2) {
            const bool wentBack = last_ && rowSeconds < *last_;
            offset = (offset_ == valid[1] || (wentBack && offset_ == valid[0])) ? valid[1] : valid[0];
        } else {
            offset = valid[0];
        }
    }
    offset_ = offset;
    last_ = rowSeconds;
    return rowSeconds - offset;
}

qint64 RowInstants::nearest(qint64 rowSeconds, qint64 now) const
{
    std::vector<int> valid = validOffsets(rowSeconds);
    if (valid.empty())
        valid.push_back(offsetAt(now));
    qint64 best = rowSeconds - valid[0];
    for (const int offset : valid) {
        if (std::abs(rowSeconds - offset - now) < std::abs(best - now))
            best = rowSeconds - offset;
    }
    return best;
}

QByteArray influxReadingLine(const QString& meter, char weighting, double value, qint64 nanoseconds)
{
    return "sound_level,meter=" + tagValue(meter) + ",weighting=" + weightingTag(weighting) + " level=" + level(value) +
           ' ' + QByteArray::number(nanoseconds) + '\n';
}

QByteArray influxIntervalLine(const InfluxInterval& i)
{
    return "sound_interval,meter=" + tagValue(i.meter) + ",weighting=" + weightingTag(i.weighting) +
           " leq=" + level(i.leq) + ",lmax=" + level(i.lmax) + ",lmin=" + level(i.lmin) + ",l10=" + level(i.l10) +
           ",l50=" + level(i.l50) + ",l90=" + level(i.l90) + ",count=" + QByteArray::number(i.count) +
           "i,coverage=" + QByteArray::number(std::round(i.coverage * 1000) / 1000) + ' ' +
           QByteArray::number(i.start * kNanoseconds) + '\n';
}

InfluxExport writeInfluxLines(const QString& output, const QStringList& files, const InfluxExportOptions& options)
{
    InfluxExport result;
    QByteArray text;
    for (const QString& path : files) {
        SavedFileReader reader(path);
        if (!reader.isSavedFile())
            throw Error(QStringLiteral("%1, line 1: not a Sonavistor saved file").arg(path));
        const QString meter = options.meter.isEmpty() ? QFileInfo(path).absoluteDir().dirName() : options.meter;
        FileLines lines(meter, std::max<qint64>(1, options.intervalSeconds));
        SavedReading reading;
        while (reader.next(reading)) {
            // Every reading line has its date at 1-10 and its time at 12-19.
            const QByteArrayView line(reading.line);
            const auto seconds = rowSeconds(line.first(10), line.sliced(11, 8));
            if (!seconds) {
                ++result.untimed;
                continue;
            }
            lines.add(*seconds, reading.level, reading.weighting, text);
            ++result.written;
        }
        result.intervals += lines.finish(text);
    }
    WholeFile file(output);
    file.writeAll(text);
    file.commit();
    return result;
}

}  // namespace sonavistor
