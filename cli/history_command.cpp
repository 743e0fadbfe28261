// sonavistor-cli history DIR [--json|--csv] [--from DATE --to DATE]
#include "cli/cli_command.h"
#include "cli/durations.h"

#include "common/error.h"
#include "history/history_overview.h"
#include "history/history_scan.h"

#include <QDir>
#include <QFileInfo>

namespace sonavistor::cli {

namespace {

constexpr char kHistoryUsage[] = "sonavistor-cli history DIR [--json|--csv] [--from DATE --to DATE]";

void printTable(QTextStream& out, const HistoryOverview& o)
{
    const int columns = static_cast<int>(DayColumn::Count);
    for (int c = 0; c < columns; ++c)
        out << (c ? "\t" : "") << dayColumnTitle(static_cast<DayColumn>(c));
    out << '\n';
    for (const DayRow& row : o.days) {
        for (int c = 0; c < columns; ++c)
            out << (c ? "\t" : "") << dayCellText(row, static_cast<DayColumn>(c));
        out << '\n';
    }
}

}  // namespace

int historyCommand(const QStringList& args, Output io)
{
    enum class Format { Text, Json, Csv } format = Format::Text;
    QDate from;
    QDate to;
    QString folder;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        QString value;
        if (arg == QLatin1String("--json")) {
            format = Format::Json;
        } else if (arg == QLatin1String("--csv")) {
            format = Format::Csv;
        } else if (takeOption(args, i, QStringLiteral("--from"), value) ||
                   takeOption(args, i, QStringLiteral("--to"), value)) {
            const QDate date = QDate::fromString(value, Qt::ISODate);
            if (!date.isValid())
                return io.err << "history: " << arg << " takes a date such as 2026-12-03, not '" << value << "'"
                              << Qt::endl, kUsage;
            (arg.startsWith(QLatin1String("--from")) ? from : to) = date;
        } else if (arg.startsWith(QLatin1Char('-'))) {
            return io.err << "history: unknown option " << arg << " (" << kHistoryUsage << ")" << Qt::endl, kUsage;
        } else if (folder.isEmpty()) {
            folder = arg;
        } else {
            return io.err << "history: one folder only (" << kHistoryUsage << ")" << Qt::endl, kUsage;
        }
    }
    if (folder.isEmpty())
        return io.err << "history: no folder given (" << kHistoryUsage << ")" << Qt::endl, kUsage;
    if (from.isValid() && to.isValid() && from > to)
        return io.err << "history: --from " << from.toString(Qt::ISODate) << " is after --to "
                      << to.toString(Qt::ISODate) << Qt::endl, kUsage;
    if (!QFileInfo(folder).isDir())
        return io.err << "history: " << folder << " is not a folder" << Qt::endl, kFailed;

    try {
        HistoryIndex index(HistoryIndex::defaultPath());
        const QString root = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
        scanHistoryFolder(index, root);
        const HistoryOverview overview = overviewOf(index.files(root), from, to);
        switch (format) {
        case Format::Text: printTable(io.out, overview); break;
        case Format::Json: io.out << QString::fromUtf8(dayTableJson(overview.days)); break;
        case Format::Csv: io.out << QString::fromUtf8(dayTableCsv(overview.days)); break;
        }
        io.out.flush();
        // Files that could not be read are named, and do not stop the rest.
        for (const FileProblem& p : overview.problems)
            io.err << p.path << ": " << p.reason << Qt::endl;
    } catch (const Error& e) {
        io.err << "history: " << e.message() << Qt::endl;
        return kFailed;
    }
    return kOk;
}

}  // namespace sonavistor::cli
