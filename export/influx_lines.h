#pragma once
// Levels as InfluxDB line protocol, for back-filling a time series database
// with what a logger or the meter's memory held, and for the logger's own
// live writes. One reading and one interval look like this:
//   sound_level,meter=SN0042,weighting=A level=65.3 1733842800000000000
//   sound_interval,meter=SN0042,weighting=A leq=54.2,lmax=71.3,lmin=41.0,l10=58.1,l50=51.7,l90=44.9,count=60i,coverage=1 1733842800000000000
// Times are the UTC instants, in nanoseconds since 1970, of the rows' local
// date and time (the zone of this computer when the row was made), so that
// the hour repeated at the end of summer time keeps both its passes.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTimeZone>

#include <optional>
#include <vector>

namespace sonavistor {

// The UTC instant (seconds since 1970) of each row, the rows taken in the
// order their file holds them. A local time the zone gives two instants
// (the repeated hour) is the earlier one until the rows' time has gone back
// within it, the later one from then on. A local time the zone skips (the
// hour lost in spring) shows a clock that was not put forward: it keeps the
// offset before the change, and so do the rows after it, so that no two
// rows ever meet on one instant.
class RowInstants {
public:
    explicit RowInstants(QTimeZone zone = QTimeZone::systemTimeZone());
    qint64 instant(qint64 rowSeconds);
    // For a row just made: of the instants its local time may stand for, the
    // one nearest `now` (seconds since 1970), whatever rows came before.
    qint64 nearest(qint64 rowSeconds, qint64 now) const;

private:
    // The offsets the zone gives the local time, the earlier instant's first.
    std::vector<int> validOffsets(qint64 rowSeconds) const;
    int offsetAt(qint64 utc) const;

    QTimeZone zone_;
    std::optional<int> offset_;  // of the last row
    std::optional<qint64> last_; // the last row's seconds
    bool clockKept_ = false;     // a skipped time was seen: offsets stay as they are
};

struct InfluxInterval {
    qint64 start = 0;  // the UTC instant, seconds since 1970
    QString meter;
    char weighting = 'A';
    long long count = 0;
    double coverage = 0;
    double leq = 0;
    double lmax = 0;
    double lmin = 0;
    double l10 = 0;
    double l50 = 0;
    double l90 = 0;
};

// "sound_level,meter=...,weighting=A level=65.3 NS\n"; levels to 0.1 dB.
QByteArray influxReadingLine(const QString& meter, char weighting, double level, qint64 nanoseconds);
// "sound_interval,meter=...,weighting=A leq=...,count=60i,coverage=1 NS\n".
QByteArray influxIntervalLine(const InfluxInterval& interval);

struct InfluxExportOptions {
    QString meter;                 // empty: each file's folder name
    qint64 intervalSeconds = 60;   // divides a day
};

struct InfluxExport {
    qint64 written = 0;    // readings
    qint64 intervals = 0;
    qint64 untimed = 0;    // readings without a readable date and time, left out
};

// Writes the lines of every reading of `files` (saved files, in turn), and
// of the intervals they make, to `output`, whole or not at all. Readings
// that share a second are spread evenly over it. Throws Error naming the
// file and line that does not parse, or the output that cannot be written.
InfluxExport writeInfluxLines(const QString& output, const QStringList& files, const InfluxExportOptions& options = {});

}  // namespace sonavistor
