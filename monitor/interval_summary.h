#pragma once
// The figures of one publishing interval (10 s, 1 min, 15 min ... aligned
// to the clock), as acousticians aggregate levels: the energy mean Leq, the
// extremes and the percentile levels L10, L50, L90. Readings are grouped by
// the date and time their day-file row carries, exactly as
// `sonavistor-cli info --interval` groups them, so the figures published
// and the figures of the saved day file agree. A- and C-weighted readings
// are never mixed: a weighting change within an interval gives one summary
// per weighting.

#include <QByteArray>
#include <QDateTime>

#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace sonavistor {

struct IntervalSummary {
    qint64 start = 0;  // row seconds (local clock), on a multiple of the interval length
    qint64 length = 60;
    char weighting = 'A';
    long long count = 0;
    double coverage = 0;  // share of the interval the readings stand for, 0 to 1
    double leq = 0;
    double lmax = 0;
    double lmin = 0;
    double l10 = 0;
    double l50 = 0;
    double l90 = 0;
};

// {"start":"2026-12-10T15:04:00+01:00","end":...,"weighting":"A","count":60,
//  "coverage":1,"leq":54.2,...}: one compact line, levels to 0.1 dB.
// The offsets are those of the local time zone at start and end.
QByteArray intervalJson(const IntervalSummary& s);

// "2026-12-10T15:04:00+01:00" for row seconds on the local clock.
QString isoWithOffset(qint64 rowSeconds);

class IntervalAggregator {
public:
    // lengthSeconds divides a day; readingSeconds is the time each reading stands for.
    IntervalAggregator(qint64 lengthSeconds, double readingSeconds);

    void add(qint64 rowSeconds, double level, char weighting);
    // The intervals that ended at or before `rowSeconds`, oldest first, and
    // forgets them. A reading that arrives later for an interval already
    // closed is left out (it can only be a request answered very late).
    std::vector<IntervalSummary> closeUpTo(qint64 rowSeconds);

    // When the open interval ends (row seconds); nothing while none is open.
    std::optional<qint64> nextEnd() const;
    qint64 length() const { return length_; }

private:
    qint64 length_;
    double readingSeconds_;
    qint64 closedBefore_ = INT64_MIN;
    std::map<std::pair<qint64, char>, std::vector<double>> open_;
};

}  // namespace sonavistor
