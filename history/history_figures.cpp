#include "history/history_figures.h"

#include "analysis/acoustic_figures.h"
#include "analysis/noise_figures.h"
#include "analysis/saved_file.h"
#include "common/error.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <optional>

namespace sonavistor {

namespace {

// Saved levels carry one decimal, so a histogram of tenths holds them
// exactly: the day's L90 needs no sort of its readings. Levels
// beyond 200 dB share the last bin (they only ever raise a percentile that
// is already far above any sound).
constexpr int kBins = 2001;
constexpr qint64 kDaySeconds = 86400;
constexpr qint64 kJulianDayOfRowSecondsZero = 2440588;  // rowSeconds counts from 1970-01-01

struct Tenths {
    std::array<double, kBins> energy{};  // 10^(L/10) of each bin's level
    Tenths()
    {
        for (int i = 0; i < kBins; ++i)
            energy[static_cast<size_t>(i)] = std::pow(10.0, i / 100.0);
    }
};
const Tenths& tenths()
{
    static const Tenths table;
    return table;
}

// The readings of one day and weighting: their energy, maximum and a
// histogram of tenths for the L90.
struct LevelSum {
    long long count = 0;
    double energy = 0;
    double lmax = -std::numeric_limits<double>::infinity();
    std::vector<quint32> bins;

    void add(double level)
    {
        const long tenth = std::lround(level * 10);
        const int bin = static_cast<int>(std::clamp<long>(tenth, 0, kBins - 1));
        energy += (tenth >= 0 && tenth < kBins) ? tenths().energy[static_cast<size_t>(bin)] : std::pow(10.0, level / 10);
        if (bins.empty())
            bins.assign(kBins, 0);
        ++bins[static_cast<size_t>(bin)];
        lmax = std::max(lmax, level);
        ++count;
    }
    double leq() const
    {
        const double level = 10 * std::log10(energy / static_cast<double>(count));
        return std::isfinite(level) ? level : lmax;  // only absurd levels overflow the sum
    }
    // The level at rank ceil(n / 10) in ascending order, the same expression
    // the level statistics use.
    double l90() const
    {
        const double n = static_cast<double>(count);
        auto rank = static_cast<long long>(std::ceil((100.0 - 90.0) / 100.0 * n));
        rank = std::clamp(rank, 1LL, count);
        long long seen = 0;
        for (size_t i = 0; i < bins.size(); ++i) {
            seen += bins[i];
            if (seen >= rank)
                return static_cast<double>(i) / 10;
        }
        return lmax;
    }
};

struct DaySum {
    long long rows = 0;
    std::array<LevelSum, 2> weightings;  // A, C
};

qint64 floorDay(qint64 seconds)
{
    return seconds >= 0 ? seconds / kDaySeconds : (seconds - kDaySeconds + 1) / kDaySeconds;
}

int weightingIndex(char weighting)
{
    return weighting == 'A' ? 0 : weighting == 'C' ? 1 : -1;
}

// The seconds of a reading line's date (characters 1-10) and time (12-19)
// as rowSeconds reads them. A logged day repeats its date 86,400 times, so
// the date is read once for each new text; a time in the form every writer
// uses (blanks, h:m:s with one or two digits each, blanks) is read here, any
// other by rowSeconds.
class ReadingClock {
public:
    // line: a reading line the reader accepted (21 characters at least).
    qint64 seconds(QByteArrayView line)
    {
        const QByteArrayView date = line.first(10);
        const QByteArrayView time = line.sliced(11, 8);
        if (date != QByteArrayView(date_, sizeof date_)) {
            std::memcpy(date_, date.data(), sizeof date_);
            midnight_ = rowSeconds(date, "0:0:0");
        }
        if (midnight_) {
            if (const int inDay = plainTime(time); inDay >= 0)
                return *midnight_ + inDay;
        }
        return rowSeconds(date, time).value_or(kUntimed);
    }

private:
    // Seconds into the day; -1 for any other form or an impossible time.
    static int plainTime(QByteArrayView text)
    {
        const char* p = text.data();
        const char* const end = p + text.size();
        while (p != end && *p == ' ')
            ++p;
        int parts[3];
        for (int i = 0; i < 3; ++i) {
            if (i > 0) {
                if (p == end || *p != ':')
                    return -1;
                ++p;
            }
            int value = 0;
            int digits = 0;
            for (; p != end && *p >= '0' && *p <= '9' && digits < 3; ++p, ++digits)
                value = value * 10 + (*p - '0');
            if (digits == 0 || digits > 2)
                return -1;
            parts[i] = value;
        }
        for (; p != end; ++p) {
            if (*p != ' ')
                return -1;
        }
        if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59)
            return -1;
        return parts[0] * 3600 + parts[1] * 60 + parts[2];
    }

    char date_[10] = {};  // zeros: no reading line's date, the reader refuses control characters
    std::optional<qint64> midnight_;
};

}  // namespace

FileFigures historyFiguresOf(const QString& path, const std::atomic<bool>* cancel)
{
    SavedFileReader reader(path);
    if (!reader.isSavedFile())
        throw Error(QString::fromLatin1(kNotSavedFile));
    FileFigures figures;
    std::map<qint64, DaySum> days;
    std::array<long long, 2> perWeighting{};
    // The timed samples, for the period levels, events and hourly cells: the
    // same call over the same samples as info --periods --events, so that
    // both always show the same figures.
    std::vector<AcousticSample> samples;
    if (reader.announced() > 0 && reader.announced() < 10'000'000)
        samples.reserve(static_cast<size_t>(reader.announced()));
    ReadingClock clock;
    DaySum* today = nullptr;  // the day of the last reading: the next one is most likely of the same
    qint64 todayNumber = 0;
    SavedReadingView reading;
    while (reader.next(reading)) {
        if (cancel && (figures.readings & 0x3fff) == 0 && cancel->load(std::memory_order_relaxed))
            throw HistoryReadCancelled{};
        ++figures.readings;
        const AcousticSample sample{reading.level, reading.weighting, clock.seconds(reading.line)};
        if (sample.seconds == kUntimed) {
            ++figures.untimed;
            continue;
        }
        samples.push_back(sample);
        const qint64 day = floorDay(sample.seconds);
        if (!today || day != todayNumber) {
            today = &days[day];
            todayNumber = day;
        }
        DaySum& sum = *today;
        ++sum.rows;
        const int w = weightingIndex(reading.weighting);
        if (w < 0)
            continue;
        ++perWeighting[static_cast<size_t>(w)];
        sum.weightings[static_cast<size_t>(w)].add(reading.level);
    }
    if (cancel && cancel->load(std::memory_order_relaxed))
        throw HistoryReadCancelled{};
    const size_t main = perWeighting[1] > perWeighting[0] ? 1 : 0;
    figures.weighting = main == 0 ? 'A' : 'C';
    const NoiseFigures noise = computeNoiseFigures(std::move(samples));
    figures.stepSeconds = noise.sampleSeconds;
    std::map<qint64, const DayFigures*> noiseDays;
    for (const DayFigures& d : noise.days) {
        if (d.weighting == figures.weighting)
            noiseDays[d.day] = &d;
    }

    for (const auto& [day, sum] : days) {
        HistoryDay out;
        out.date = QDate::fromJulianDay(day + kJulianDayOfRowSecondsZero);
        out.rows = sum.rows;
        const LevelSum& whole = sum.weightings[main];
        if (whole.count > 0) {
            out.leq = whole.leq();
            out.lmax = whole.lmax;
            out.l90 = whole.l90();
            out.coverage = std::min(1.0, static_cast<double>(whole.count) * figures.stepSeconds / kDaySeconds);
        }
        if (const auto at = noiseDays.find(day); at != noiseDays.end()) {
            const DayFigures& n = *at->second;
            out.lden = n.lden.level;
            out.lday = n.period(Period::Day).leq;
            out.levening = n.period(Period::Evening).leq;
            out.lnight = n.period(Period::Night).leq;
            out.events = n.events;
            for (size_t h = 0; h < 24; ++h) {
                const HourLevel& hour = n.hours[h];
                if (hour.count > 0)
                    out.hours[h] = {hour.count, *hour.leq, *hour.lmax, *hour.l90};
            }
        }
        figures.days.push_back(std::move(out));
    }
    return figures;
}

QString hourCellName(const QDate& date, int hour, const HourFigures& cell)
{
    const QString when = QStringLiteral("%1 %2:00").arg(date.toString(Qt::ISODate)).arg(hour, 2, 10, QLatin1Char('0'));
    if (cell.count == 0)
        return when + QStringLiteral(", no readings");
    return QStringLiteral("%1, %2 dB").arg(when, QString::number(roundedLevel(cell.leq), 'f', 1));
}

HourFigures combinedHour(const HourFigures& a, const HourFigures& b)
{
    if (a.count == 0)
        return b;
    if (b.count == 0)
        return a;
    const double loudest = std::max(a.leq, b.leq);
    const double energy = static_cast<double>(a.count) * std::pow(10.0, (a.leq - loudest) / 10) +
                          static_cast<double>(b.count) * std::pow(10.0, (b.leq - loudest) / 10);
    HourFigures c;
    c.count = a.count + b.count;
    c.leq = loudest + 10 * std::log10(energy / static_cast<double>(c.count));
    c.lmax = std::max(a.lmax, b.lmax);
    c.l90 = a.count >= b.count ? a.l90 : b.l90;
    return c;
}

}  // namespace sonavistor
