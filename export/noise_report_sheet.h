#pragma once
// What the pages of the noise report are drawn with: the page's measures, a
// sheet that draws (or only measures) in millimetres, tables, the 24-hour
// charts and the texts the pages share.

#include "export/noise_report.h"

#include "analysis/log_sum_exp.h"
#include "common/number_text.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <optional>

namespace sonavistor::report_sheet {


constexpr int kPdfResolution = 600;
constexpr char kReportTitle[] = "Noise report";

// The page, in millimetres on A4 portrait.
constexpr double kLeft = 15;
constexpr double kWidth = 180;
constexpr double kHeaderTop = 10;
constexpr double kContentTop = 20;
constexpr double kBottom = 278;
constexpr double kFooterTop = 284;
constexpr double kRow = 5;
constexpr double kLine = 4.2;  // a line of wrapped 8-point text
constexpr double kChartHeight = 62;
constexpr int kHourlyRowsPerColumn = 12;
constexpr double kLabelWidth = 42;  // the labels of the details and the measurement

const QColor kEveningShade(228, 228, 228);
const QColor kNightShade(200, 200, 200);
const QColor kBarColour(70, 110, 170);
const QColor kThresholdColour(200, 40, 40);

const QString kPartialMark = QStringLiteral(" *");

inline QString dB(const std::optional<double>& level)
{
    return level ? oneDecimal(*level) : QStringLiteral("-");
}

inline QString percentText(double share)
{
    return oneDecimal(100 * share) + QStringLiteral(" %");
}

// "5", "0.5": a number as a person writes it, never in exponent form.
inline QString plainNumber(double value)
{
    QString text = QString::number(value, 'f', 3);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

inline qint64 dayOf(qint64 seconds)
{
    return seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
}

// A time of an event on its day: "07:01:08"; a time on another date in full.
inline QString timeOnDay(qint64 seconds, qint64 day)
{
    return dayOf(seconds) == day ? isoTimeText(seconds) : isoDateTimeText(seconds);
}

// Draws in millimetres from the paper's top-left corner. Without a painter it
// only measures: the first of the two passes that count the pages.
class Sheet {
public:
    Sheet(QPainter* painter, const QPaintDevice* device, double pixelsPerMm)
        : p_(painter), device_(device), ppm_(pixelsPerMm)
    {
    }

    bool drawing() const { return p_ != nullptr; }
    QPainter& painter() { return *p_; }
    double px(double mm) const { return mm * ppm_; }
    QPointF at(double x, double y) const { return {px(x), px(y)}; }
    QRectF rect(double x, double y, double w, double h) const { return {px(x), px(y), px(w), px(h)}; }

    void font(double points, bool bold = false)
    {
        font_ = QFont(QStringLiteral("Sans Serif"));
        font_.setPointSizeF(points);
        font_.setBold(bold);
        if (p_)
            p_->setFont(font_);
    }

    // One line of text in the box; cut with an ellipsis rather than run into the next.
    void text(double x, double y, double w, const QString& s, Qt::Alignment align = Qt::AlignLeft, double h = kRow)
    {
        if (!p_)
            return;
        p_->setPen(Qt::black);
        const QFontMetricsF metrics(font_, device_);
        const QString shown = metrics.elidedText(s, Qt::ElideRight, px(w));
        p_->drawText(rect(x, y, w, h), (align | Qt::AlignVCenter).toInt(), shown);
    }

    // The text in lines no wider than w, broken between words (within a word
    // that is wider on its own).
    QStringList wrap(const QString& s, double w) const
    {
        const QFontMetricsF metrics(font_, device_);
        const double width = px(w);
        QStringList lines;
        for (const QString& paragraph : s.split(QLatin1Char('\n'))) {
            QString line;
            for (const QString& word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
                const QString tried = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
                if (metrics.horizontalAdvance(tried) <= width) {
                    line = tried;
                    continue;
                }
                if (!line.isEmpty())
                    lines << line;
                line = word;
                while (line.size() > 1 && metrics.horizontalAdvance(line) > width) {
                    int fits = 1;
                    while (fits < line.size() && metrics.horizontalAdvance(line.left(fits + 1)) <= width)
                        ++fits;
                    lines << line.left(fits);
                    line = line.mid(fits);
                }
            }
            lines << line;
        }
        return lines;
    }

    void line(double x1, double y1, double x2, double y2, const QColor& colour = Qt::black, double widthMm = 0.2,
              Qt::PenStyle style = Qt::SolidLine)
    {
        if (!p_)
            return;
        p_->setPen(QPen(colour, px(widthMm), style));
        p_->drawLine(at(x1, y1), at(x2, y2));
    }

    void fill(double x, double y, double w, double h, const QColor& colour)
    {
        if (p_)
            p_->fillRect(rect(x, y, w, h), colour);
    }

private:
    QPainter* p_;
    const QPaintDevice* device_;
    double ppm_;
    QFont font_;
};

struct Column {
    QString title;
    double width;
    Qt::Alignment align;
};

// A table's header row and rule; returns the top of the first row.
inline double tableHeader(Sheet& sheet, double y, const std::vector<Column>& columns, double points = 8)
{
    sheet.font(points, true);
    double x = kLeft;
    for (const Column& c : columns) {
        sheet.text(x + 1, y, c.width - 2, c.title, c.align);
        x += c.width;
    }
    sheet.line(kLeft, y + kRow, x, y + kRow);
    sheet.font(8);
    return y + kRow + 0.5;
}

inline void tableRow(Sheet& sheet, double y, const std::vector<Column>& columns, const QStringList& cells)
{
    double x = kLeft;
    for (size_t i = 0; i < columns.size(); ++i) {
        sheet.text(x + 1, y, columns[i].width - 2, cells.value(static_cast<qsizetype>(i)), columns[i].align);
        x += columns[i].width;
    }
}

inline const std::vector<Column>& eventColumns()
{
    static const std::vector<Column> columns{
        {QStringLiteral("Start"), 34, Qt::AlignLeft},      {QStringLiteral("End"), 34, Qt::AlignLeft},
        {QStringLiteral("Duration"), 18, Qt::AlignRight},  {QStringLiteral("Lmax"), 14, Qt::AlignRight},
        {QStringLiteral("Lmax at"), 34, Qt::AlignLeft},    {QStringLiteral("Leq"), 14, Qt::AlignRight},
        {QStringLiteral("SEL"), 14, Qt::AlignRight}};
    return columns;
}

inline QString periodsText(const PeriodHours& h)
{
    const auto two = [](int hour) { return QStringLiteral("%1:00").arg(hour, 2, 10, QLatin1Char('0')); };
    return QStringLiteral("day %1–%2, evening %2–%3, night %3–%1").arg(two(h.day), two(h.evening), two(h.night));
}

inline QString eventRuleText(const NoiseOptions& o)
{
    return QStringLiteral("at or above %1 dB, ending after %2 s below it, lasting at least %3 s")
        .arg(oneDecimal(o.threshold), plainNumber(o.gapSeconds), plainNumber(o.minSeconds));
}

inline QString stepsText(const NoiseReport& r)
{
    const NoiseFigures& f = r.figures;
    if (f.oneStep)
        return QStringLiteral("%1 s%2").arg(plainNumber(f.sampleSeconds),
                                            f.stepMeasured ? QStringLiteral(" (the median time step)")
                                                           : QStringLiteral(" (assumed: the rows give no time step)"));
    QStringList steps;
    for (size_t i = 0; i < f.files.size() && i < static_cast<size_t>(r.files.size()); ++i)
        steps << QStringLiteral("%1 s in %2")
                     .arg(plainNumber(f.files[i].seconds), QFileInfo(r.files[static_cast<qsizetype>(i)]).fileName());
    return QStringLiteral("each file's own median time step: ") + steps.join(QStringLiteral(", "));
}

inline QString filesText(const NoiseReport& r, const std::vector<int>& indices)
{
    QStringList names;
    for (int i : indices)
        names << QFileInfo(r.files.value(i)).fileName();
    return names.join(QStringLiteral(", "));
}

inline QString dayTitle(const DayFigures& d)
{
    return QStringLiteral("%1, %2-weighted").arg(isoDayText(d.day)).arg(QLatin1Char(d.weighting));
}

inline QString nightTitle(const NightFigures& n)
{
    return QStringLiteral("Night %1, %2-weighted").arg(nightText(n.from)).arg(QLatin1Char(n.weighting));
}

inline QString minCoverageText(const NoiseOptions& o)
{
    return plainNumber(100 * o.minCoverage) + QStringLiteral(" %");
}

// The levels a day's charts show, with room above and below, on 10 dB lines.
inline std::pair<double, double> levelRange(const NoiseReport& r, size_t day)
{
    double lo = r.options.threshold;
    double hi = r.options.threshold;
    for (float v : r.minuteLevels[day]) {
        if (!std::isnan(v)) {
            lo = std::min(lo, static_cast<double>(v));
            hi = std::max(hi, static_cast<double>(v));
        }
    }
    return {std::floor((lo - 5) / 10) * 10, std::ceil((hi + 5) / 10) * 10};
}

// The axes, the evening and night bands and the threshold of a 24-hour chart;
// returns the plot area.
inline QRectF chartFrame(Sheet& s, double top, const NoiseReport& r, std::pair<double, double> range)
{
    const double left = kLeft + 12;
    const double width = kWidth - 14;
    const double height = kChartHeight - 8;
    const QRectF plot(left, top, width, height);
    const double hourWidth = width / 24;
    for (int h = 0; h < 24; ++h) {
        if (h >= r.options.hours.evening && h < r.options.hours.night)
            s.fill(left + h * hourWidth, top, hourWidth, height, kEveningShade);
        else if (h < r.options.hours.day || h >= r.options.hours.night)
            s.fill(left + h * hourWidth, top, hourWidth, height, kNightShade);
    }
    s.font(7);
    const auto [lo, hi] = range;
    for (double level = lo; level <= hi + 1e-9; level += 10) {
        const double y = top + height * (hi - level) / (hi - lo);
        s.line(left, y, left + width, y, QColor(160, 160, 160), 0.1);
        s.text(kLeft, y - kRow / 2, 11, QString::number(level), Qt::AlignRight);
    }
    for (int h = 0; h <= 24; h += 3)
        s.text(left + h * hourWidth - 5, top + height + 0.5, 10, QStringLiteral("%1").arg(h, 2, 10, QLatin1Char('0')),
               Qt::AlignHCenter);
    s.line(left, top + height, left + width, top + height);
    s.line(left, top, left, top + height);
    return plot;
}

inline void thresholdLine(Sheet& s, const QRectF& plot, double threshold, std::pair<double, double> range)
{
    const double y = plot.top() + plot.height() * (range.second - threshold) / (range.second - range.first);
    s.line(plot.left(), y, plot.right(), y, kThresholdColour, 0.35, Qt::DashLine);
}

inline void hourlyBars(Sheet& s, double top, const NoiseReport& r, size_t day, std::pair<double, double> range)
{
    const QRectF plot = chartFrame(s, top, r, range);
    const double hourWidth = plot.width() / 24;
    const auto& hours = r.figures.days[day].hours;
    for (size_t h = 0; h < hours.size(); ++h) {
        if (!hours[h].leq)
            continue;
        const double level = std::clamp(*hours[h].leq, range.first, range.second);
        const double y = plot.top() + plot.height() * (range.second - level) / (range.second - range.first);
        s.fill(plot.left() + static_cast<double>(h) * hourWidth + hourWidth * 0.15, y, hourWidth * 0.7,
               plot.bottom() - y, kBarColour);
    }
    thresholdLine(s, plot, r.options.threshold, range);
}

inline void levelTimeLine(Sheet& s, double top, const NoiseReport& r, size_t day, std::pair<double, double> range)
{
    const QRectF plot = chartFrame(s, top, r, range);
    if (!s.drawing())
        return;
    const std::vector<float>& minutes = r.minuteLevels[day];
    QPainterPath path;
    bool drawing = false;
    for (size_t m = 0; m < minutes.size(); ++m) {
        if (std::isnan(minutes[m])) {
            drawing = false;  // no line over a time without readings
            continue;
        }
        const double level = std::clamp(static_cast<double>(minutes[m]), range.first, range.second);
        const QPointF point = s.at(plot.left() + plot.width() * (static_cast<double>(m) + 0.5) / 1440.0,
                                   plot.top() + plot.height() * (range.second - level) / (range.second - range.first));
        drawing ? path.lineTo(point) : path.moveTo(point);
        drawing = true;
    }
    s.painter().setPen(QPen(kBarColour, s.px(0.25)));
    s.painter().setBrush(Qt::NoBrush);
    s.painter().drawPath(path);
    thresholdLine(s, plot, r.options.threshold, range);
}

// Lays the report out page by page. Without a painter it only counts the pages.

inline QString periodText(const NoiseReport& r)
{
    if (!r.firstReading || !r.lastReading)
        return QStringLiteral("no timed readings");
    return QStringLiteral("%1 to %2").arg(isoDateTimeText(*r.firstReading), isoDateTimeText(*r.lastReading));
}

inline QString nightHoursText(const PeriodHours& h)
{
    return QStringLiteral("%1:00–%2:00").arg(h.night, 2, 10, QLatin1Char('0')).arg(h.day, 2, 10, QLatin1Char('0'));
}

inline std::vector<int> allFiles(const NoiseReport& r)
{
    std::vector<int> all;
    for (int i = 0; i < r.files.size(); ++i)
        all.push_back(i);
    return all;
}

inline QString hourText(int h)
{
    return QStringLiteral("%1–%2").arg(h, 2, 10, QLatin1Char('0')).arg((h + 1) % 24, 2, 10, QLatin1Char('0'));
}

}  // namespace sonavistor::report_sheet
