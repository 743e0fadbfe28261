// sonavistor-cli import DAY -o OUT.qrv [--force] [--meter usb|sim:FILE]
// One day as the import window imports it: its records (at most 720), up to
// four attempts, rows through the staging file and the bulk load, then the
// saved file the window's Save writes.
#include "analysis/saved_file.h"
#include "app/error.h"
#include "cli/meter_days.h"
#include "import/day_import.h"
#include "store/measurement_db.h"
#include "store/staging_file.h"

#include <QFileInfo>
#include <QTemporaryDir>

namespace sonavistor::cli {

namespace {

constexpr char kImportFailed[] = "Import Failed! try again";

// The rows of one attempt loaded into GetRecorde of a scratch database and
// read back, as the window's table holds them.
std::vector<ReadingRow> throughTheTable(const std::vector<ReadingRow>& rows)
{
    QTemporaryDir scratch;
    if (!scratch.isValid())
        throw Error(QStringLiteral("cannot make a scratch folder: %1").arg(scratch.errorString()));
    const QString path = scratch.filePath(QString::fromLatin1(MeasurementDatabase::FileName));
    MeasurementDatabase::createFromSchema(path);
    MeasurementDatabase db;
    if (!db.openFile(path))
        throw Error(QStringLiteral("cannot open the scratch database %1").arg(path));
    db.ClearTable(1);
    StagingFile staging(scratch.path());
    staging.open();
    for (const ReadingRow& row : rows)
        staging.writeImportRow(row);
    staging.close();
    db.PostDateTimeRecnoWeight(staging.path());
    return db.rows(TableGetRecorde);
}

}  // namespace

int importCommand(const QStringList& arguments, Output io)
{
    QStringList args = arguments;
    QString output;
    const qsizetype o = args.indexOf(QStringLiteral("-o"));
    if (o >= 0 && o + 1 < args.size()) {
        output = args[o + 1];
        args.remove(o, 2);
    }
    const bool force = args.removeAll(QStringLiteral("--force")) > 0;
    MeterSession session;
    if (const int status = session.open(args, io))
        return status;
    if (output.isEmpty() || args.size() != 1)
        return io.err << "import: usage: sonavistor-cli import DAY -o OUT.qrv [--force] [--meter ...]" << Qt::endl, kUsage;
    if (QFileInfo::exists(output) && !force)
        return io.err << output << ": already exists (use --force to replace it)" << Qt::endl, kFailed;

    if (const int status = readDays(session, io))
        return status;
    const int entry = findDay(DateIndex, args[0]);
    if (entry < 0)
        return io.err << "import: the meter has no day " << args[0] << " (see sonavistor-cli days)" << Qt::endl, kFailed;
    const DayRange range = dayRange(DateIndex, entry, MeterLink.RecordCount);

    for (int attempt = 1; attempt <= kImportAttempts; ++attempt) {
        fillReadRecords(MeterLink.Command, range);
        {
            TerminalProgress progress("importing");
            session.connection().GetRec(&progress);
        }
        if (!MeterLink.Connected || session.interrupted())
            return io.err << (session.interrupted() ? "interrupted" : "the meter was disconnected")
                          << " while reading the day's records (" << MeterLink.PageIndex / 2 << " of "
                          << recordsToDecode(range) << " records)" << Qt::endl, kFailed;
        const auto rows = decodeTransfer(MemoryImage, recordsToDecode(range));
        if (!rows)
            continue;  // a record with a bad header: the next attempt
        try {
            writeSavedFile(output, throughTheTable(*rows));
        } catch (const Error& e) {
            return io.err << e.message() << Qt::endl, kFailed;
        }
        io.out << "Imported " << rows->size() << " readings of " << dateIndexText(DateIndex.Dates[static_cast<size_t>(entry)])
               << " to " << output << Qt::endl;
        return kOk;
    }
    return io.err << kImportFailed << Qt::endl, kFailed;
}

}  // namespace sonavistor::cli
