#pragma once
// Drawing a data sheet: any one page onto a painter (the preview draws the
// page it shows, nothing else), all pages onto a printer or a PDF file.

#include "analysis/acoustic_figures.h"
#include "analysis/level_statistics.h"
#include "print/report_definition.h"
#include "print/report_layout.h"
#include "store/reading_row.h"

#include <QDateTime>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace sonavistor {

// The closing summary: rows, first and last time, the level figures of the
// rows whose MeaValue is a number, and their acoustic figures per weighting.
struct ReportSummary {
    long long rows = 0;
    QString first;  // NDate NTime of the first row
    QString last;
    std::optional<LevelStatistics> levels;
    AcousticFigures acoustic;
};
ReportSummary summarizeRows(const std::vector<ReadingRow>& rows);
QStringList summaryLines(const ReportSummary& summary);
// The acoustic figures' lines of the summary: the sample length, then four
// lines per weighting.
QStringList acousticLines(const AcousticFigures& figures);

// One print's report: the definition and the rows as they were when the
// print started.
struct ReportDocument {
    ReportDefinition definition;
    std::vector<ReadingRow> rows;
    ReportSummary summary;
    QString company;
    QDateTime printedAt;
    ReportLayout layout;

    int pageCount() const { return layout.pageCount; }
};
ReportDocument makeReportDocument(ReportDefinition definition, std::vector<ReadingRow> rows,
                                  const QString& company, const QDateTime& printedAt);

// Draws page (from 0) with the paper's top-left corner at the painter's
// origin, at pixelsPerMm device pixels per millimetre.
void renderReportPage(QPainter& painter, const ReportDocument& document, int page, double pixelsPerMm);

// Told after every page; false cancels the output.
using PageProgress = std::function<bool(int pagesDone, int pageCount)>;

struct ReportOutcome {
    int pagesDone = 0;
    bool cancelled = false;
    QString error;  // empty when every page was produced
    bool complete(const ReportDocument& d) const { return error.isEmpty() && !cancelled && pagesDone == d.pageCount(); }
};

// Every page onto a printer or PDF writer, in the definition's paper and
// orientation (the caller keeps and restores the device's own).
ReportOutcome paintReport(QPagedPaintDevice& device, const ReportDocument& document,
                          const PageProgress& progress = {});
// Every page into a PDF file. The file appears only when all pages were
// written: a cancelled or failed output leaves whatever was there before.
ReportOutcome writeReportPdf(const QString& path, const ReportDocument& document,
                             const PageProgress& progress = {});

}  // namespace sonavistor
