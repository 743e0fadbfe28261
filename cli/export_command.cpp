// sonavistor-cli export -o OUT.xls [--force] FILE.qrv...
// The worksheet the data view window's export writes for those files opened
// one after the other: LoadData rows numbered from 1 across the files.
#include "cli/cli_command.h"

#include "analysis/saved_file.h"
#include "app/error.h"
#include "cli/console_messages.h"
#include "export/grid_to_excel.h"
#include "export/reading_rows_dataset.h"
#include "store/measurement_db.h"
#include "store/staging_file.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace sonavistor::cli {

namespace {

// Opens one saved file into LoadData as the data view does: stage every
// reading under the next RecNo, then one bulk load. Nothing of a file that
// does not read to its end reaches the table.
void loadSavedFile(MeasurementDatabase& db, const QString& folder, const QString& path)
{
    SavedFileReader reader(path);
    if (!reader.isSavedFile())
        throw Error(QStringLiteral("%1, line 1: not a Sonavistor saved file").arg(path));
    StagingFile staging(folder);
    staging.open();
    qint64 recNo = db.rowCount(TableLoadData);
    SavedReading reading;
    while (reader.next(reading))
        staging.writeSavedLine(reading.line, static_cast<qint32>(++recNo));
    staging.close();
    db.PostLoadData(staging.path());
}

}  // namespace

int exportCommand(const QStringList& args, Output io)
{
    QString output;
    bool force = false;
    QStringList files;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("-o") || arg == QLatin1String("--output")) {
            if (i + 1 >= args.size())
                return io.err << "export: -o needs a file name" << Qt::endl, kUsage;
            output = args[++i];
        } else if (arg == QLatin1String("--force")) {
            force = true;
        } else if (arg.startsWith(QLatin1Char('-'))) {
            return io.err << "export: unknown option " << arg << Qt::endl, kUsage;
        } else {
            files << arg;
        }
    }
    if (output.isEmpty() || files.isEmpty())
        return io.err << "export: usage: sonavistor-cli export -o OUT.xls [--force] FILE.qrv..." << Qt::endl, kUsage;
    if (QFileInfo::exists(output) && !force)
        return io.err << output << ": already exists (use --force to replace it)" << Qt::endl, kFailed;

    QTemporaryDir scratch;
    if (!scratch.isValid())
        return io.err << "export: cannot make a scratch folder: " << scratch.errorString() << Qt::endl, kFailed;
    MeasurementDatabase db;
    try {
        const QString dbPath = scratch.filePath(QString::fromLatin1(MeasurementDatabase::FileName));
        MeasurementDatabase::createFromSchema(dbPath);
        if (!db.openFile(dbPath))
            throw Error(QStringLiteral("cannot open the scratch database %1").arg(dbPath));
        db.ClearTable(2);
        for (const QString& file : files)
            loadSavedFile(db, scratch.path(), file);
    } catch (const Error& e) {
        io.err << e.message() << Qt::endl;
        return kFailed;
    }

    ReadingRowsDataset dataset(db, TableLoadData);
    ReadingRowsGrid grid(dataset);
    const int total = dataset.recordCount();
    if (total == 0)
        return io.err << "export: the files hold no readings; nothing written" << Qt::endl, kFailed;
    if (QFileInfo::exists(output) && !QFile::remove(output))
        return io.err << output << ": cannot replace it" << Qt::endl, kFailed;

    ConsoleMessages messages(io.err);
    TGridToExcel exporter(messages);
    exporter.DataGrid = &grid;
    exporter.ShowProgress = false;
    exporter.FileName = output;
    const ExportResult result = exporter.ExportSheet();
    if (!result.error.isEmpty()) {
        io.err << output << ": writing stopped after " << result.recordsWritten << " of " << total
               << " records: " << result.error << Qt::endl;
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
