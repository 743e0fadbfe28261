// sonavistor-cli export -o OUT [--format xls|csv|influx] [--meter-id NAME] [--publish-interval 1m] [--force] FILE.qrv...
// The worksheet the data view window's export writes for those files opened
// one after the other: LoadData rows numbered from 1 across the files; or
// the same rows as CSV; or InfluxDB line protocol.
#include "cli/cli_command.h"
#include "cli/durations.h"

#include "analysis/saved_file_load.h"
#include "cli/console_messages.h"
#include "common/error.h"
#include "export/csv_export.h"
#include "export/grid_to_excel.h"
#include "export/influx_lines.h"
#include "export/reading_rows_dataset.h"
#include "store/scratch_database.h"

#include <QFileInfo>

#include <cmath>
#include <memory>

namespace sonavistor::cli {

int exportCommand(const QStringList& args, Output io)
{
    QString output;
    QString format = QStringLiteral("xls");
    bool force = false;
    QStringList files;
    InfluxExportOptions influx;
    QString value;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (takeOption(args, i, QStringLiteral("--format"), format)) {
            if (format != QLatin1String("xls") && format != QLatin1String("csv") && format != QLatin1String("influx"))
                return io.err << "export: --format takes xls, csv or influx, not '" << format << "'" << Qt::endl,
                       kUsage;
        } else if (arg == QLatin1String("-o") || arg == QLatin1String("--output")) {
            if (i + 1 >= args.size())
                return io.err << "export: -o needs a file name" << Qt::endl, kUsage;
            output = args[++i];
        } else if (takeOption(args, i, QStringLiteral("--meter-id"), value)) {
            influx.meter = value;
        } else if (takeOption(args, i, QStringLiteral("--publish-interval"), value)) {
            const auto seconds = parseDuration(value);
            if (!seconds || *seconds < 1 || *seconds != std::floor(*seconds) || 86400 % static_cast<qint64>(*seconds) != 0)
                return io.err << "export: --publish-interval takes a whole number of seconds that divides a day, such as "
                                 "10s, 1m or 15m, not '" << value << "'" << Qt::endl, kUsage;
            influx.intervalSeconds = static_cast<qint64>(*seconds);
        } else if (arg == QLatin1String("--force")) {
            force = true;
        } else if (arg.startsWith(QLatin1Char('-'))) {
            return io.err << "export: unknown option " << arg << Qt::endl, kUsage;
        } else {
            files << arg;
        }
    }
    if (output.isEmpty() || files.isEmpty())
        return io.err << "export: usage: sonavistor-cli export -o OUT [--format xls|csv|influx] [--meter-id NAME] "
                         "[--publish-interval 1m] [--force] FILE.qrv..."
                      << Qt::endl, kUsage;
    if (QFileInfo::exists(output) && !force)
        return io.err << output << ": already exists (use --force to replace it)" << Qt::endl, kFailed;

    if (format == QLatin1String("influx")) {
        try {
            const InfluxExport result = writeInfluxLines(output, files, influx);
            if (result.untimed > 0)
                io.err << "export: " << result.untimed << " readings without a readable date and time were left out"
                       << Qt::endl;
            io.out << "Exported " << result.written << " records and " << result.intervals << " intervals to " << output
                   << Qt::endl;
            return kOk;
        } catch (const Error& e) {
            return io.err << e.message() << Qt::endl, kFailed;
        }
    }

    std::unique_ptr<ScratchDatabase> scratch;
    try {
        scratch = std::make_unique<ScratchDatabase>();
        for (const QString& file : files) {
            if (!loadSavedFile(scratch->db(), scratch->folder(), file).isSavedFile)
                throw Error(QStringLiteral("%1, line 1: not a Sonavistor saved file").arg(file));
        }
    } catch (const Error& e) {
        io.err << e.message() << Qt::endl;
        return kFailed;
    }
    MeasurementDatabase& db = scratch->db();
    if (format == QLatin1String("csv")) {
        try {
            const qint64 written = writeReadingsCsv(output, db.rows(TableLoadData));
            io.out << "Exported " << written << " records to " << output << Qt::endl;
            return kOk;
        } catch (const Error& e) {
            return io.err << e.message() << Qt::endl, kFailed;
        }
    }

    ReadingRowsDataset dataset(db, TableLoadData);
    ReadingRowsGrid grid(dataset);
    const int total = dataset.recordCount();
    if (total == 0)
        return io.err << "export: the files hold no readings; nothing written" << Qt::endl, kFailed;
    ConsoleMessages messages(io.err);
    TGridToExcel exporter(messages);
    exporter.DataGrid = &grid;
    exporter.ShowProgress = false;
    exporter.FileName = output;
    exporter.AskBeforeReplace = false;  // --force was given, or there is no file
    const ExportResult result = exporter.ExportSheet();
    if (!result.error.isEmpty() || !result.written) {
        io.err << (result.error.isEmpty() ? output + QStringLiteral(": nothing written") : result.error) << Qt::endl;
        return kFailed;
    }
    if (result.rowLimitReached) {
        io.err << output << ": only " << result.recordsWritten << " of " << total
               << " records written: a worksheet holds at most 65,536 rows" << Qt::endl;
        return kFailed;
    }
    io.out << "Exported " << result.recordsWritten << " records to " << output << Qt::endl;
    return kOk;
}

}  // namespace sonavistor::cli
