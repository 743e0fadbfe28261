#include "export/noise_report.h"

#include "export/noise_report_sheet.h"

#include "analysis/noise_summary.h"
#include "common/whole_file.h"

#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPdfWriter>

#include <map>

namespace sonavistor {

namespace {

using namespace report_sheet;

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
        field(QStringLiteral("Period"), periodText(r_));
        field(QStringLiteral("Files"), filesText(r_, allFiles(r_)));
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
        title(QStringLiteral("Nights, %1 across midnight").arg(nightHoursText(r_.options.hours)));
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
        sheet_.text(kLeft, kFooterTop, kWidth - 30, QStringLiteral("Measurement ") + periodText(r_));
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
                           .arg(nightHoursText(r_.options.hours), minCoverageText(r_.options));
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
                 .arg(nightHoursText(r_.options.hours), partial
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
