#pragma once
// Saved files as InfluxDB line protocol, for back-filling a time series
// database with what a logger or the meter's memory held:
//   sound_level,weighting=A level=65.3 1733842800000000000
// one line a reading, its time in nanoseconds since 1970 UTC from the row's
// local date and time (the zone of this computer when the row was made).

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace sonavistor {

// The line of one reading; nothing when its date or time is not one.
std::optional<QByteArray> influxLine(QByteArrayView date, QByteArrayView time, double level, char weighting);

struct InfluxExport {
    qint64 written = 0;
    qint64 untimed = 0;  // readings without a readable date and time, left out
};

// Writes the lines of every reading of `files` (saved files, in turn) to
// `output`, whole or not at all. Throws Error naming the file and line that
// does not parse, or the output that cannot be written.
InfluxExport writeInfluxLines(const QString& output, const QStringList& files);

}  // namespace sonavistor
