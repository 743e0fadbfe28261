#include "export/noise_report.h"

#include "analysis/log_sum_exp.h"
#include "common/error.h"
#include "common/number_text.h"
#include "common/whole_file.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>

#include <algorithm>
#include <cmath>
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
constexpr double kBottom = 280;
constexpr double kFooterTop = 284;
constexpr double kRow = 5;
constexpr double kChartHeight = 62;
constexpr int kHourlyRowsPerColumn = 12;

const QColor kEveningShade(228, 228, 228);
const QColor kNightShade(200, 200, 200);
const QColor kBarColour(70, 110, 170);
const QColor kThresholdColour(200, 40, 40);

QString dB(const std::optional<double>& level)
{
    return level ? oneDecimal(*level) : QStringLiteral("-");
}

QString percentText(double share)
{
    return oneDecimal(100 * share) + QStringLiteral(" %");
}

// Draws in millimetres from the paper's top-left corner.
class Sheet {
public:
    Sheet(QPainter& painter, double pixelsPerMm) : p_(painter), ppm_(pixelsPerMm) {}

    QPainter& painter() { return p_; }
    double px(double mm) const { return mm * ppm_; }
    QPointF at(double x, double y) const { return {px(x), px(y)}; }
    QRectF rect(double x, double y, double w, double h) const { return {px(x), px(y), px(w), px(h)}; }

    void font(double points, bool bold = false)
    {
        QFont f(QStringLiteral("Sans Serif"));
        f.setPointSizeF(points);
        f.setBold(bold);
        p_.setFont(f);
    }

    // One line of text in the box; cut with an ellipsis rather than run into the next.
    void text(double x, double y, double w, const QString& s, Qt::Alignment align = Qt::AlignLeft, double h = kRow)
    {
        p_.setPen(Qt::black);
        const QFontMetricsF metrics(p_.font(), p_.device());
        const QString shown = metrics.elidedText(s, Qt::ElideRight, px(w));
        p_.drawText(rect(x, y, w, h), (align | Qt::AlignVCenter).toInt(), shown);
    }

    void line(double x1, double y1, double x2, double y2, const QColor& colour = Qt::black, double widthMm = 0.2,
              Qt::PenStyle style = Qt::SolidLine)
    {
        p_.setPen(QPen(colour, px(widthMm), style));
        p_.drawLine(at(x1, y1), at(x2, y2));
    }

    void fill(double x, double y, double w, double h, const QColor& colour)
    {
        p_.fillRect(rect(x, y, w, h), colour);
    }

private:
    QPainter& p_;
    double ppm_;
};

struct Column {
    QString title;
    double width;
    Qt::Alignment align;
};

// A table's header row and rule; returns the top of the first row.
double tableHeader(Sheet& sheet, double y, const std::vector<Column>& columns)
{
    sheet.font(8, true);
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

// The events' first row on a day's second page, and rows on each further page.
constexpr double kEventsTop = kContentTop + 8 + (kHourlyRowsPerColumn + 1) * kRow + 6 + 2 * kRow;
int rowsFrom(double top) { return static_cast<int>((kBottom - top - kRow - 0.5) / kRow); }

int pagesOfDay(int events)
{
    const int first = rowsFrom(kEventsTop);
    const int more = rowsFrom(kContentTop + 8);
    return 2 + (events > first ? (events - first + more - 1) / more : 0);
}

QStringList rulesText(const NoiseReport& r)
{
    const PeriodHours& h = r.options.hours;
    return {QStringLiteral("Periods: day %1-%2 h, evening %2-%3 h, night %3-%1 h. Each reading stands for %4 s.")
                .arg(h.day)
                .arg(h.evening)
                .arg(h.night)
                .arg(r.figures.sampleSeconds),
            QStringLiteral("Events: at or above %1 dB, ending after %2 s below it, lasting at least %3 s.")
                .arg(oneDecimal(r.options.threshold))
                .arg(r.options.gapSeconds)
                .arg(r.options.minSeconds)};
}

QString dayTitle(const DayFigures& d)
{
    return QStringLiteral("%1, %2-weighted").arg(dayText(d.day)).arg(QLatin1Char(d.weighting));
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
        s.text(left + h * hourWidth - 5, top + height + 0.5, 10, QString::number(h), Qt::AlignHCenter);
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

class ReportPainter {
public:
    ReportPainter(QPagedPaintDevice& device, QPainter& painter, const NoiseReport& r, double ppm, int pages)
        : device_(device), sheet_(painter, ppm), r_(r), pages_(pages)
    {
    }

    void day(size_t index)
    {
        const DayFigures& d = r_.figures.days[index];
        newPage();
        double y = title(dayTitle(d));
        sheet_.font(8);
        QStringList names;
        for (const QString& f : r_.files)
            names << QFileInfo(f).fileName();
        sheet_.text(kLeft, y, kWidth, QStringLiteral("Files: ") + names.join(QStringLiteral(", ")));
        const QStringList rules = rulesText(r_);
        sheet_.text(kLeft, y + kRow, kWidth, rules[0]);
        sheet_.text(kLeft, y + 2 * kRow, kWidth, rules[1]);
        y = figuresTable(d, y + 3 * kRow + 2);
        const auto range = levelRange(r_, index);
        y = chartTitle(y + 3, QStringLiteral("Hourly Leq (dB) over the hours of the day"));
        hourlyBars(sheet_, y, r_, index, range);
        y = chartTitle(y + kChartHeight + 2, QStringLiteral("Level-time line: the Leq of each minute (dB)"));
        levelTimeLine(sheet_, y, r_, index, range);
        sheet_.font(7);
        sheet_.text(kLeft, y + kChartHeight, kWidth,
                    QStringLiteral("Light band: evening. Dark band: night. Dashed line: the threshold, %1 dB.")
                        .arg(oneDecimal(r_.options.threshold)));

        newPage();
        y = title(dayTitle(d) + QStringLiteral(": hourly levels and events"));
        y = hourlyTable(d, y);
        int leftOut = 0;
        const std::vector<NoiseEvent> events = reportedEvents(r_, index, leftOut);
        sheet_.font(9, true);
        sheet_.text(kLeft, y + 6, kWidth,
                    QStringLiteral("Events at or above %1 dB: %2").arg(oneDecimal(r_.options.threshold)).arg(d.events));
        sheet_.font(8);
        if (leftOut > 0)
            sheet_.text(kLeft, y + 6 + kRow, kWidth,
                        QStringLiteral("The %1 of highest SEL are listed; %2 more are not.").arg(kReportedEvents).arg(leftOut));
        y = tableHeader(sheet_, kEventsTop, eventColumns());
        int room = rowsFrom(kEventsTop);
        for (const NoiseEvent& e : events) {
            if (room-- == 0) {
                newPage();
                y = tableHeader(sheet_, title(dayTitle(d) + QStringLiteral(": events (continued)")), eventColumns());
                room = rowsFrom(kContentTop + 8) - 1;
            }
            tableRow(sheet_, y, eventColumns(),
                     {rowSecondsText(e.start), rowSecondsText(e.end), hoursMinutesSeconds(e.duration), oneDecimal(e.lmax),
                      rowSecondsText(e.lmaxAt), oneDecimal(e.leq), oneDecimal(e.sel)});
            y += kRow;
        }
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
        if (page_ > 0 && !device_.newPage())
            throw Error(QStringLiteral("The noise report could not start page %1.").arg(page_ + 1));
        ++page_;
        sheet_.font(8);
        sheet_.painter().setPen(Qt::black);
        sheet_.text(kLeft, kHeaderTop - kRow, kWidth, r_.company);
        sheet_.text(kLeft, kHeaderTop - kRow, kWidth, r_.printedAt.toString(QStringLiteral("yyyy/M/d H:mm")),
                    Qt::AlignRight);
        sheet_.font(10, true);
        sheet_.text(kLeft + 50, kHeaderTop - kRow, kWidth - 100, QString::fromLatin1(kReportTitle), Qt::AlignHCenter);
        sheet_.line(kLeft, kHeaderTop + 1, kLeft + kWidth, kHeaderTop + 1);
        sheet_.line(kLeft, kFooterTop - 1, kLeft + kWidth, kFooterTop - 1);
        sheet_.font(8);
        sheet_.text(kLeft, kFooterTop, kWidth, QStringLiteral("Page %1 of %2").arg(page_).arg(pages_),
                    Qt::AlignHCenter);
    }

    double title(const QString& text)
    {
        sheet_.font(12, true);
        sheet_.painter().setPen(Qt::black);
        sheet_.text(kLeft, kContentTop, kWidth, text, Qt::AlignLeft, 7);
        return kContentTop + 8;
    }

    double chartTitle(double y, const QString& text)
    {
        sheet_.font(9, true);
        sheet_.painter().setPen(Qt::black);
        sheet_.text(kLeft, y, kWidth, text);
        return y + kRow + 1;
    }

    double figuresTable(const DayFigures& d, double y)
    {
        static const std::vector<Column> columns{{QStringLiteral("Figure"), 40, Qt::AlignLeft},
                                                 {QStringLiteral("Level (dB)"), 25, Qt::AlignRight},
                                                 {QStringLiteral("Coverage"), 25, Qt::AlignRight},
                                                 {QStringLiteral("Events"), 20, Qt::AlignRight},
                                                 {QStringLiteral("At or above threshold"), 40, Qt::AlignRight}};
        y = tableHeader(sheet_, y, columns);
        tableRow(sheet_, y, columns, {QStringLiteral("Lden"), dB(d.lden.level), percentText(d.lden.coverage)});
        tableRow(sheet_, y += kRow, columns, {QStringLiteral("Ldn"), dB(d.ldn.level), percentText(d.ldn.coverage)});
        const char* names[kPeriodCount] = {"Lday", "Levening", "Lnight"};
        for (int p = 0; p < kPeriodCount; ++p) {
            const PeriodLevel& period = d.periods[static_cast<size_t>(p)];
            tableRow(sheet_, y += kRow, columns,
                     {QLatin1String(names[p]), dB(period.leq), percentText(period.coverage), QString::number(period.events),
                      hoursMinutesSeconds(period.secondsAbove)});
        }
        tableRow(sheet_, y += kRow, columns,
                 {QStringLiteral("Whole day"), QString(), QString(), QString::number(d.events),
                  hoursMinutesSeconds(d.secondsAbove)});
        return y + kRow;
    }

    double hourlyTable(const DayFigures& d, double y)
    {
        static const std::vector<Column> half{{QStringLiteral("Hour"), 22, Qt::AlignLeft},
                                              {QStringLiteral("Leq"), 20, Qt::AlignRight},
                                              {QStringLiteral("Lmax"), 20, Qt::AlignRight},
                                              {QStringLiteral("L90"), 20, Qt::AlignRight},
                                              {QString(), 8, Qt::AlignLeft}};
        std::vector<Column> columns = half;
        columns.insert(columns.end(), half.begin(), half.end() - 1);
        const double top = tableHeader(sheet_, y, columns);
        for (int row = 0; row < kHourlyRowsPerColumn; ++row) {
            QStringList cells;
            for (int h : {row, row + kHourlyRowsPerColumn}) {
                const HourLevel& hour = d.hours[static_cast<size_t>(h)];
                cells << QStringLiteral("%1-%2 h").arg(h).arg(h + 1) << dB(hour.leq) << dB(hour.lmax) << dB(hour.l90)
                      << QString();
            }
            tableRow(sheet_, top + row * kRow, columns, cells);
        }
        return top + kHourlyRowsPerColumn * kRow;
    }

    QPagedPaintDevice& device_;
    Sheet sheet_;
    const NoiseReport& r_;
    int pages_;
    int page_ = 0;
};

}  // namespace

NoiseReport makeNoiseReport(const QStringList& files, std::vector<AcousticSample> samples,
                            const NoiseOptions& options, const QString& company, const QDateTime& printedAt)
{
    NoiseReport r;
    r.files = files;
    r.options = options;
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
        const qint64 day = s.seconds >= 0 ? s.seconds / 86400 : (s.seconds - 86399) / 86400;
        if (!current || currentKey != std::pair{day, s.weighting}) {
            currentKey = {day, s.weighting};
            current = &minutes[currentKey];
        }
        const auto minute = static_cast<size_t>((s.seconds - day * 86400) / 60);
        current->energy[minute].add(kEnergy * s.level);
        ++current->counts[minute];
    }
    r.figures = computeNoiseFigures(std::move(samples), options);
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
        const qint64 eventDay = e.start >= 0 ? e.start / 86400 : (e.start - 86399) / 86400;
        if (eventDay == d.day && e.weighting == d.weighting)
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
    int pages = 0;
    for (size_t i = 0; i < r.figures.days.size(); ++i) {
        int leftOut = 0;
        pages += pagesOfDay(static_cast<int>(reportedEvents(r, i, leftOut).size()));
    }
    QPainter painter;
    if (!painter.begin(&device))
        throw Error(QStringLiteral("The noise report could not be started."));
    const int dpi = device.logicalDpiX();
    // Whatever margins the device insists on, draw relative to the paper's corner.
    painter.translate(-device.pageLayout().paintRectPixels(dpi).topLeft());
    ReportPainter out(device, painter, r, dpi / 25.4, std::max(1, pages));
    // A report of files without timed readings still says so.
    if (r.figures.days.empty())
        out.nothingToReport();
    for (size_t i = 0; i < r.figures.days.size(); ++i)
        out.day(i);
    painter.end();
    return std::max(1, out.pages());
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
