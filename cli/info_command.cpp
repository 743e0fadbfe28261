// sonavistor-cli info [--json] [--interval 1m|5m|15m|1h] [--exposure DURATION]
//                     [--periods] [--period-hours D,E,N] [--night-lmax DB] [--min-coverage PERCENT]
//                     [--events] [--threshold DB] [--event-gap S] [--event-min S] FILE.qrv...
#include "cli/cli_command.h"
#include "cli/durations.h"
#include "cli/noise_output.h"

#include "analysis/acoustic_figures.h"
#include "analysis/level_statistics.h"
#include "analysis/saved_file.h"
#include "analysis/saved_samples.h"
#include "common/error.h"
#include "common/number_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <optional>
#include <vector>

namespace sonavistor::cli {

namespace {

constexpr char kInfoUsage[] =
    "sonavistor-cli info [--json] [--interval 1m|5m|15m|1h] [--exposure DURATION] [--periods] [--period-hours D,E,N] "
    "[--night-lmax DB] [--min-coverage PERCENT] [--events] [--threshold DB] [--event-gap S] [--event-min S] "
    "FILE.qrv...";

struct FileSummary {
    QString path;
    qint64 rows = 0;
    qint64 announced = 0;
    QString first;
    QString last;
    std::optional<LevelStatistics> stats;
    AcousticFigures figures;
};

// "2024/5/17 ,9:5:3   ," -> "2024/5/17 9:5:3"
QString storedDateTime(const QByteArray& dateTime)
{
    const QList<QByteArray> parts = dateTime.split(',');
    const QString date = QString::fromLatin1(parts.value(0).trimmed());
    const QString time = QString::fromLatin1(parts.value(1).trimmed());
    return (date + QLatin1Char(' ') + time).trimmed();
}

// The file's samples are appended to `measurement` when it is given.
FileSummary summarise(const QString& path, const AcousticOptions& options, std::vector<AcousticSample>* measurement)
{
    SavedFileReader reader(path);
    if (!reader.isSavedFile())
        throw Error(notSavedFileMessage(path));
    FileSummary summary;
    summary.path = path;
    summary.announced = reader.announced();
    std::vector<double> levels;
    std::vector<AcousticSample> samples;
    if (summary.announced > 0 && summary.announced < 10'000'000) {
        levels.reserve(static_cast<size_t>(summary.announced));
        samples.reserve(static_cast<size_t>(summary.announced));
    }
    SavedReading reading;
    QByteArray lastLine;
    while (reader.next(reading)) {
        if (levels.empty())
            summary.first = storedDateTime(reading.dateTime());
        levels.push_back(reading.level);
        samples.push_back(savedSample(reading));
        lastLine = reading.line;
    }
    if (measurement)
        measurement->insert(measurement->end(), samples.begin(), samples.end());
    summary.last = storedDateTime(lastLine.left(20));
    summary.rows = static_cast<qint64>(levels.size());
    summary.stats = computeLevelStatistics(std::move(levels));
    summary.figures = computeAcousticFigures(samples, options);
    return summary;
}

QString dose(double percent)
{
    return std::isfinite(percent) ? QString::number(roundedDose(percent), 'f', 2) : QStringLiteral("overflow");
}

void printFigures(QTextStream& out, const FileSummary& s, const AcousticOptions& options)
{
    if (s.rows == 0)
        return;
    const AcousticFigures& f = s.figures;
    out << "  samples:   " << durationText(f.sampleSeconds) << " each "
        << (f.stepMeasured ? "(the median time step)" : "(assumed: the rows give no time step)") << '\n';
    for (const WeightingFigures& w : f.weightings) {
        out << "  " << w.weighting << "-weighted: " << w.count << (w.count == 1 ? " sample, " : " samples, ")
            << hoursMinutesSeconds(w.durationSeconds) << '\n';
        out << "    Leq:     " << oneDecimal(w.leq) << '\n';
        out << "    SEL:     " << oneDecimal(w.sel) << '\n';
        out << "    Lmax:    " << oneDecimal(w.lmax) << '\n';
        out << "    Lmin:    " << oneDecimal(w.lmin) << '\n';
        out << "    L10:     " << oneDecimal(w.l10) << "   L50: " << oneDecimal(w.l50) << "   L90: " << oneDecimal(w.l90)
            << '\n';
        out << "    LEX,8h:  " << oneDecimal(w.lex8h) << " (exposure " << hoursMinutesSeconds(w.exposureSeconds) << ")\n";
        for (const auto& [name, d] : {std::pair{"NIOSH:   ", w.niosh}, std::pair{"OSHA:    ", w.osha}}) {
            out << "    " << name << "dose " << dose(d.dose) << " %, TWA "
                << (d.twa ? oneDecimal(*d.twa) : QStringLiteral("-")) << '\n';
        }
    }
    if (f.unweighted > 0)
        out << "  (" << f.unweighted << " readings weighted neither A nor C are left out of these figures)\n";
    if (options.intervalSeconds <= 0)
        return;
    out << "  intervals of " << durationText(static_cast<double>(options.intervalSeconds))
        << " (start, weighting, samples, Leq):\n";
    for (const IntervalLeq& i : f.intervals)
        out << "    " << rowSecondsText(i.start) << '\t' << i.weighting << '\t' << i.count << '\t' << oneDecimal(i.leq)
            << '\n';
    if (f.untimed > 0)
        out << "    (" << f.untimed << " readings without a readable date and time are in no interval)\n";
}

void printText(QTextStream& out, const FileSummary& s, const AcousticOptions& options)
{
    out << s.path << '\n';
    out << "  rows:      " << s.rows << " (announced " << s.announced << ")\n";
    out << "  first:     " << (s.rows ? s.first : QStringLiteral("-")) << '\n';
    out << "  last:      " << (s.rows ? s.last : QStringLiteral("-")) << '\n';
    const auto figure = [&s](double LevelStatistics::*member) {
        return s.stats ? oneDecimal((*s.stats).*member) : QStringLiteral("-");
    };
    out << "  min:       " << figure(&LevelStatistics::min) << '\n';
    out << "  max:       " << figure(&LevelStatistics::max) << '\n';
    out << "  avg:       " << figure(&LevelStatistics::mean) << '\n';
    out << "  Leq:       " << figure(&LevelStatistics::leq) << '\n';
    out << "  L10:       " << figure(&LevelStatistics::l10) << '\n';
    out << "  L50:       " << figure(&LevelStatistics::l50) << '\n';
    out << "  L90:       " << figure(&LevelStatistics::l90) << '\n';
    printFigures(out, s, options);
}

QJsonValue jsonDose(const NoiseDose& d)
{
    return QJsonObject{
        {"dose", std::isfinite(d.dose) ? QJsonValue(roundedDose(d.dose)) : QJsonValue()},
        {"twa", d.twa ? QJsonValue(roundedLevel(*d.twa)) : QJsonValue()},
    };
}

void printJson(QTextStream& out, const FileSummary& s, const AcousticOptions& options)
{
    QJsonObject o;
    o["file"] = s.path;
    o["rows"] = static_cast<double>(s.rows);
    o["announced"] = static_cast<double>(s.announced);
    o["first"] = s.rows ? QJsonValue(s.first) : QJsonValue();
    o["last"] = s.rows ? QJsonValue(s.last) : QJsonValue();
    const auto figure = [&s](double LevelStatistics::*member) {
        return s.stats ? QJsonValue((*s.stats).*member) : QJsonValue();
    };
    o["min"] = figure(&LevelStatistics::min);
    o["max"] = figure(&LevelStatistics::max);
    o["avg"] = figure(&LevelStatistics::mean);
    o["leq"] = figure(&LevelStatistics::leq);
    o["l10"] = figure(&LevelStatistics::l10);
    o["l50"] = figure(&LevelStatistics::l50);
    o["l90"] = figure(&LevelStatistics::l90);
    o["sampleSeconds"] = s.rows ? QJsonValue(s.figures.sampleSeconds) : QJsonValue();
    for (const WeightingFigures& w : s.figures.weightings) {
        o[QString(QLatin1Char(w.weighting))] = QJsonObject{
            {"leq", roundedLevel(w.leq)},
            {"sel", roundedLevel(w.sel)},
            {"lmax", roundedLevel(w.lmax)},
            {"lmin", roundedLevel(w.lmin)},
            {"lex8h", roundedLevel(w.lex8h)},
            {"niosh", jsonDose(w.niosh)},
            {"osha", jsonDose(w.osha)},
        };
    }
    if (options.intervalSeconds > 0) {
        QJsonArray intervals;
        for (const IntervalLeq& i : s.figures.intervals) {
            intervals.append(QJsonObject{{"start", rowSecondsText(i.start)},
                                         {"weighting", QString(QLatin1Char(i.weighting))},
                                         {"count", static_cast<double>(i.count)},
                                         {"leq", roundedLevel(i.leq)}});
        }
        o["intervals"] = intervals;
    }
    out << QJsonDocument(o).toJson(QJsonDocument::Compact) << '\n';
}

}  // namespace

int infoCommand(const QStringList& args, Output io)
{
    bool json = false;
    AcousticOptions options;
    NoiseRequest noise;
    QStringList files;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        QString value;
        QString error;
        if (takeNoiseOption("info", args, i, noise, error)) {
            if (!error.isEmpty())
                return io.err << error << Qt::endl, kUsage;
        } else if (arg == QLatin1String("--json")) {
            json = true;
        } else if (takeOption(args, i, QStringLiteral("--interval"), value)) {
            const auto seconds = parseInterval(value);
            if (value.trimmed().isEmpty())
                return io.err << "info: --interval needs a value: 1m, 5m, 15m or 1h" << Qt::endl, kUsage;
            if (!seconds)
                return io.err << "info: --interval takes 1m, 5m, 15m or 1h, not '" << value << "'" << Qt::endl, kUsage;
            options.intervalSeconds = *seconds;
        } else if (takeOption(args, i, QStringLiteral("--exposure"), value)) {
            const auto seconds = parseDuration(value);
            if (value.trimmed().isEmpty())
                return io.err << "info: --exposure needs a value: a time from 1s to 24h such as 8h, 90m or 7h30m"
                              << Qt::endl,
                       kUsage;
            if (!seconds || *seconds <= 0 || *seconds > 24 * 3600.0)
                return io.err << "info: --exposure takes a time from 1s to 24h such as 8h, 90m or 7h30m, not '"
                              << value << "'" << Qt::endl, kUsage;
            options.exposureSeconds = *seconds;
        } else if (arg.startsWith(QLatin1Char('-'))) {
            return io.err << "info: unknown option " << arg << " (" << kInfoUsage << ")" << Qt::endl, kUsage;
        } else {
            files << arg;
        }
    }
    if (const QString error = missingModeError("info", noise); !error.isEmpty())
        return io.err << error << " (" << kInfoUsage << ")" << Qt::endl, kUsage;
    if (files.isEmpty())
        return io.err << "info: no file given (" << kInfoUsage << ")" << Qt::endl, kUsage;

    int status = kOk;
    // Files given together are one measurement for the noise figures.
    std::vector<AcousticSample> measurement;
    std::vector<size_t> fileSizes;  // each file keeps its own time step
    for (const QString& file : files) {
        try {
            const size_t before = measurement.size();
            const FileSummary summary = summarise(file, options, noise.any() ? &measurement : nullptr);
            fileSizes.push_back(measurement.size() - before);
            json ? printJson(io.out, summary, options) : printText(io.out, summary, options);
        } catch (const Error& e) {
            io.err << e.message() << Qt::endl;
            status = kFailed;
        }
    }
    // Figures over the days of a measurement with a file missing would mislead.
    if (noise.any() && status == kOk) {
        const NoiseFigures figures = computeNoiseFigures(std::move(measurement), fileSizes, noise.options);
        if (json)
            io.out << QJsonDocument(noiseJson(files, figures, noise)).toJson(QJsonDocument::Compact) << '\n';
        else
            printNoiseText(io.out, files, figures, noise);
    }
    io.out.flush();
    return status;
}

}  // namespace sonavistor::cli
