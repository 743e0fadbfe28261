// sonavistor-cli report -o REPORT.pdf [--force] [--company NAME] [--details FILE.json]
//                       [--period-hours D,E,N] [--night-lmax DB] [--min-coverage PERCENT]
//                       [--threshold DB] [--event-gap S] [--event-min S] FILE.qrv...
#include "cli/cli_command.h"
#include "cli/durations.h"
#include "cli/noise_output.h"

#include "analysis/saved_samples.h"
#include "common/error.h"
#include "common/meter_settings.h"
#include "common/program_folder.h"
#include "export/noise_report.h"

#include <QDateTime>
#include <QFileInfo>

#include <optional>

namespace sonavistor::cli {

namespace {

constexpr char kReportUsage[] =
    "sonavistor-cli report -o REPORT.pdf [--force] [--company NAME] [--details FILE.json] [--period-hours D,E,N] "
    "[--night-lmax DB] [--min-coverage PERCENT] [--threshold DB] [--event-gap S] [--event-min S] FILE.qrv...";

// The company name the program's own settings hold, as the data sheet prints it.
QString settingsCompany()
{
    const ProgramFiles files = locateProgramFiles(programFolder(), QStringLiteral("sonavistor"));
    return readMeterSettings(sideFilePath(files.settingsFolder, QString::fromLatin1(kSettingsFileName))).CompanyName;
}

}  // namespace

int reportCommand(const QStringList& args, Output io)
{
    QString output;
    bool force = false;
    std::optional<QString> company;
    QString detailsFile;
    NoiseRequest noise;
    QStringList files;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        QString value;
        QString error;
        if (takeNoiseOption("report", args, i, noise, error)) {
            if (!error.isEmpty())
                return io.err << error << Qt::endl, kUsage;
        } else if (arg == QLatin1String("-o") || arg == QLatin1String("--output")) {
            if (i + 1 >= args.size())
                return io.err << "report: -o needs a file name" << Qt::endl, kUsage;
            output = args[++i];
        } else if (arg == QLatin1String("--company") && i + 1 >= args.size()) {
            return io.err << "report: --company needs a value: the name printed in the header" << Qt::endl, kUsage;
        } else if (takeOption(args, i, QStringLiteral("--company"), value)) {
            company = value;
        } else if (takeOption(args, i, QStringLiteral("--details"), value)) {
            if (value.trimmed().isEmpty())
                return io.err << "report: --details needs a value: a JSON file of the site, meter and calibration"
                              << Qt::endl,
                       kUsage;
            detailsFile = value;
        } else if (arg == QLatin1String("--force")) {
            force = true;
        } else if (arg.startsWith(QLatin1Char('-'))) {
            return io.err << "report: unknown option " << arg << " (" << kReportUsage << ")" << Qt::endl, kUsage;
        } else {
            files << arg;
        }
    }
    if (output.isEmpty() || files.isEmpty())
        return io.err << "report: usage: " << kReportUsage << Qt::endl, kUsage;
    if (QFileInfo::exists(output) && !force)
        return io.err << output << ": already exists (use --force to replace it)" << Qt::endl, kFailed;
    NoiseReportDetails details;
    if (!detailsFile.isEmpty()) {
        try {
            details = readNoiseReportDetails(detailsFile);
        } catch (const BadNoiseReportDetails& e) {
            return io.err << "report: " << e.message() << Qt::endl, kUsage;
        } catch (const Error& e) {
            return io.err << e.message() << Qt::endl, kFailed;
        }
    }
    try {
        std::vector<size_t> fileSizes;  // each file keeps its own time step
        std::vector<AcousticSample> samples = readSavedSamples(files, fileSizes);
        const NoiseReport report =
            makeNoiseReport(files, std::move(samples), fileSizes, noise.options, details,
                            company ? *company : settingsCompany(), QDateTime::currentDateTime());
        writeNoiseReportPdf(output, report);
    } catch (const Error& e) {
        io.err << e.message() << Qt::endl;
        return kFailed;
    }
    return kOk;
}

}  // namespace sonavistor::cli
