#pragma once
// The printed noise report: one section per calendar day and weighting of a
// measurement, with its figures, a bar chart of the hourly Leq over the day,
// evening and night bands, the level-time line of the day, the hourly levels
// and the day's noise events.

#include "analysis/noise_figures.h"

#include <QDateTime>
#include <QStringList>

#include <vector>

class QPagedPaintDevice;

namespace sonavistor {

// At most this many events are listed for a day (those of highest SEL); the
// rest are counted.
inline constexpr int kReportedEvents = 50;

struct NoiseReport {
    QStringList files;  // as the user named them
    NoiseOptions options;
    NoiseFigures figures;
    // The level-time line of each of figures.days: the Leq of each minute
    // (NaN where a minute has no sample).
    std::vector<std::vector<float>> minuteLevels;
    QString company;
    QDateTime printedAt;
};

// The samples are moved on into computeNoiseFigures.
NoiseReport makeNoiseReport(const QStringList& files, std::vector<AcousticSample> samples,
                            const NoiseOptions& options, const QString& company, const QDateTime& printedAt);

// The events of day (an index into figures.days) as the report lists them, in
// time order, and how many more it leaves out.
std::vector<NoiseEvent> reportedEvents(const NoiseReport& report, size_t day, int& leftOut);

// Draws every page onto a printer or PDF writer (A4 portrait). Returns the
// number of pages.
int paintNoiseReport(QPagedPaintDevice& device, const NoiseReport& report);

// Writes the report as a PDF file, whole or not at all. Throws Error
// ("Cannot write file ...") when it cannot.
void writeNoiseReportPdf(const QString& path, const NoiseReport& report);

}  // namespace sonavistor
