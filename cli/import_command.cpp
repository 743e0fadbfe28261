// sonavistor-cli import DAY -o OUT.qrv [--force] [--meter usb|sim:FILE]
// One day as the import window imports it: its records (at most 720), up to
// four attempts, rows through the staging file and the bulk load, then the
// saved file the window's Save writes.
#include "analysis/saved_file.h"
#include "cli/meter_days.h"
#include "common/error.h"
#include "import/import_session.h"
#include "store/scratch_database.h"

#include <QFileInfo>

namespace sonavistor::cli {

namespace {

constexpr char kImportFailed[] = "Import Failed! try again";

// The rows loaded into GetRecorde of a scratch database and read back, as
// the window's table holds them.
std::vector<ReadingRow> throughTheTable(const std::vector<ReadingRow>& rows)
{
    ScratchDatabase scratch;
    loadImportedRows(scratch.db(), scratch.folder(), rows);
    return scratch.db().rows(TableGetRecorde);
}

}  // namespace

int importCommand(const QStringList& arguments, Output io)
{
    QStringList args = arguments;
    const QString output = takeOption(args, QStringLiteral("-o"));
    const bool force = args.removeAll(QStringLiteral("--force")) > 0;
    MeterSession session;
    if (const int status = session.open(args, io))
        return status;
    if (output.isEmpty() || args.size() != 1)
        return io.err << "import: usage: sonavistor-cli import DAY -o OUT.qrv [--force] [--meter ...]" << Qt::endl, kUsage;
    if (QFileInfo::exists(output) && !force)
        return io.err << output << ": already exists (use --force to replace it)" << Qt::endl, kFailed;

    MeterDays days;
    if (const int status = readDays(session, io, days))
        return status;
    const int entry = findDay(days, args[0]);
    if (entry < 0)
        return io.err << "import: the meter has no day " << args[0] << " (see sonavistor-cli days)" << Qt::endl, kFailed;
    const DayRange range = days.range(entry);

    ImportAttempt attempt;
    {
        TerminalProgress progress("importing");
        attempt = ImportSession().run(session.meter(), range, &progress);
    }
    switch (attempt.outcome) {
    case ImportAttempt::Outcome::BadRecord:
        if (attempt.request == RequestResult::Answered)
            return io.err << kImportFailed << Qt::endl, kFailed;
        [[fallthrough]];  // the last attempt fell silent: say so
    case ImportAttempt::Outcome::MeterFailed:
        return io.err << session.failure(attempt.request) << " while reading the day's records ("
                      << attempt.recordsReceived << " of " << recordsToDecode(range) << " records)" << Qt::endl,
               kFailed;
    case ImportAttempt::Outcome::Imported:
        break;
    }
    try {
        writeSavedFile(output, throughTheTable(attempt.rows));
    } catch (const Error& e) {
        return io.err << e.message() << Qt::endl, kFailed;
    }
    io.out << "Imported " << attempt.rows.size() << " readings of "
           << days.text(entry) << " to " << output << Qt::endl;
    return kOk;
}

}  // namespace sonavistor::cli
