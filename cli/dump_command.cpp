// sonavistor-cli dump -o FILE.json [--force] [--meter usb|sim:FILE]
// The meter's memory as a scenario of the simulated meter: its count, date
// list and every day's records, written as FILE.memory.bin and FILE.json
// that names it, for bug reports and for trying a memory without the meter
// (--meter sim:FILE.json, sonavistor-demo --scenario FILE.json). Nothing is
// written unless every record came.
#include "cli/meter_days.h"

#include "common/error.h"
#include "import/import_session.h"
#include "sim/scenario.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace sonavistor::cli {

namespace {

constexpr int kRecordsPerRead = kMaxImportRecords;

// The date list's date of a record: that of the last day beginning at or before it.
qint32 listedDate(const MeterDays& days, int record)
{
    const auto after = std::upper_bound(days.days.begin(), days.days.end(), record,
                                        [](int r, const MeterDay& day) { return r < day.firstRecord; });
    return after == days.days.begin() ? 0 : std::prev(after)->date;
}

QByteArray packedDateBytes(qint32 date)
{
    const char bytes[3] = {static_cast<char>(date >> 16), static_cast<char>(date >> 8), static_cast<char>(date)};
    return QByteArray(bytes, 3);
}

QString memoryFileFor(const QString& json)
{
    const QFileInfo info(json);
    return json.left(json.size() - info.fileName().size()) + info.completeBaseName() + QStringLiteral(".memory.bin");
}

}  // namespace

int dumpCommand(const QStringList& arguments, Output io)
{
    QStringList args = arguments;
    const QString output = takeOption(args, QStringLiteral("-o"));
    const bool force = args.removeAll(QStringLiteral("--force")) > 0;
    MeterSession session;
    if (const int status = session.open(args, io))
        return status;
    if (output.isEmpty() || !args.isEmpty())
        return io.err << "dump: usage: sonavistor-cli dump -o FILE.json [--force] [--meter ...]" << Qt::endl, kUsage;
    const QString memoryPath = memoryFileFor(output);
    for (const QString& path : {output, memoryPath}) {
        if (QFileInfo::exists(path) && !force)
            return io.err << path << ": already exists (use --force to replace it)" << Qt::endl, kFailed;
    }

    MeterDays days;
    if (const int status = readDays(session, io, days))
        return status;
    const qint32 count = days.recordCount;
    const RecordLayout layout = session.meter().model().recordLayout();
    const int recordSize = layout.bytes;
    if (static_cast<qint64>(count) * recordSize > kMaxScenarioMemory)
        return io.err << "the meter reports " << count << " records, more than its memory holds ("
                      << kMaxScenarioMemory / recordSize << ")" << Qt::endl, kFailed;
    QByteArray memory;
    memory.reserve(static_cast<qsizetype>(count) * recordSize);
    for (int entry = 0; entry < days.size(); ++entry) {
        const DayRange day = days.range(entry);
        for (qint32 first = day.first; first <= day.last; first += kRecordsPerRead) {
            const qint32 last = std::min(day.last, first + kRecordsPerRead - 1);
            ImportSession reads(ImportSession::Keep::Bytes);
            TerminalProgress progress("reading records");
            const ImportAttempt& read = reads.run(session.meter(), {first, last}, &progress);
            if (read.request != RequestResult::Answered)
                return io.err << session.failure(read.request) << " while reading records " << first << " to " << last
                              << " (" << memory.size() / recordSize << " of " << count
                              << " records read); nothing written" << Qt::endl,
                       kFailed;
            if (read.outcome != ImportAttempt::Outcome::Imported)
                return io.err << "the meter sent " << read.recordsReceived << " of records " << first << " to "
                              << last << " in " << reads.attempts() << " attempts; nothing written" << Qt::endl,
                       kFailed;
            for (const int byte : read.bytes)
                memory.append(static_cast<char>(byte));
        }
    }
    if (memory.size() != static_cast<qsizetype>(count) * recordSize)
        return io.err << "the meter's date list covers " << memory.size() / recordSize << " of its " << count
                      << " records; nothing written" << Qt::endl, kFailed;
    // The simulated meter lists the records' own dates.
    for (int record = 1; record <= count; ++record) {
        if (memory.mid(static_cast<qsizetype>(record - 1) * recordSize + layout.stampOffset,
                       session.meter().model().dateLayout().entryBytes) !=
            packedDateBytes(listedDate(days, record))) {
            io.err << "note: the meter's date list and its record " << record
                   << " disagree; the replay lists the records' own dates" << Qt::endl;
            break;
        }
    }

    try {
        writeScenarioFiles(output, memoryPath, memory);
        loadScenario(output);  // the replay reads what was written
    } catch (const Error& e) {
        return io.err << e.message() << Qt::endl, kFailed;
    }
    io.out << "Dumped " << count << " records of " << days.size() << " days to " << output << " and "
           << memoryPath << Qt::endl;
    return kOk;
}

}  // namespace sonavistor::cli
