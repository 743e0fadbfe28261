#include "export/influx_lines.h"

#include "analysis/acoustic_figures.h"
#include "analysis/saved_file.h"
#include "common/error.h"
#include "common/whole_file.h"

#include <QDateTime>

namespace sonavistor {

std::optional<QByteArray> influxLine(QByteArrayView date, QByteArrayView time, double level, char weighting)
{
    const auto seconds = rowSeconds(date, time);
    if (!seconds)
        return std::nullopt;
    // Row seconds count a clock without zones; the local zone makes them an instant.
    const qint64 days = *seconds >= 0 ? *seconds / 86400 : (*seconds - 86399) / 86400;
    const QDateTime local(QDate(1970, 1, 1).addDays(days), QTime(0, 0).addSecs(static_cast<int>(*seconds - days * 86400)));
    const qint64 nanoseconds = local.toSecsSinceEpoch() * 1'000'000'000LL;
    const char tag = (weighting >= 'A' && weighting <= 'Z') ? weighting : '_';
    return QByteArray("sound_level,weighting=") + tag + " level=" + QByteArray::number(level, 'f', 1) + ' ' +
           QByteArray::number(nanoseconds) + '\n';
}

InfluxExport writeInfluxLines(const QString& output, const QStringList& files)
{
    InfluxExport result;
    QByteArray text;
    for (const QString& path : files) {
        SavedFileReader reader(path);
        if (!reader.isSavedFile())
            throw Error(QStringLiteral("%1, line 1: not a Sonavistor saved file").arg(path));
        SavedReading reading;
        while (reader.next(reading)) {
            // Every reading line has its date at 1-10 and its time at 12-19.
            const QByteArrayView line(reading.line);
            const auto entry = influxLine(line.first(10), line.sliced(11, 8), reading.level, reading.weighting);
            if (!entry) {
                ++result.untimed;
                continue;
            }
            text += *entry;
            ++result.written;
        }
    }
    WholeFile file(output);
    file.writeAll(text);
    file.commit();
    return result;
}

}  // namespace sonavistor
