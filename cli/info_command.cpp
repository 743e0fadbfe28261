// sonavistor-cli info [--json] FILE.qrv...
#include "cli/cli_command.h"

#include "analysis/level_statistics.h"
#include "analysis/saved_file.h"
#include "common/error.h"
#include "common/number_text.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <optional>
#include <vector>

namespace sonavistor::cli {

namespace {

struct FileSummary {
    QString path;
    qint64 rows = 0;
    qint64 announced = 0;
    QString first;
    QString last;
    std::optional<LevelStatistics> stats;
};

// "2024/5/17 ,9:5:3   ," -> "2024/5/17 9:5:3"
QString storedDateTime(const QByteArray& dateTime)
{
    const QList<QByteArray> parts = dateTime.split(',');
    const QString date = QString::fromLatin1(parts.value(0).trimmed());
    const QString time = QString::fromLatin1(parts.value(1).trimmed());
    return (date + QLatin1Char(' ') + time).trimmed();
}

FileSummary summarise(const QString& path)
{
    SavedFileReader reader(path);
    if (!reader.isSavedFile())
        throw Error(QStringLiteral("%1, line 1: not a Sonavistor saved file").arg(path));
    FileSummary summary;
    summary.path = path;
    summary.announced = reader.announced();
    std::vector<double> levels;
    SavedReading reading;
    while (reader.next(reading)) {
        if (levels.empty())
            summary.first = storedDateTime(reading.dateTime());
        summary.last = storedDateTime(reading.dateTime());
        levels.push_back(reading.level);
    }
    summary.rows = static_cast<qint64>(levels.size());
    summary.stats = computeLevelStatistics(std::move(levels));
    return summary;
}

void printText(QTextStream& out, const FileSummary& s)
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
}

void printJson(QTextStream& out, const FileSummary& s)
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
    out << QJsonDocument(o).toJson(QJsonDocument::Compact) << '\n';
}

}  // namespace

int infoCommand(const QStringList& args, Output io)
{
    bool json = false;
    QStringList files;
    for (const QString& arg : args) {
        if (arg == QLatin1String("--json"))
            json = true;
        else if (arg.startsWith(QLatin1Char('-')))
            return io.err << "info: unknown option " << arg << Qt::endl, kUsage;
        else
            files << arg;
    }
    if (files.isEmpty())
        return io.err << "info: no file given (sonavistor-cli info [--json] FILE.qrv...)" << Qt::endl, kUsage;

    int status = kOk;
    for (const QString& file : files) {
        try {
            const FileSummary summary = summarise(file);
            json ? printJson(io.out, summary) : printText(io.out, summary);
        } catch (const Error& e) {
            io.err << e.message() << Qt::endl;
            status = kFailed;
        }
    }
    io.out.flush();
    return status;
}

}  // namespace sonavistor::cli
