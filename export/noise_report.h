#pragma once
// The printed noise report. Its first pages: the title, the site, meter and
// calibration the user gives (NoiseReportDetails), the measurement period,
// the standards applied, the whole measurement's figures (the long-term
// average of 2002/49/EC Annex I) with the limits compared, and a table of
// all days and nights with their coverage, those below the minimum coverage
// marked. Then one section per calendar day and weighting (its figures, a
// bar chart of the hourly Leq over the day, evening and night bands, the
// level-time line of the day, the hourly levels and the day's noise events),
// then each night from the evening of one date to the morning of the next.

#include "analysis/noise_figures.h"
#include "common/error.h"

#include <QByteArray>
#include <QDateTime>
#include <QStringList>

#include <optional>
#include <vector>

class QPagedPaintDevice;

namespace sonavistor {

// At most this many events are listed for a day (those of highest SEL); the
// rest are counted.
inline constexpr int kReportedEvents = 50;

// The measurement's circumstances as the user gives them (the --details file,
// the Noise Report dialog). Every field is optional: an empty one is left out
// of the report.
struct NoiseReportDetails {
    QString site;
    QString address;
    QString position;  // "façade", "free field" or "other"
    QString height;    // as printed: "4 m" for a number of metres
    QString meter;
    QString serial;
    QString calibrator;
    QString calibrationBefore;  // as printed: "94.0 dB" for a number
    QString calibrationAfter;
    QString operatorName;
    QString weather;
    QString remarks;
    std::optional<double> limitLden;  // dB, compared with the A-weighted summary
    std::optional<double> limitLnight;
    std::optional<double> limitLmax;  // dB, compared with each night's A-weighted Lmax
    QString limitsSource;
    QStringList standards;  // further standards the user applied ("ISO 1996-2"), named as given

    bool hasLimits() const { return limitLden || limitLnight || limitLmax; }
};

// A details file whose content is wrong: not JSON, an unknown key, a value of
// the wrong kind. Its message names the file and what is wrong.
class BadNoiseReportDetails : public Error {
public:
    using Error::Error;
};

// The details of a JSON text (an object; every key optional: site, address,
// position, height, meter, serial, calibrator, calibrationBefore,
// calibrationAfter, operator, weather, remarks, standards, limits {lden,
// lnight, lmax, source}). Throws BadNoiseReportDetails naming source.
NoiseReportDetails parseNoiseReportDetails(const QByteArray& json, const QString& source);
// The same from a file; throws Error when it cannot be read.
NoiseReportDetails readNoiseReportDetails(const QString& path);
// The details as a JSON text parseNoiseReportDetails reads back (for the settings).
QByteArray noiseReportDetailsJson(const NoiseReportDetails& details);

struct NoiseReport {
    QStringList files;  // as the user named them
    NoiseOptions options;
    NoiseFigures figures;
    NoiseReportDetails details;
    // The level-time line of each of figures.days: the Leq of each minute
    // (NaN where a minute has no sample).
    std::vector<std::vector<float>> minuteLevels;
    // The first and the last timed reading; nothing without any.
    std::optional<qint64> firstReading;
    std::optional<qint64> lastReading;
    QString company;
    QDateTime printedAt;
};

// The samples of the files one after the other, fileSizes[i] of them of file
// i (each file keeps its own time step); they are moved on into computeNoiseFigures.
NoiseReport makeNoiseReport(const QStringList& files, std::vector<AcousticSample> samples,
                            const std::vector<size_t>& fileSizes, const NoiseOptions& options,
                            const NoiseReportDetails& details, const QString& company, const QDateTime& printedAt);

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
