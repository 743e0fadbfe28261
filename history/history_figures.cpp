#include "history/history_figures.h"

#include "analysis/acoustic_figures.h"
#include "analysis/saved_file.h"
#include "common/error.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace sonavistor {

namespace {

// Saved levels carry one decimal, so a histogram of tenths holds them
// exactly: the hourly L90 needs no sort and no copy of the readings. Levels
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

struct HourSum {
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
    void add(const HourSum& other)
    {
        if (other.count == 0)
            return;
        if (bins.empty())
            bins.assign(kBins, 0);
        for (size_t i = 0; i < bins.size(); ++i)
            bins[i] += other.bins[i];
        count += other.count;
        energy += other.energy;
        lmax = std::max(lmax, other.lmax);
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
    std::array<std::array<HourSum, 24>, 2> hours;  // A, C
};

int weightingIndex(char weighting)
{
    return weighting == 'A' ? 0 : weighting == 'C' ? 1 : -1;
}

double medianStep(const std::map<qint64, long long>& steps)
{
    long long total = 0;
    for (const auto& [step, count] : steps)
        total += count;
    if (total == 0)
        return 1;  // no two timed readings a step apart: 1 s, as the acoustic figures assume
    // The values at 0-based positions half - 1 and half of the sorted steps.
    const long long half = total / 2;
    const auto valueAt = [&steps](long long position) {
        long long seen = 0;
        for (const auto& [step, count] : steps) {
            seen += count;
            if (seen > position)
                return static_cast<double>(step);
        }
        return 1.0;
    };
    return total % 2 == 1 ? valueAt(half) : (valueAt(half - 1) + valueAt(half)) / 2;
}

}  // namespace

FileFigures historyFiguresOf(const QString& path, const std::atomic<bool>* cancel)
{
    SavedFileReader reader(path);
    if (!reader.isSavedFile())
        throw Error(QString::fromLatin1(kNotSavedFile));
    FileFigures figures;
    std::map<qint64, DaySum> days;
    std::map<qint64, long long> steps;
    std::array<long long, 2> perWeighting{};
    qint64 previous = kUntimed;
    SavedReading reading;
    while (reader.next(reading)) {
        if (cancel && (figures.readings & 0x3fff) == 0 && cancel->load(std::memory_order_relaxed))
            throw HistoryReadCancelled{};
        ++figures.readings;
        // Every reading line has its date at 1-10 and its time at 12-19.
        const QByteArrayView line(reading.line);
        const auto seconds = rowSeconds(line.first(10), line.sliced(11, 8));
        if (!seconds) {
            ++figures.untimed;
            continue;
        }
        if (previous != kUntimed && *seconds > previous)
            ++steps[*seconds - previous];
        previous = *seconds;
        const qint64 day = *seconds >= 0 ? *seconds / kDaySeconds : (*seconds - kDaySeconds + 1) / kDaySeconds;
        DaySum& sum = days[day];
        ++sum.rows;
        const int w = weightingIndex(reading.weighting);
        if (w < 0)
            continue;
        ++perWeighting[static_cast<size_t>(w)];
        const auto hour = static_cast<size_t>((*seconds - day * kDaySeconds) / 3600);
        sum.hours[static_cast<size_t>(w)][hour].add(reading.level);
    }
    const size_t main = perWeighting[1] > perWeighting[0] ? 1 : 0;
    figures.weighting = main == 0 ? 'A' : 'C';
    figures.stepSeconds = medianStep(steps);

    for (const auto& [day, sum] : days) {
        DayFigures out;
        out.date = QDate::fromJulianDay(day + kJulianDayOfRowSecondsZero);
        out.rows = sum.rows;
        HourSum whole;
        for (size_t h = 0; h < 24; ++h) {
            const HourSum& hour = sum.hours[main][h];
            whole.add(hour);
            if (hour.count == 0)
                continue;
            out.hours[h] = {hour.count, hour.leq(), hour.lmax, hour.l90()};
        }
        if (whole.count > 0) {
            out.leq = whole.leq();
            out.lmax = whole.lmax;
            out.l90 = whole.l90();
            out.coverage = std::min(1.0, static_cast<double>(whole.count) * figures.stepSeconds / kDaySeconds);
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
