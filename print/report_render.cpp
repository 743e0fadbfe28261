#include "print/report_render.h"

#include "common/number_text.h"
#include "common/whole_file.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <cmath>

namespace sonavistor {

namespace {

constexpr int kPdfResolution = 600;
constexpr double kCellPaddingMm = 1.0;

QString orDash(const std::optional<LevelStatistics>& s, double LevelStatistics::*figure)
{
    return s ? oneDecimal((*s).*figure) + QStringLiteral(" dB") : QStringLiteral("-");
}

QFont fontOf(const ReportDefinition& d, double pixelsPerMm, double scale, bool bold)
{
    QFont font(d.fontFamily);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(reportFontMm(d.fontPoints) * scale * pixelsPerMm))));
    font.setBold(bold);
    return font;
}

// Writes one line of text into [x, x + width) at line top y, all in millimetres.
class LineWriter {
public:
    LineWriter(QPainter& painter, double pixelsPerMm) : p_(painter), ppm_(pixelsPerMm) {}

    void setFont(const QFont& font, double lineMm)
    {
        p_.setFont(font);
        metrics_.emplace(font, p_.device());
        lineMm_ = lineMm;
    }

    void text(const QString& text, double x, double width, double y, ReportAlign align, bool pad = true)
    {
        if (text.isEmpty())
            return;
        const double padding = pad ? kCellPaddingMm * ppm_ : 0;
        const double room = std::max(0.0, width * ppm_ - 2 * padding);
        QString shown = text;
        double advance = metrics_->horizontalAdvance(shown);
        if (advance > room) {
            // Never over the next column: cut with an ellipsis.
            shown = metrics_->elidedText(text, Qt::ElideRight, room);
            advance = metrics_->horizontalAdvance(shown);
        }
        double left = x * ppm_ + padding;
        if (align == ReportAlign::Right)
            left += room - advance;
        else if (align == ReportAlign::Center)
            left += (room - advance) / 2;
        const double baseline = y * ppm_ + (lineMm_ * ppm_ + metrics_->ascent() - metrics_->descent()) / 2;
        p_.drawText(QPointF(left, baseline), shown);
    }

    void rule(double x1, double x2, double y)
    {
        p_.drawLine(QPointF(x1 * ppm_, y * ppm_), QPointF(x2 * ppm_, y * ppm_));
    }

private:
    QPainter& p_;
    double ppm_;
    double lineMm_ = 0;
    std::optional<QFontMetricsF> metrics_;
};

}  // namespace

ReportSummary summarizeRows(const std::vector<ReadingRow>& rows)
{
    ReportSummary s;
    s.rows = static_cast<long long>(rows.size());
    if (rows.empty())
        return s;
    s.first = rows.front().NDate + QLatin1Char(' ') + rows.front().NTime;
    s.last = rows.back().NDate + QLatin1Char(' ') + rows.back().NTime;
    std::vector<double> levels;
    std::vector<AcousticSample> samples;
    levels.reserve(rows.size());
    samples.reserve(rows.size());
    for (const ReadingRow& row : rows) {
        bool ok = false;
        const double v = row.MeaValue.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(v))
            continue;
        levels.push_back(v);
        const auto seconds = rowSeconds(row.NDate.toLatin1(), row.NTime.toLatin1());
        const QString weight = row.Weight.trimmed();
        samples.push_back({v, weight.size() == 1 ? weight[0].toLatin1() : '\0', seconds.value_or(kUntimed)});
    }
    s.levels = computeLevelStatistics(std::move(levels));
    s.acoustic = computeAcousticFigures(samples);
    return s;
}

QStringList summaryLines(const ReportSummary& s)
{
    const QStringList lines{QStringLiteral("Rows: %1").arg(s.rows),
                            QStringLiteral("First: ") + s.first,
                            QStringLiteral("Last: ") + s.last,
                            QStringLiteral("Min: ") + orDash(s.levels, &LevelStatistics::min),
                            QStringLiteral("Max: ") + orDash(s.levels, &LevelStatistics::max),
                            QStringLiteral("Average: ") + orDash(s.levels, &LevelStatistics::mean),
                            QStringLiteral("Leq: ") + orDash(s.levels, &LevelStatistics::leq)};
    return lines + acousticLines(s.acoustic);
}

QStringList acousticLines(const AcousticFigures& f)
{
    if (f.weightings.empty())
        return {};
    const auto dB = [](double level) { return oneDecimal(level) + QStringLiteral(" dB"); };
    const auto dose = [&dB](const char* name, const NoiseDose& d) {
        const QString percent = std::isfinite(d.dose) ? QString::number(roundedDose(d.dose), 'f', 2) : QStringLiteral("overflow");
        return QStringLiteral("%1 dose %2 %, TWA %3").arg(QLatin1String(name), percent, d.twa ? dB(*d.twa) : QStringLiteral("-"));
    };
    QStringList lines{QStringLiteral("Samples: %1 s each (%2)")
                          .arg(f.sampleSeconds)
                          .arg(f.stepMeasured ? QStringLiteral("the median time step")
                                              : QStringLiteral("assumed: the rows give no time step"))};
    for (const WeightingFigures& w : f.weightings) {
        lines << QStringLiteral("%1-weighted: %2 samples, %3; Leq %4, SEL %5")
                     .arg(QLatin1Char(w.weighting))
                     .arg(w.count)
                     .arg(hoursMinutesSeconds(w.durationSeconds), dB(w.leq), dB(w.sel));
        lines << QStringLiteral("    Lmax %1, Lmin %2, L10 %3, L50 %4, L90 %5")
                     .arg(dB(w.lmax), dB(w.lmin), dB(w.l10), dB(w.l50), dB(w.l90));
        lines << QStringLiteral("    LEX,8h %1 (exposure %2)").arg(dB(w.lex8h), hoursMinutesSeconds(w.exposureSeconds));
        lines << QStringLiteral("    %1; %2").arg(dose("NIOSH", w.niosh), dose("OSHA", w.osha));
    }
    return lines;
}

ReportDocument makeReportDocument(ReportDefinition definition, std::vector<ReadingRow> rows,
                                  const QString& company, const QDateTime& printedAt)
{
    ReportDocument d;
    d.summary = summarizeRows(rows);
    // The heading, the lines and a blank line above them.
    d.layout = layoutReport(definition, static_cast<long long>(rows.size()),
                            static_cast<int>(summaryLines(d.summary).size()) + 2);
    d.definition = std::move(definition);
    d.rows = std::move(rows);
    d.company = company;
    d.printedAt = printedAt;
    return d;
}

void renderReportPage(QPainter& painter, const ReportDocument& doc, int page, double ppm)
{
    const ReportDefinition& d = doc.definition;
    const ReportLayout& l = doc.layout;
    const ReportTextValues values{page + 1, l.pageCount, doc.printedAt.toString(QStringLiteral("yyyy/M/d")),
                                  doc.printedAt.toString(QStringLiteral("H:mm")), doc.company};
    const double width = l.right - l.left;
    painter.save();
    painter.setPen(QPen(Qt::black, std::max(1.0, 0.2 * ppm)));
    LineWriter out(painter, ppm);

    out.setFont(fontOf(d, ppm, kTitleScale, true), l.titleLineMm);
    out.text(fillReportText(d.title, values), l.left, width, l.top, ReportAlign::Center, false);
    out.setFont(fontOf(d, ppm, 1.0, false), l.lineMm);
    out.text(fillReportText(d.headerLeft, values), l.left, width, l.headerTop, ReportAlign::Left, false);
    out.text(fillReportText(d.headerRight, values), l.left, width, l.headerTop, ReportAlign::Right, false);

    const int rows = l.rowsOn(page);
    const bool summaryOnly = l.summaryOnOwnPage && page == l.pageCount - 1;
    if (!summaryOnly) {
        out.setFont(fontOf(d, ppm, 1.0, true), l.lineMm);
        for (size_t c = 0; c < d.columns.size(); ++c)
            out.text(d.columns[c].title, l.columnLeft[c], l.columnWidth[c], l.columnHeaderTop, d.columns[c].align);
        out.rule(l.left, l.columnLeft.back() + l.columnWidth.back(), l.rowsTop - l.lineMm * 0.1);
        out.setFont(fontOf(d, ppm, 1.0, false), l.lineMm);
        const long long first = l.firstRow(page);
        for (int r = 0; r < rows; ++r) {
            const ReadingRow& row = doc.rows[static_cast<size_t>(first + r)];
            const double y = l.rowsTop + r * l.lineMm;
            for (size_t c = 0; c < d.columns.size(); ++c)
                out.text(reportFieldText(row, d.columns[c].field), l.columnLeft[c], l.columnWidth[c], y,
                         d.columns[c].align);
        }
    }

    if (l.summaryOn(page)) {
        double y = l.summaryTop(page) + l.lineMm;  // a blank line above it
        out.setFont(fontOf(d, ppm, 1.0, true), l.lineMm);
        out.text(fillReportText(d.summaryHeading, values), l.left, width, y, ReportAlign::Left, false);
        out.setFont(fontOf(d, ppm, 1.0, false), l.lineMm);
        for (const QString& line : summaryLines(doc.summary)) {
            y += l.lineMm;
            out.text(line, l.left, width, y, ReportAlign::Left, false);
        }
    }

    out.rule(l.left, l.right, l.footerTop - l.lineMm * 0.2);
    out.text(fillReportText(d.footer, values), l.left, width, l.footerTop, ReportAlign::Center, false);
    painter.restore();
}

ReportOutcome paintReport(QPagedPaintDevice& device, const ReportDocument& doc, const PageProgress& progress)
{
    ReportOutcome outcome;
    const ReportDefinition& d = doc.definition;
    const QPageSize size(d.paperMm, QPageSize::Millimeter, QString(), QPageSize::FuzzyMatch);
    const QPageLayout::Orientation orientation = d.landscape ? QPageLayout::Landscape : QPageLayout::Portrait;
    // No margins of the device's own: the definition places everything on the paper.
    if (!device.setPageLayout(QPageLayout(size, orientation, QMarginsF()))) {
        device.setPageSize(size);
        device.setPageOrientation(orientation);
    }
    QPainter painter;
    if (!painter.begin(&device)) {
        outcome.error = QStringLiteral("the output could not be started");
        return outcome;
    }
    const int dpi = device.logicalDpiX();
    const double ppm = dpi / 25.4;
    // Whatever margins the device insists on, draw relative to the paper's corner.
    const QPoint origin = device.pageLayout().paintRectPixels(dpi).topLeft();
    for (int page = 0; page < doc.pageCount(); ++page) {
        if (page > 0 && !device.newPage()) {
            outcome.error = QStringLiteral("a new page could not be started after page %1").arg(page);
            break;
        }
        painter.save();
        painter.translate(-origin);
        renderReportPage(painter, doc, page, ppm);
        painter.restore();
        outcome.pagesDone = page + 1;
        if (progress && !progress(outcome.pagesDone, doc.pageCount())) {
            outcome.cancelled = true;
            break;
        }
    }
    if (!painter.end() && outcome.error.isEmpty() && !outcome.cancelled)
        outcome.error = QStringLiteral("the output could not be finished");
    return outcome;
}

ReportOutcome writeReportPdf(const QString& path, const ReportDocument& doc, const PageProgress& progress)
{
    ReportOutcome outcome;
    try {
        WholeFile file(path);
        {
            QPdfWriter writer(&file);
            writer.setResolution(kPdfResolution);
            writer.setCreator(QStringLiteral("Sonavistor"));
            writer.setTitle(fillReportText(doc.definition.title, {1, doc.pageCount(), {}, {}, doc.company}));
            // A failed write ends the pages: nothing more can reach the file.
            outcome = paintReport(writer, doc, [&file, &progress](int done, int total) {
                return file.failure().isEmpty() && (!progress || progress(done, total));
            });
        }
        // A write refused inside the PDF writer shows here, with its reason.
        if (!file.failure().isEmpty()) {
            outcome.error = file.failure();
            return outcome;
        }
        if (outcome.complete(doc))
            file.commit();  // a cancelled or failed document leaves the old file
    } catch (const Error& e) {
        outcome.error = e.message();
    }
    return outcome;
}

}  // namespace sonavistor
