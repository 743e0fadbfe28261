#include "export/noise_report.h"

#include "analysis/log_sum_exp.h"
#include "analysis/noise_summary.h"
#include "common/number_text.h"
#include "common/whole_file.h"

#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <map>

namespace sonavistor {

namespace {

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

QString dB(const std::optional<double>& level)
{
    return level ? oneDecimal(*level) : QStringLiteral("-");
}

QString percentText(double share)
{
    return oneDecimal(100 * share) + QStringLiteral(" %");
}

// "5", "0.5": a number as a person writes it, never in exponent form.
QString plainNumber(double value)
{
    QString text = QString::number(value, 'f', 3);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

qint64 dayOf(qint64 seconds)
{
    return seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
}

// A time of an event on its day: "07:01:08"; a time on another date in full.
QString timeOnDay(qint64 seconds, qint64 day)
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
double tableHeader(Sheet& sheet, double y, const std::vector<Column>& columns, double points = 8)
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

void tableRow(Sheet& sheet, double y, const std::vector<Column>& columns, const QStringList& cells)
{
    double x = kLeft;
    for (size_t i = 0; i < columns.size(); ++i) {
        sheet.text(x + 1, y, columns[i].width - 2, cells.value(static_cast<qsizetype>(i)), columns[i].align);
        x += columns[i].width;
    }
}

const std::vector<Column>& eventColumns()
{
    static const std::vector<Column> columns{
        {QStringLiteral("Start"), 34, Qt::AlignLeft},      {QStringLiteral("End"), 34, Qt::AlignLeft},
        {QStringLiteral("Duration"), 18, Qt::AlignRight},  {QStringLiteral("Lmax"), 14, Qt::AlignRight},
        {QStringLiteral("Lmax at"), 34, Qt::AlignLeft},    {QStringLiteral("Leq"), 14, Qt::AlignRight},
        {QStringLiteral("SEL"), 14, Qt::AlignRight}};
    return columns;
}

QString periodsText(const PeriodHours& h)
{
    const auto two = [](int hour) { return QStringLiteral("%1:00").arg(hour, 2, 10, QLatin1Char('0')); };
    return QStringLiteral("day %1–%2, evening %2–%3, night %3–%1").arg(two(h.day), two(h.evening), two(h.night));
}

QString eventRuleText(const NoiseOptions& o)
{
    return QStringLiteral("at or above %1 dB, ending after %2 s below it, lasting at least %3 s")
        .arg(oneDecimal(o.threshold), plainNumber(o.gapSeconds), plainNumber(o.minSeconds));
}

QString stepsText(const NoiseReport& r)
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

QString filesText(const NoiseReport& r, const std::vector<int>& indices)
{
    QStringList names;
    for (int i : indices)
        names << QFileInfo(r.files.value(i)).fileName();
    return names.join(QStringLiteral(", "));
}

QString dayTitle(const DayFigures& d)
{
    return QStringLiteral("%1, %2-weighted").arg(isoDayText(d.day)).arg(QLatin1Char(d.weighting));
}

QString nightTitle(const NightFigures& n)
{
    return QStringLiteral("Night %1, %2-weighted").arg(nightText(n.from)).arg(QLatin1Char(n.weighting));
}

QString minCoverageText(const NoiseOptions& o)
{
    return plainNumber(100 * o.minCoverage) + QStringLiteral(" %");
}

// The levels a day's charts show, with room above and below, on 10 dB lines.
std::pair<double, double> levelRange(const NoiseReport& r, size_t day)
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
QRectF chartFrame(Sheet& s, double top, const NoiseReport& r, std::pair<double, double> range)
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

void thresholdLine(Sheet& s, const QRectF& plot, double threshold, std::pair<double, double> range)
{
    const double y = plot.top() + plot.height() * (range.second - threshold) / (range.second - range.first);
    s.line(plot.left(), y, plot.right(), y, kThresholdColour, 0.35, Qt::DashLine);
}

void hourlyBars(Sheet& s, double top, const NoiseReport& r, size_t day, std::pair<double, double> range)
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

void levelTimeLine(Sheet& s, double top, const NoiseReport& r, size_t day, std::pair<double, double> range)
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
class ReportPainter {
public:
    ReportPainter(QPagedPaintDevice& device, QPainter* painter, const NoiseReport& r, double ppm, int pages)
        : device_(device),
          sheet_(painter, &device, ppm),
          r_(r),
          pages_(pages),
          summaries_(summariseNoise(r.figures, r.options.minCoverage))
    {
        for (size_t i = 0; i < r.figures.days.size(); ++i)
            dayIndex_[{r.figures.days[i].day, r.figures.days[i].weighting}] = i;
    }

    void front()
    {
        newPage();
        sheet_.font(15, true);
        sheet_.text(kLeft, kContentTop, kWidth, QStringLiteral("Environmental noise measurement"), Qt::AlignLeft, 8);
        y_ = kContentTop + 10;
        const NoiseReportDetails& d = r_.details;
        if (!d.site.isEmpty()) {
            sheet_.font(11, true);
            for (const QString& line : sheet_.wrap(d.site, kWidth)) {
                sheet_.text(kLeft, y_, kWidth, line, Qt::AlignLeft, 6);
                y_ += 6;
            }
            y_ += 1;
        }

        heading(QStringLiteral("Site and meter"));
        const int before = fields_;
        field(QStringLiteral("Site"), d.site);
        field(QStringLiteral("Address"), d.address);
        QString position = d.position;
        if (!d.height.isEmpty())
            position += (position.isEmpty() ? QString() : QStringLiteral(", ")) + d.height +
                        QStringLiteral(" above the ground");
        field(QStringLiteral("Microphone position"), position);
        field(QStringLiteral("Sound level meter"), d.meter);
        field(QStringLiteral("Serial number"), d.serial);
        field(QStringLiteral("Calibrator"), d.calibrator);
        field(QStringLiteral("Calibration before"), d.calibrationBefore);
        field(QStringLiteral("Calibration after"), d.calibrationAfter);
        field(QStringLiteral("Operator"), d.operatorName);
        field(QStringLiteral("Weather"), d.weather);
        field(QStringLiteral("Remarks"), d.remarks);
        if (fields_ == before)
            field(QString(), QStringLiteral("No site or meter details were given for this report."));

        heading(QStringLiteral("Measurement"));
        field(QStringLiteral("Period"), periodText());
        field(QStringLiteral("Files"), filesText(r_, allFiles()));
        field(QStringLiteral("Readings"), QStringLiteral("each lasting ") + stepsText(r_));
        field(QStringLiteral("Periods"),
              periodsText(r_.options.hours) + QStringLiteral(" (Lden); Ldn: day 07:00–22:00, night 22:00–07:00"));
        field(QStringLiteral("Events"), eventRuleText(r_.options) +
                                            QStringLiteral("; at night also counted when their Lmax is at or above ") +
                                            oneDecimal(r_.options.nightLmax) + QStringLiteral(" dB"));
        QString standards = QStringLiteral(
            "Directive 2002/49/EC, Annex I (Lden, Lday, Levening, Lnight and their long-term average); "
            "ISO 1996-1 (Ldn, Leq, SEL)");
        if (!d.standards.isEmpty())
            standards +=
                QStringLiteral("; also applied, as stated by the operator: ") + d.standards.join(QStringLiteral(", "));
        field(QStringLiteral("Standards"), standards);

        summaryTable();
        limitsTable();
        daysTable();
        nightsTable();
    }

    void day(size_t index)
    {
        const DayFigures& d = r_.figures.days[index];
        newPage();
        QString heading = dayTitle(d);
        if (!inSummary(d, r_.options.minCoverage))
            heading += QStringLiteral(" (partial day: left out of the summary)");
        title(heading);
        sheet_.font(8);
        field(QStringLiteral("Files"), filesText(r_, d.files), 20);
        field(QStringLiteral("Periods"), periodsText(r_.options.hours), 20);
        field(QStringLiteral("Events"), eventRuleText(r_.options), 20);
        y_ += 2;
        figuresTable(d);
        const auto range = levelRange(r_, index);
        ensure(kChartHeight + kRow + 4);
        chartTitle(QStringLiteral("Hourly Leq (dB) over the hours of the day"));
        hourlyBars(sheet_, y_, r_, index, range);
        y_ += kChartHeight + 2;
        ensure(kChartHeight + 2 * kRow + 1);
        chartTitle(QStringLiteral("Level-time line: the Leq of each minute (dB)"));
        levelTimeLine(sheet_, y_, r_, index, range);
        y_ += kChartHeight;
        sheet_.font(7);
        sheet_.text(kLeft, y_, kWidth,
                    QStringLiteral("Light band: evening. Dark band: night. Dashed line: the threshold, %1 dB.")
                        .arg(oneDecimal(r_.options.threshold)));

        newPage();
        title(dayTitle(d) + QStringLiteral(": hourly levels and events"));
        hourlyTable(d);
        int leftOut = 0;
        const std::vector<NoiseEvent> events = reportedEvents(r_, index, leftOut);
        y_ += 6;
        sheet_.font(9, true);
        sheet_.text(kLeft, y_, kWidth,
                    QStringLiteral("Events at or above %1 dB starting on %2: %3 (times of that day)")
                        .arg(oneDecimal(r_.options.threshold), isoDayText(d.day))
                        .arg(d.events));
        y_ += kRow;
        sheet_.font(8);
        if (leftOut > 0) {
            sheet_.text(
                kLeft, y_, kWidth,
                QStringLiteral("The %1 of highest SEL are listed; %2 more are not.").arg(kReportedEvents).arg(leftOut));
            y_ += kRow;
        }
        if (events.empty())
            return;
        y_ += 1;
        std::vector<QStringList> rows;
        for (const NoiseEvent& e : events) {
            rows.push_back({timeOnDay(e.start, d.day), timeOnDay(e.end, d.day), hoursMinutesSeconds(e.duration),
                            oneDecimal(e.lmax), timeOnDay(e.lmaxAt, d.day), oneDecimal(e.leq), oneDecimal(e.sel)});
        }
        table(eventColumns(), rows, dayTitle(d) + QStringLiteral(": events (continued)"));
    }

    void nights()
    {
        if (r_.figures.nights.empty())
            return;
        newPage();
        title(QStringLiteral("Nights, %1 across midnight").arg(nightHoursText()));
        sheet_.font(8);
        field(QString(),
              QStringLiteral("Each night runs from the evening of one date to the morning of the next. "
                             "Its events are those starting in it; the last column counts those whose Lmax "
                             "is at or above %1 dB.")
                  .arg(oneDecimal(r_.options.nightLmax)),
              0);
        y_ += 2;
        for (const NightFigures& n : r_.figures.nights)
            night(n);
    }

    void nothingToReport()
    {
        newPage();
        title(QStringLiteral("No timed A- or C-weighted readings"));
    }

    int pages() const { return page_; }

private:
    void newPage()
    {
        if (page_ > 0 && sheet_.drawing() && !device_.newPage())
            throw Error(QStringLiteral("The noise report could not start page %1.").arg(page_ + 1));
        ++page_;
        y_ = kContentTop;
        sheet_.font(8);
        sheet_.text(kLeft, kHeaderTop - kRow, kWidth, r_.company);
        sheet_.text(kLeft, kHeaderTop - kRow, kWidth,
                    QStringLiteral("Printed ") + r_.printedAt.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                    Qt::AlignRight);
        sheet_.font(10, true);
        sheet_.text(kLeft + 50, kHeaderTop - kRow, kWidth - 100, QString::fromLatin1(kReportTitle), Qt::AlignHCenter);
        sheet_.line(kLeft, kHeaderTop + 1, kLeft + kWidth, kHeaderTop + 1);
        sheet_.line(kLeft, kFooterTop - 1, kLeft + kWidth, kFooterTop - 1);
        sheet_.font(8);
        sheet_.text(kLeft, kFooterTop, kWidth - 30, QStringLiteral("Measurement ") + periodText());
        sheet_.text(kLeft, kFooterTop, kWidth, QStringLiteral("Page %1 of %2").arg(page_).arg(pages_), Qt::AlignRight);
    }

    // Starts a new page unless height fits below the cursor; on the new page
    // `continued` (when given) is its title.
    bool ensure(double height, const QString& continued = QString())
    {
        if (y_ + height <= kBottom)
            return false;
        newPage();
        if (!continued.isEmpty())
            title(continued);
        return true;
    }

    void title(const QString& text)
    {
        sheet_.font(12, true);
        sheet_.text(kLeft, y_, kWidth, text, Qt::AlignLeft, 7);
        y_ += 8;
    }

    void heading(const QString& text)
    {
        ensure(8 + 2 * kLine);
        y_ += 2;
        sheet_.font(10, true);
        sheet_.text(kLeft, y_, kWidth, text, Qt::AlignLeft, 6);
        y_ += 6.5;
    }

    void chartTitle(const QString& text)
    {
        sheet_.font(9, true);
        sheet_.text(kLeft, y_, kWidth, text);
        y_ += kRow + 1;
    }

    // "Label   value", the value wrapped; nothing for an empty value.
    void field(const QString& label, const QString& value, double labelWidth = kLabelWidth)
    {
        if (value.trimmed().isEmpty())
            return;
        ++fields_;
        sheet_.font(8);
        const QStringList lines = sheet_.wrap(value.trimmed(), kWidth - labelWidth);
        for (int i = 0; i < lines.size(); ++i) {
            ensure(kLine);
            if (i == 0 && !label.isEmpty()) {
                sheet_.font(8, true);
                sheet_.text(kLeft, y_, labelWidth - 1, label, Qt::AlignLeft, kLine);
                sheet_.font(8);
            }
            sheet_.text(kLeft + labelWidth, y_, kWidth - labelWidth, lines[i], Qt::AlignLeft, kLine);
            y_ += kLine;
        }
    }

    // A footnote in small print, wrapped.
    void note(const QString& text)
    {
        sheet_.font(7);
        for (const QString& line : sheet_.wrap(text, kWidth)) {
            ensure(3.6);
            sheet_.font(7);
            sheet_.text(kLeft, y_, kWidth, line, Qt::AlignLeft, 3.6);
            y_ += 3.6;
        }
    }

    // A table whose rows go on over as many pages as they need, the header on each.
    void table(const std::vector<Column>& columns, const std::vector<QStringList>& rows, const QString& continued,
               double headerPoints = 8)
    {
        ensure(2 * kRow + 1, continued);
        y_ = tableHeader(sheet_, y_, columns, headerPoints);
        for (const QStringList& row : rows) {
            if (ensure(kRow, continued))
                y_ = tableHeader(sheet_, y_, columns, headerPoints);
            tableRow(sheet_, y_, columns, row);
            y_ += kRow;
        }
    }

    std::vector<int> allFiles() const
    {
        std::vector<int> all;
        for (int i = 0; i < r_.files.size(); ++i)
            all.push_back(i);
        return all;
    }

    QString periodText() const
    {
        if (!r_.firstReading || !r_.lastReading)
            return QStringLiteral("no timed readings");
        return QStringLiteral("%1 to %2").arg(isoDateTimeText(*r_.firstReading), isoDateTimeText(*r_.lastReading));
    }

    QString nightHoursText() const
    {
        return QStringLiteral("%1:00–%2:00")
            .arg(r_.options.hours.night, 2, 10, QLatin1Char('0'))
            .arg(r_.options.hours.day, 2, 10, QLatin1Char('0'));
    }

    void summaryTable()
    {
        heading(QStringLiteral("Whole measurement"));
        const int days =
            static_cast<int>(std::count_if(r_.figures.days.begin(), r_.figures.days.end(), [this](const DayFigures& d) {
                return !inSummary(d, r_.options.minCoverage);
            }));
        const int nights = static_cast<int>(
            std::count_if(r_.figures.nights.begin(), r_.figures.nights.end(),
                          [this](const NightFigures& n) { return !inSummary(n, r_.options.minCoverage); }));
        QString text = QStringLiteral(
                           "The long-term average of 2002/49/EC Annex I: the energy average of Lden, Lday and "
                           "Levening over the days, and of Lnight over the nights (%1), whose readings cover "
                           "at least %2 of their time.")
                           .arg(nightHoursText(), minCoverageText(r_.options));
        if (days + nights > 0)
            text += QStringLiteral(" Partial days and nights below it are left out (marked * below).");
        field(QString(), text, 0);
        y_ += 1;
        static const std::vector<Column> columns{
            {QStringLiteral("Weighting"), 22, Qt::AlignLeft},       {QStringLiteral("Lden"), 15, Qt::AlignRight},
            {QStringLiteral("Lday"), 15, Qt::AlignRight},           {QStringLiteral("Levening"), 16, Qt::AlignRight},
            {QStringLiteral("Lnight"), 15, Qt::AlignRight},         {QStringLiteral("Days used"), 24, Qt::AlignRight},
            {QStringLiteral("Days left out"), 24, Qt::AlignRight},  {QStringLiteral("Nights used"), 24, Qt::AlignRight},
            {QStringLiteral("Nights left out"), 25, Qt::AlignRight}};
        std::vector<QStringList> rows;
        for (const NoiseSummary& s : summaries_) {
            rows.push_back({QStringLiteral("%1-weighted").arg(QLatin1Char(s.weighting)), dB(s.lden), dB(s.lday),
                            dB(s.levening), dB(s.lnight), QString::number(s.daysUsed), QString::number(s.daysLeftOut),
                            QString::number(s.nightsUsed), QString::number(s.nightsLeftOut)});
        }
        if (rows.empty())
            rows.push_back({QStringLiteral("-")});
        table(columns, rows, QStringLiteral("Whole measurement (continued)"), 7);
    }

    void limitsTable()
    {
        const NoiseReportDetails& d = r_.details;
        if (!d.hasLimits())
            return;
        heading(QStringLiteral("Limits"));
        field(QStringLiteral("Source"), d.limitsSource);
        const auto a = std::find_if(summaries_.begin(), summaries_.end(),
                                    [](const NoiseSummary& s) { return s.weighting == 'A'; });
        const auto verdict = [](const std::optional<double>& measured, double limit) {
            if (!measured)
                return QStringLiteral("not compared: no level");
            const double over = roundedLevel(*measured) - limit;
            return over > 1e-9 ? QStringLiteral("exceeded by %1 dB").arg(oneDecimal(over))
                               : QStringLiteral("not exceeded");
        };
        static const std::vector<Column> columns{{QStringLiteral("Figure (A-weighted)"), 62, Qt::AlignLeft},
                                                 {QStringLiteral("Measured (dB)"), 28, Qt::AlignRight},
                                                 {QStringLiteral("Limit (dB)"), 24, Qt::AlignRight},
                                                 {QStringLiteral("Result"), 66, Qt::AlignLeft}};
        std::vector<QStringList> rows;
        const std::optional<double> lden = a == summaries_.end() ? std::nullopt : a->lden;
        const std::optional<double> lnight = a == summaries_.end() ? std::nullopt : a->lnight;
        if (d.limitLden)
            rows.push_back({QStringLiteral("Lden, whole measurement"), dB(lden), plainNumber(*d.limitLden),
                            verdict(lden, *d.limitLden)});
        if (d.limitLnight)
            rows.push_back({QStringLiteral("Lnight, whole measurement"), dB(lnight), plainNumber(*d.limitLnight),
                            verdict(lnight, *d.limitLnight)});
        if (d.limitLmax) {
            std::optional<double> highest;
            int nights = 0;
            int over = 0;
            for (const NightFigures& n : r_.figures.nights) {
                if (n.weighting != 'A' || !n.lmax)
                    continue;
                ++nights;
                highest = std::max(highest.value_or(*n.lmax), *n.lmax);
                if (roundedLevel(*n.lmax) > *d.limitLmax + 1e-9)
                    ++over;
            }
            rows.push_back({QStringLiteral("Lmax, highest of the nights"), dB(highest), plainNumber(*d.limitLmax),
                            highest ? (over ? QStringLiteral("exceeded in %1 of %2 nights").arg(over).arg(nights)
                                            : QStringLiteral("not exceeded in %1 nights").arg(nights))
                                    : QStringLiteral("not compared: no night")});
        }
        table(columns, rows, QStringLiteral("Limits (continued)"));
    }

    void daysTable()
    {
        heading(QStringLiteral("Days"));
        static const std::vector<Column> columns{
            {QStringLiteral("Date"), 24, Qt::AlignLeft},      {QStringLiteral("Weighting"), 21, Qt::AlignLeft},
            {QStringLiteral("Lden"), 16, Qt::AlignRight},     {QStringLiteral("Lday"), 16, Qt::AlignRight},
            {QStringLiteral("Levening"), 19, Qt::AlignRight}, {QStringLiteral("Lnight"), 16, Qt::AlignRight},
            {QStringLiteral("Coverage"), 25, Qt::AlignRight}, {QStringLiteral("Events"), 17, Qt::AlignRight},
            {QStringLiteral("Page"), 14, Qt::AlignRight}};
        std::vector<QStringList> rows;
        bool partial = false;
        for (size_t i = 0; i < r_.figures.days.size(); ++i) {
            const DayFigures& d = r_.figures.days[i];
            const bool used = inSummary(d, r_.options.minCoverage);
            partial = partial || !used;
            rows.push_back({isoDayText(d.day), QString(QLatin1Char(d.weighting)), dB(d.lden.level),
                            dB(d.period(Period::Day).leq), dB(d.period(Period::Evening).leq),
                            dB(d.period(Period::Night).leq),
                            percentText(d.lden.coverage) + (used ? QString() : kPartialMark), QString::number(d.events),
                            dayPages_.empty() ? QString() : QString::number(dayPages_[i])});
        }
        table(columns, rows, QStringLiteral("Days (continued)"));
        note(QStringLiteral("Coverage: the share of the day the readings cover, that of its least covered period "
                            "(Lden needs them all).%1")
                 .arg(partial ? QStringLiteral(" * Below %1: a partial day, left out of the summary.")
                                    .arg(minCoverageText(r_.options))
                              : QString()));
    }

    void nightsTable()
    {
        if (r_.figures.nights.empty())
            return;
        heading(QStringLiteral("Nights"));
        const std::vector<Column> columns{
            {QStringLiteral("Night"), 40, Qt::AlignLeft},
            {QStringLiteral("Weighting"), 21, Qt::AlignLeft},
            {QStringLiteral("Lnight"), 16, Qt::AlignRight},
            {QStringLiteral("Coverage"), 25, Qt::AlignRight},
            {QStringLiteral("Lmax"), 16, Qt::AlignRight},
            {QStringLiteral("Events"), 17, Qt::AlignRight},
            {QStringLiteral("Lmax ≥ %1 dB").arg(oneDecimal(r_.options.nightLmax)), 30, Qt::AlignRight}};
        std::vector<QStringList> rows;
        bool partial = false;
        for (const NightFigures& n : r_.figures.nights) {
            const bool used = inSummary(n, r_.options.minCoverage);
            partial = partial || !used;
            rows.push_back({nightText(n.from), QString(QLatin1Char(n.weighting)), dB(n.lnight),
                            percentText(n.coverage) + (used ? QString() : kPartialMark), dB(n.lmax),
                            QString::number(n.events), QString::number(n.eventsAboveLmax)});
        }
        table(columns, rows, QStringLiteral("Nights (continued)"));
        note(QStringLiteral("Each night %1 across midnight.%2")
                 .arg(nightHoursText(), partial
                                            ? QStringLiteral(" * Below %1: a partial night, left out of the summary.")
                                                  .arg(minCoverageText(r_.options))
                                            : QString()));
    }

    void figuresTable(const DayFigures& d)
    {
        static const std::vector<Column> columns{{QStringLiteral("Figure"), 40, Qt::AlignLeft},
                                                 {QStringLiteral("Level (dB)"), 25, Qt::AlignRight},
                                                 {QStringLiteral("Coverage"), 25, Qt::AlignRight},
                                                 {QStringLiteral("Events"), 20, Qt::AlignRight},
                                                 {QStringLiteral("At or above threshold"), 40, Qt::AlignRight}};
        std::vector<QStringList> rows;
        rows.push_back({QStringLiteral("Lden"), dB(d.lden.level), percentText(d.lden.coverage)});
        rows.push_back({QStringLiteral("Ldn"), dB(d.ldn.level), percentText(d.ldn.coverage)});
        const char* names[kPeriodCount] = {"Lday", "Levening", "Lnight"};
        for (int p = 0; p < kPeriodCount; ++p) {
            const PeriodLevel& period = d.periods[static_cast<size_t>(p)];
            rows.push_back({QLatin1String(names[p]), dB(period.leq), percentText(period.coverage),
                            QString::number(period.events), hoursMinutesSeconds(period.secondsAbove)});
        }
        rows.push_back({QStringLiteral("Whole day"), QString(), QString(), QString::number(d.events),
                        hoursMinutesSeconds(d.secondsAbove)});
        table(columns, rows, dayTitle(d) + QStringLiteral(" (continued)"));
    }

    void hourlyTable(const DayFigures& d)
    {
        static const std::vector<Column> half{{QStringLiteral("Hour"), 22, Qt::AlignLeft},
                                              {QStringLiteral("Leq"), 20, Qt::AlignRight},
                                              {QStringLiteral("Lmax"), 20, Qt::AlignRight},
                                              {QStringLiteral("L90"), 20, Qt::AlignRight},
                                              {QString(), 8, Qt::AlignLeft}};
        std::vector<Column> columns = half;
        columns.insert(columns.end(), half.begin(), half.end() - 1);
        std::vector<QStringList> rows;
        for (int row = 0; row < kHourlyRowsPerColumn; ++row) {
            QStringList cells;
            for (int h : {row, row + kHourlyRowsPerColumn}) {
                const HourLevel& hour = d.hours[static_cast<size_t>(h)];
                cells << hourText(h) << dB(hour.leq) << dB(hour.lmax) << dB(hour.l90) << QString();
            }
            rows.push_back(cells);
        }
        table(columns, rows, dayTitle(d) + QStringLiteral(": hourly levels (continued)"));
    }

    static QString hourText(int h)
    {
        return QStringLiteral("%1–%2").arg(h, 2, 10, QLatin1Char('0')).arg((h + 1) % 24, 2, 10, QLatin1Char('0'));
    }

    void night(const NightFigures& n)
    {
        const int hours = r_.options.hours.nightHours();
        const int hourRows = (hours + 11) / 12;
        ensure(8 + 2 * kLine + 2 * kRow + 1 + hourRows * (4 * kRow + 1) + 4);
        sheet_.font(10, true);
        QString heading = nightTitle(n);
        if (!inSummary(n, r_.options.minCoverage))
            heading += QStringLiteral(" (partial night: left out of the summary)");
        sheet_.text(kLeft, y_, kWidth, heading, Qt::AlignLeft, 6);
        y_ += 6.5;
        const PeriodHours& h = r_.options.hours;
        field(QStringLiteral("Time"),
              QStringLiteral("%1 %2:00 to %3 %4:00")
                  .arg(isoDayText(n.from))
                  .arg(h.night, 2, 10, QLatin1Char('0'))
                  .arg(isoDayText(n.from + 1))
                  .arg(h.day, 2, 10, QLatin1Char('0')),
              20);
        field(QStringLiteral("Files"), filesText(r_, n.files), 20);
        const std::vector<Column> columns{
            {QStringLiteral("Lnight (dB)"), 30, Qt::AlignRight},
            {QStringLiteral("Coverage"), 30, Qt::AlignRight},
            {QStringLiteral("Lmax (dB)"), 30, Qt::AlignRight},
            {QStringLiteral("Events"), 30, Qt::AlignRight},
            {QStringLiteral("Lmax ≥ %1 dB").arg(oneDecimal(r_.options.nightLmax)), 36, Qt::AlignRight}};
        table(columns,
              {{dB(n.lnight), percentText(n.coverage), dB(n.lmax), QString::number(n.events),
                QString::number(n.eventsAboveLmax)}},
              QString());
        // The night's hours from the two days' hourly levels.
        y_ += 1;
        for (int part = 0; part < hourRows; ++part) {
            const int first = part * 12;
            const int count = std::min(12, hours - first);
            std::vector<Column> hourColumns{{QStringLiteral("Hour"), 18, Qt::AlignLeft}};
            QStringList leq{QStringLiteral("Leq")}, lmax{QStringLiteral("Lmax")}, l90{QStringLiteral("L90")};
            for (int i = first; i < first + count; ++i) {
                const int clock = (h.night + i) % 24;
                const qint64 day = clock >= h.night ? n.from : n.from + 1;
                hourColumns.push_back({hourText(clock), 13.5, Qt::AlignRight});
                const auto at = dayIndex_.find({day, n.weighting});
                const HourLevel* hour =
                    at == dayIndex_.end() ? nullptr : &r_.figures.days[at->second].hours[static_cast<size_t>(clock)];
                leq << (hour ? dB(hour->leq) : QStringLiteral("-"));
                lmax << (hour ? dB(hour->lmax) : QStringLiteral("-"));
                l90 << (hour ? dB(hour->l90) : QStringLiteral("-"));
            }
            table(hourColumns, {leq, lmax, l90}, QString());
            y_ += 1;
        }
        y_ += 4;
    }

public:
    // The first page of each day's section, from the counting pass.
    std::vector<int> dayPages_;
    std::vector<int> startedDays_;

    void markDay() { startedDays_.push_back(page_ + 1); }

private:
    QPagedPaintDevice& device_;
    Sheet sheet_;
    const NoiseReport& r_;
    int pages_;
    int page_ = 0;
    double y_ = kContentTop;
    int fields_ = 0;
    std::vector<NoiseSummary> summaries_;
    std::map<std::pair<qint64, char>, size_t> dayIndex_;
};

}  // namespace

namespace {

// The keys of a details file and what each takes.
const QStringList kDetailKeys{QStringLiteral("site"),
                              QStringLiteral("address"),
                              QStringLiteral("position"),
                              QStringLiteral("height"),
                              QStringLiteral("meter"),
                              QStringLiteral("serial"),
                              QStringLiteral("calibrator"),
                              QStringLiteral("calibrationBefore"),
                              QStringLiteral("calibrationAfter"),
                              QStringLiteral("operator"),
                              QStringLiteral("weather"),
                              QStringLiteral("remarks"),
                              QStringLiteral("standards"),
                              QStringLiteral("limits")};
const QStringList kLimitKeys{QStringLiteral("lden"), QStringLiteral("lnight"), QStringLiteral("lmax"),
                             QStringLiteral("source")};

}  // namespace

NoiseReportDetails parseNoiseReportDetails(const QByteArray& json, const QString& source)
{
    const auto bad = [&source](const QString& what) {
        return BadNoiseReportDetails(source + QStringLiteral(": ") + what);
    };
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        throw bad(QStringLiteral("not JSON at character %1 (%2)").arg(error.offset).arg(error.errorString()));
    if (!document.isObject())
        throw bad(QStringLiteral("the details are a JSON object, {\"site\": ..., \"meter\": ...}"));
    const QJsonObject o = document.object();
    for (auto it = o.begin(); it != o.end(); ++it) {
        if (!kDetailKeys.contains(it.key()))
            throw bad(QStringLiteral("unknown key \"%1\" (the keys are %2)")
                          .arg(it.key(), kDetailKeys.join(QStringLiteral(", "))));
    }
    // A text, or a number printed with its unit; null is no value.
    const auto text = [&](const QJsonObject& from, const QString& key, const QString& unit = QString()) -> QString {
        const QJsonValue v = from.value(key);
        if (v.isUndefined() || v.isNull())
            return QString();
        if (v.isString())
            return v.toString().trimmed();
        if (v.isDouble() && !unit.isEmpty())
            return QLocale::c().toString(v.toDouble(), 'g', 10) + unit;
        throw bad(QStringLiteral("\"%1\" takes %2")
                      .arg(key, unit.isEmpty() ? QStringLiteral("a text") : QStringLiteral("a text or a number")));
    };
    NoiseReportDetails d;
    d.site = text(o, QStringLiteral("site"));
    d.address = text(o, QStringLiteral("address"));
    const QString position = text(o, QStringLiteral("position"));
    const QString p = position.toLower();
    if (p == QLatin1String("facade") || p == QStringLiteral("façade"))
        d.position = QStringLiteral("façade");
    else if (p == QLatin1String("free field") || p == QLatin1String("free-field") || p == QLatin1String("freefield"))
        d.position = QStringLiteral("free field");
    else if (p == QLatin1String("other"))
        d.position = QStringLiteral("other");
    else if (!p.isEmpty())
        throw bad(
            QStringLiteral("\"position\" takes \"façade\", \"free field\" or \"other\", not \"%1\"").arg(position));
    d.height = text(o, QStringLiteral("height"), QStringLiteral(" m"));
    d.meter = text(o, QStringLiteral("meter"));
    d.serial = text(o, QStringLiteral("serial"));
    if (d.serial.isEmpty() && o.value(QStringLiteral("serial")).isDouble())
        d.serial = QLocale::c().toString(o.value(QStringLiteral("serial")).toDouble(), 'g', 15);
    d.calibrator = text(o, QStringLiteral("calibrator"));
    d.calibrationBefore = text(o, QStringLiteral("calibrationBefore"), QStringLiteral(" dB"));
    d.calibrationAfter = text(o, QStringLiteral("calibrationAfter"), QStringLiteral(" dB"));
    d.operatorName = text(o, QStringLiteral("operator"));
    d.weather = text(o, QStringLiteral("weather"));
    d.remarks = text(o, QStringLiteral("remarks"));
    const QJsonValue standards = o.value(QStringLiteral("standards"));
    if (standards.isString()) {
        if (!standards.toString().trimmed().isEmpty())
            d.standards << standards.toString().trimmed();
    } else if (standards.isArray()) {
        for (const QJsonValue& s : standards.toArray()) {
            if (!s.isString())
                throw bad(QStringLiteral("\"standards\" takes a list of texts, such as [\"ISO 1996-2\"]"));
            if (!s.toString().trimmed().isEmpty())
                d.standards << s.toString().trimmed();
        }
    } else if (!standards.isUndefined() && !standards.isNull()) {
        throw bad(QStringLiteral("\"standards\" takes a list of texts, such as [\"ISO 1996-2\"]"));
    }
    const QJsonValue limits = o.value(QStringLiteral("limits"));
    if (limits.isObject()) {
        const QJsonObject l = limits.toObject();
        for (auto it = l.begin(); it != l.end(); ++it) {
            if (!kLimitKeys.contains(it.key()))
                throw bad(QStringLiteral("unknown key \"limits.%1\" (the limits are lden, lnight, lmax and source)")
                              .arg(it.key()));
        }
        const auto limit = [&](const QString& key) -> std::optional<double> {
            const QJsonValue v = l.value(key);
            if (v.isUndefined() || v.isNull())
                return std::nullopt;
            if (!v.isDouble() || v.toDouble() < 0 || v.toDouble() > 200)
                throw bad(QStringLiteral("\"limits.%1\" takes a level from 0 to 200 dB").arg(key));
            return v.toDouble();
        };
        d.limitLden = limit(QStringLiteral("lden"));
        d.limitLnight = limit(QStringLiteral("lnight"));
        d.limitLmax = limit(QStringLiteral("lmax"));
        d.limitsSource = text(l, QStringLiteral("source"));
    } else if (!limits.isUndefined() && !limits.isNull()) {
        throw bad(
            QStringLiteral("\"limits\" takes an object, such as {\"lden\": 55, \"lnight\": 50, \"source\": \"...\"}"));
    }
    return d;
}

NoiseReportDetails readNoiseReportDetails(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("%1: cannot read the details file (%2)").arg(path, file.errorString()));
    return parseNoiseReportDetails(file.readAll(), path);
}

QByteArray noiseReportDetailsJson(const NoiseReportDetails& d)
{
    QJsonObject o;
    const auto put = [&o](const char* key, const QString& value) {
        if (!value.isEmpty())
            o[QLatin1String(key)] = value;
    };
    put("site", d.site);
    put("address", d.address);
    put("position", d.position);
    put("height", d.height);
    put("meter", d.meter);
    put("serial", d.serial);
    put("calibrator", d.calibrator);
    put("calibrationBefore", d.calibrationBefore);
    put("calibrationAfter", d.calibrationAfter);
    put("operator", d.operatorName);
    put("weather", d.weather);
    put("remarks", d.remarks);
    if (!d.standards.isEmpty())
        o[QStringLiteral("standards")] = QJsonArray::fromStringList(d.standards);
    QJsonObject limits;
    if (d.limitLden)
        limits[QStringLiteral("lden")] = *d.limitLden;
    if (d.limitLnight)
        limits[QStringLiteral("lnight")] = *d.limitLnight;
    if (d.limitLmax)
        limits[QStringLiteral("lmax")] = *d.limitLmax;
    if (!d.limitsSource.isEmpty())
        limits[QStringLiteral("source")] = d.limitsSource;
    if (!limits.isEmpty())
        o[QStringLiteral("limits")] = limits;
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

NoiseReport makeNoiseReport(const QStringList& files, std::vector<AcousticSample> samples,
                            const std::vector<size_t>& fileSizes, const NoiseOptions& options,
                            const NoiseReportDetails& details, const QString& company, const QDateTime& printedAt)
{
    NoiseReport r;
    r.files = files;
    r.options = options;
    r.details = details;
    r.company = company;
    r.printedAt = printedAt;

    // The level-time lines first: the figures take the samples over.
    struct Minutes {
        std::vector<LogSumExp> energy = std::vector<LogSumExp>(1440);
        std::vector<int> counts = std::vector<int>(1440);
    };
    std::map<std::pair<qint64, char>, Minutes> minutes;
    Minutes* current = nullptr;
    std::pair<qint64, char> currentKey;
    for (const AcousticSample& s : samples) {
        if (s.seconds == kUntimed || (s.weighting != 'A' && s.weighting != 'C'))
            continue;
        r.firstReading = std::min(r.firstReading.value_or(s.seconds), s.seconds);
        r.lastReading = std::max(r.lastReading.value_or(s.seconds), s.seconds);
        const qint64 day = dayOf(s.seconds);
        if (!current || currentKey != std::pair{day, s.weighting}) {
            currentKey = {day, s.weighting};
            current = &minutes[currentKey];
        }
        const auto minute = static_cast<size_t>((s.seconds - day * 86400) / 60);
        current->energy[minute].add(kEnergy * s.level);
        ++current->counts[minute];
    }
    r.figures = computeNoiseFigures(std::move(samples), fileSizes, options);
    r.minuteLevels.reserve(r.figures.days.size());
    for (const DayFigures& d : r.figures.days) {
        const Minutes& m = minutes.at({d.day, d.weighting});
        std::vector<float>& line = r.minuteLevels.emplace_back(1440, std::numeric_limits<float>::quiet_NaN());
        for (size_t i = 0; i < 1440; ++i) {
            if (m.counts[i])
                line[i] = static_cast<float>(leqOf(m.energy[i], m.counts[i]));
        }
    }
    return r;
}

std::vector<NoiseEvent> reportedEvents(const NoiseReport& r, size_t day, int& leftOut)
{
    const DayFigures& d = r.figures.days[day];
    std::vector<NoiseEvent> events;
    for (const NoiseEvent& e : r.figures.events) {
        if (dayOf(e.start) == d.day && e.weighting == d.weighting)
            events.push_back(e);
    }
    leftOut = std::max(0, static_cast<int>(events.size()) - kReportedEvents);
    if (leftOut > 0) {
        std::stable_sort(events.begin(), events.end(), [](const NoiseEvent& a, const NoiseEvent& b) { return a.sel > b.sel; });
        events.resize(kReportedEvents);
        std::stable_sort(events.begin(), events.end(),
                         [](const NoiseEvent& a, const NoiseEvent& b) { return a.start < b.start; });
    }
    return events;
}

int paintNoiseReport(QPagedPaintDevice& device, const NoiseReport& r)
{
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    const int dpi = device.logicalDpiX();
    const auto lay = [&](ReportPainter& out) {
        out.front();
        // A report of files without timed readings still says so.
        if (r.figures.days.empty())
            out.nothingToReport();
        for (size_t i = 0; i < r.figures.days.size(); ++i) {
            out.markDay();
            out.day(i);
        }
        out.nights();
    };
    // First count the pages (and where each day starts), then draw them.
    ReportPainter counting(device, nullptr, r, dpi / 25.4, 0);
    lay(counting);
    QPainter painter;
    if (!painter.begin(&device))
        throw Error(QStringLiteral("The noise report could not be started."));
    // Whatever margins the device insists on, draw relative to the paper's corner.
    painter.translate(-device.pageLayout().paintRectPixels(dpi).topLeft());
    ReportPainter out(device, &painter, r, dpi / 25.4, counting.pages());
    out.dayPages_ = counting.startedDays_;
    lay(out);
    painter.end();
    return out.pages();
}

void writeNoiseReportPdf(const QString& path, const NoiseReport& report)
{
    WholeFile file(path);
    {
        QPdfWriter writer(&file);
        writer.setResolution(kPdfResolution);
        writer.setCreator(QStringLiteral("Sonavistor"));
        writer.setTitle(QString::fromLatin1(kReportTitle));
        paintNoiseReport(writer, report);
    }
    file.commit();
}

}  // namespace sonavistor
