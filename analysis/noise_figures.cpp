#include "analysis/noise_figures.h"
#include "analysis/floor_division.h"

#include "analysis/log_sum_exp.h"
#include "analysis/noise_events.h"

#include <QDate>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <tuple>

namespace sonavistor {

namespace {

constexpr qint64 kDaySeconds = 86400;
// Ldn's periods do not follow the configured hours: day 07-22, night 22-07.
constexpr int kLdnDayStart = 7;
constexpr int kLdnNightStart = 22;
// Where files of different steps are given together, each timed sample
// carries its file's index in the low bits of its seconds while the samples
// are sorted: seconds x 2^kFileBits + file. Times of the years 0-9999 need
// 38 bits, so a million files fit.
constexpr int kFileBits = 20;
constexpr qint64 kMaxFiles = qint64{1} << kFileBits;
constexpr qint64 kPackableSeconds = qint64{1} << (62 - kFileBits);

// Sums of energy, each sample weighing its step: ln(sum of t e^(kEnergy L)).
struct EnergySum {
    LogSumExp energy;
    long long count = 0;
    double seconds = 0;
    double above = 0;  // seconds at or above the threshold
    double max = -std::numeric_limits<double>::infinity();

    void add(const EnergySum& other)
    {
        if (!other.count)
            return;
        energy.add(other.energy.log());
        count += other.count;
        seconds += other.seconds;
        above += other.above;
        max = std::max(max, other.max);
    }
    std::optional<double> leq() const
    {
        return count ? std::optional((energy.log() - std::log(seconds)) / kEnergy) : std::nullopt;
    }
};

// One clock hour's samples of a day: their levels (for L90), the steps they last,
// and the files they come from.
struct HourSamples {
    std::vector<double> levels;
    std::vector<std::pair<size_t, double>> steps;  // runs: up to levels[first], each lasting second
    double seconds = 0;
    double above = 0;
    std::vector<int> files;
};

struct HourFigures {
    EnergySum sum;
    HourLevel level;
    std::vector<int> files;
};

// The energy, Lmax and L90 of an hour: one pass and one partial sort over its levels.
HourFigures hourFigures(HourSamples& h)
{
    HourFigures out;
    std::vector<double>& levels = h.levels;
    if (levels.empty())
        return out;
    const double max = *std::max_element(levels.begin(), levels.end());
    // Relative to the loudest level, so that no energy overflows.
    LogSumExp energy;
    size_t begin = 0;
    for (const auto& [end, step] : h.steps) {
        double relative = 0;
        for (size_t i = begin; i < end; ++i)
            relative += std::exp((levels[i] - max) * kEnergy);
        if (relative > 0)  // nothing but levels thousands of dB below the loudest underflows
            energy.add(kEnergy * max + std::log(relative) + std::log(step));
        begin = end;
    }
    out.sum.energy = energy;
    out.sum.count = static_cast<long long>(levels.size());
    out.sum.seconds = h.seconds;
    out.sum.above = h.above;
    out.sum.max = max;
    out.level.count = out.sum.count;
    out.level.leq = out.sum.leq();
    out.level.lmax = max;
    // L90 by nearest rank, as computeLevelStatistics gives it: the level at rank ceil(n / 10) in ascending order.
    const double n = static_cast<double>(levels.size());
    const auto rank = std::clamp(static_cast<long long>(std::ceil((100.0 - 90) / 100.0 * n)), 1LL,
                                 static_cast<long long>(levels.size()));
    const auto at = levels.begin() + static_cast<std::ptrdiff_t>(rank - 1);
    std::nth_element(levels.begin(), at, levels.end());
    out.level.l90 = *at;
    out.files = std::move(h.files);
    return out;
}

// Files as sorted sets of indices.
void addFile(std::vector<int>& files, int file)
{
    const auto at = std::lower_bound(files.begin(), files.end(), file);
    if (at == files.end() || *at != file)
        files.insert(at, file);
}

void addFiles(std::vector<int>& files, const std::vector<int>& more)
{
    for (int f : more)
        addFile(files, f);
}

struct DaySums {
    std::array<HourSamples, 24> hours;
};

// What a calendar day leaves to its nights: its hours before the day starts and from the night on.
struct NightParts {
    EnergySum early;
    EnergySum late;
    std::vector<int> earlyFiles;
    std::vector<int> lateFiles;
};

Period periodOf(int hour, const PeriodHours& h)
{
    if (hour >= h.day && hour < h.evening)
        return Period::Day;
    if (hour >= h.evening && hour < h.night)
        return Period::Evening;
    return Period::Night;
}

double coverageOf(double seconds, int hours)
{
    return std::min(1.0, seconds / (hours * 3600.0));
}

// 10 log10(sum of hours x 10^((L + penalty) / 10) / 24); nothing when a period has no level.
RatedLevel rated(std::initializer_list<std::tuple<const EnergySum*, int, double>> parts)
{
    RatedLevel r;
    r.coverage = 1;
    double sum = 0;
    bool complete = true;
    for (const auto& [period, hours, penalty] : parts) {
        r.coverage = std::min(r.coverage, coverageOf(period->seconds, hours));
        if (const auto leq = period->leq())
            sum += hours * std::pow(10.0, (*leq + penalty) / 10);
        else
            complete = false;
    }
    if (complete)
        r.level = 10 * std::log10(sum / 24);
    return r;
}

DayFigures dayFigures(qint64 day, char weighting, DaySums& sums, const PeriodHours& h, NightParts& nights)
{
    DayFigures d;
    d.day = day;
    d.weighting = weighting;
    std::array<EnergySum, kPeriodCount> periods;
    EnergySum ldnDay;
    EnergySum ldnNight;
    for (int hour = 0; hour < 24; ++hour) {
        HourFigures figures = hourFigures(sums.hours[static_cast<size_t>(hour)]);
        if (!figures.sum.count)
            continue;
        d.hours[static_cast<size_t>(hour)] = figures.level;
        periods[static_cast<size_t>(periodOf(hour, h))].add(figures.sum);
        (hour >= kLdnDayStart && hour < kLdnNightStart ? ldnDay : ldnNight).add(figures.sum);
        if (hour < h.day) {
            nights.early.add(figures.sum);
            addFiles(nights.earlyFiles, figures.files);
        } else if (hour >= h.night) {
            nights.late.add(figures.sum);
            addFiles(nights.lateFiles, figures.files);
        }
        addFiles(d.files, figures.files);
    }
    const int lengths[kPeriodCount] = {h.dayHours(), h.eveningHours(), h.nightHours()};
    for (int p = 0; p < kPeriodCount; ++p) {
        PeriodLevel& level = d.periods[static_cast<size_t>(p)];
        const EnergySum& sum = periods[static_cast<size_t>(p)];
        level.leq = sum.leq();
        level.count = sum.count;
        level.seconds = sum.seconds;
        level.coverage = coverageOf(sum.seconds, lengths[p]);
        level.secondsAbove = sum.above;
        d.secondsAbove += level.secondsAbove;
    }
    d.lden = rated({{&periods[0], lengths[0], 0.0}, {&periods[1], lengths[1], 5.0}, {&periods[2], lengths[2], 10.0}});
    d.ldn =
        rated({{&ldnDay, kLdnNightStart - kLdnDayStart, 0.0}, {&ldnNight, 24 - kLdnNightStart + kLdnDayStart, 10.0}});
    return d;
}

}  // namespace

NoiseFigures computeNoiseFigures(std::vector<AcousticSample> samples, const NoiseOptions& options)
{
    const size_t all = samples.size();
    return computeNoiseFigures(std::move(samples), std::span(&all, 1), options);
}

NoiseFigures computeNoiseFigures(std::vector<AcousticSample> samples, std::span<const size_t> fileSizes,
                                 const NoiseOptions& options)
{
    NoiseFigures f;
    const PeriodHours& h = options.hours;

    // Each file's own step. Sizes that do not add up to the samples make them one file.
    std::vector<size_t> sizes(fileSizes.begin(), fileSizes.end());
    size_t total = 0;
    for (size_t n : sizes)
        total += n;
    if (sizes.empty() || total != samples.size() || sizes.size() > static_cast<size_t>(kMaxFiles))
        sizes.assign(1, samples.size());
    {
        std::vector<qint64> scratch;
        size_t begin = 0;
        for (size_t n : sizes) {
            FileStep& file = f.files.emplace_back();
            file.count = static_cast<long long>(n);
            if (const auto step = medianTimeStep(std::span(samples).subspan(begin, n), scratch)) {
                file.seconds = *step;
                file.measured = true;
            }
            begin += n;
        }
    }
    // Files without samples have no step to tell.
    const auto withSamples =
        std::find_if(f.files.begin(), f.files.end(), [](const FileStep& s) { return s.count > 0; });
    f.sampleSeconds = withSamples == f.files.end() ? f.files.front().seconds : withSamples->seconds;
    f.oneStep = std::all_of(f.files.begin(), f.files.end(),
                            [&f](const FileStep& s) { return s.count == 0 || s.seconds == f.sampleSeconds; });
    f.stepMeasured =
        std::all_of(f.files.begin(), f.files.end(), [](const FileStep& s) { return s.count == 0 || s.measured; });

    // The file of each timed sample goes into its seconds (see kFileBits) while it is sorted.
    bool packed = f.files.size() > 1;
    if (packed) {
        packed = std::all_of(samples.begin(), samples.end(), [](const AcousticSample& s) {
            return s.seconds == kUntimed || (s.seconds > -kPackableSeconds && s.seconds < kPackableSeconds);
        });
    }
    if (packed) {
        size_t begin = 0;
        for (size_t file = 0; file < sizes.size(); ++file) {
            for (size_t i = begin; i < begin + sizes[file]; ++i) {
                if (samples[i].seconds != kUntimed)
                    samples[i].seconds = samples[i].seconds * kMaxFiles + static_cast<qint64>(file);
            }
            begin += sizes[file];
        }
    } else if (f.files.size() > 1) {
        // Times beyond the years 0-9999 are no saved file's: one step for all, as for one file.
        std::vector<qint64> scratch;
        const auto step = medianTimeStep(samples, scratch);
        f.files.assign(1, FileStep{step.value_or(1), step.has_value(), static_cast<long long>(samples.size())});
        f.sampleSeconds = f.files.front().seconds;
        f.stepMeasured = f.files.front().measured;
        f.oneStep = true;
    }

    // In place, without a copy: the timed A samples, then the timed C samples.
    const auto left = std::remove_if(samples.begin(), samples.end(), [&f](const AcousticSample& s) {
        if (s.weighting != 'A' && s.weighting != 'C')
            return ++f.unweighted, true;
        if (s.seconds == kUntimed)
            return ++f.untimed, true;
        return false;
    });
    samples.erase(left, samples.end());
    const auto isA = [](const AcousticSample& s) { return s.weighting == 'A'; };
    const auto countA = std::count_if(samples.begin(), samples.end(), isA);
    if (countA != 0 && countA != static_cast<std::ptrdiff_t>(samples.size()))
        std::stable_partition(samples.begin(), samples.end(), isA);
    const auto cStart = samples.begin() + countA;

    std::map<std::pair<qint64, char>, DayFigures> days;
    std::map<std::pair<qint64, char>, NightFigures> nights;
    std::vector<StepRun> runs;
    for (const auto& [first, last] : {std::pair{samples.begin(), cStart}, std::pair{cStart, samples.end()}}) {
        if (first == last)
            continue;
        const char weighting = first->weighting;
        const std::span<AcousticSample> timed(first, last);
        // Files given one after the other need not be in order.
        const auto earlier = [](const AcousticSample& a, const AcousticSample& b) { return a.seconds < b.seconds; };
        if (!std::is_sorted(timed.begin(), timed.end(), earlier))
            std::stable_sort(timed.begin(), timed.end(), earlier);
        // Back to plain seconds, the files kept as runs of samples.
        runs.clear();
        if (packed) {
            for (size_t i = 0; i < timed.size(); ++i) {
                AcousticSample& s = timed[i];
                const auto file = static_cast<int>(s.seconds & (kMaxFiles - 1));
                s.seconds >>= kFileBits;  // an arithmetic shift: floor division, negative times too
                if (runs.empty() || runs.back().file != file)
                    runs.push_back({i + 1, f.files[static_cast<size_t>(file)].seconds, file});
                else
                    runs.back().end = i + 1;
            }
        } else {
            runs.push_back({timed.size(), f.sampleSeconds, 0});
        }

        // Samples are in time order: each day is done before the next begins, so only
        // one day's levels are held at a time. Its nights are made of its hours.
        std::optional<DaySums> current;
        qint64 currentDay = 0;
        std::map<qint64, NightParts> parts;  // by day
        const auto finishDay = [&] {
            if (current)
                days.emplace(std::pair{currentDay, weighting},
                             dayFigures(currentDay, weighting, *current, h, parts[currentDay]));
            current.reset();
        };
        size_t run = 0;
        size_t runBegin = 0;
        int lastHour = -1;
        for (size_t i = 0; i < timed.size(); ++i) {
            while (i >= runs[run].end)
                runBegin = runs[run++].end;
            const StepRun& r = runs[run];
            const AcousticSample& s = timed[i];
            const qint64 day = floorDiv(s.seconds, kDaySeconds);
            if (!current || day != currentDay) {
                finishDay();
                current.emplace();
                currentDay = day;
                lastHour = -1;
            }
            const int hour = static_cast<int>((s.seconds - day * kDaySeconds) / 3600);
            HourSamples& samplesOfHour = current->hours[static_cast<size_t>(hour)];
            if (hour != lastHour || i == runBegin) {
                addFile(samplesOfHour.files, r.file);
                lastHour = hour;
            }
            samplesOfHour.levels.push_back(s.level);
            if (samplesOfHour.steps.empty() || samplesOfHour.steps.back().second != r.seconds)
                samplesOfHour.steps.emplace_back(samplesOfHour.levels.size(), r.seconds);
            else
                samplesOfHour.steps.back().first = samplesOfHour.levels.size();
            samplesOfHour.seconds += r.seconds;
            if (s.level >= options.threshold)
                samplesOfHour.above += r.seconds;
        }
        finishDay();
        // The night from the evening of day d: d's late hours and d + 1's early ones.
        std::map<qint64, NightParts> byNight;
        for (auto& [day, p] : parts) {
            if (p.late.count) {
                NightParts& n = byNight[day];
                n.late = p.late;
                n.lateFiles = std::move(p.lateFiles);
            }
            if (p.early.count) {
                NightParts& n = byNight[day - 1];
                n.early = p.early;
                n.earlyFiles = std::move(p.earlyFiles);
            }
        }
        for (auto& [from, p] : byNight) {
            NightFigures n;
            n.from = from;
            n.weighting = weighting;
            EnergySum sum = p.late;
            sum.add(p.early);
            n.lnight = sum.leq();
            n.count = sum.count;
            n.seconds = sum.seconds;
            n.coverage = coverageOf(sum.seconds, h.nightHours());
            n.lmax = sum.max;
            n.files = std::move(p.lateFiles);
            addFiles(n.files, p.earlyFiles);
            nights.emplace(std::pair{from, weighting}, std::move(n));
        }

        for (const NoiseEvent& e : findNoiseEvents(timed, runs, options)) {
            const qint64 day = floorDiv(e.start, kDaySeconds);
            const int hour = static_cast<int>((e.start - day * kDaySeconds) / 3600);
            DayFigures& d = days.at({day, weighting});
            ++d.events;
            ++d.periods[static_cast<size_t>(periodOf(hour, h))].events;
            if (hour >= h.night || hour < h.day) {
                NightFigures& n = nights.at({hour >= h.night ? day : day - 1, weighting});
                ++n.events;
                if (e.lmax >= options.nightLmax)
                    ++n.eventsAboveLmax;
            }
            f.events.push_back(e);
        }
    }
    f.days.reserve(days.size());
    for (auto& [key, d] : days)
        f.days.push_back(std::move(d));
    f.nights.reserve(nights.size());
    for (auto& [key, n] : nights)
        f.nights.push_back(std::move(n));
    std::stable_sort(f.events.begin(), f.events.end(),
                     [](const NoiseEvent& a, const NoiseEvent& b) { return a.start < b.start; });
    return f;
}

QString dayText(qint64 day)
{
    return rowSecondsText(day * kDaySeconds).section(QLatin1Char(' '), 0, 0);
}

QString isoDayText(qint64 day)
{
    return isoDateTimeText(day * kDaySeconds).left(10);
}

QString isoDateTimeText(qint64 seconds)
{
    // rowSecondsText gives "2026/12/1 8:15:0": the same date and time with every field padded.
    const QString text = rowSecondsText(seconds);
    QString spaced = text;
    spaced.replace(QLatin1Char('/'), QLatin1Char(' ')).replace(QLatin1Char(':'), QLatin1Char(' '));
    const QStringList parts = spaced.split(QLatin1Char(' '));
    if (parts.size() != 6)
        return text;
    const auto two = [](const QString& s) { return s.rightJustified(2, QLatin1Char('0')); };
    return QStringLiteral("%1-%2-%3 %4:%5:%6")
        .arg(parts[0].rightJustified(4, QLatin1Char('0')), two(parts[1]), two(parts[2]), two(parts[3]), two(parts[4]),
             two(parts[5]));
}

QString isoTimeText(qint64 seconds)
{
    return isoDateTimeText(seconds).section(QLatin1Char(' '), 1);
}

QString nightText(qint64 from)
{
    const auto date = [](qint64 day) {
        const QStringList ymd = isoDayText(day).split(QLatin1Char('-'));
        return std::tuple{ymd.value(0), ymd.value(1).toInt(), ymd.value(2).toInt()};
    };
    const auto [y1, m1, d1] = date(from);
    const auto [y2, m2, d2] = date(from + 1);
    const QLocale c = QLocale::c();
    const QChar dash(0x2013);
    if (y1 != y2)
        return QStringLiteral("%1 %2 %3%4%5 %6 %7")
            .arg(d1)
            .arg(c.monthName(m1, QLocale::ShortFormat), y1)
            .arg(dash)
            .arg(d2)
            .arg(c.monthName(m2, QLocale::ShortFormat), y2);
    if (m1 != m2)
        return QStringLiteral("%1 %2%3%4 %5 %6")
            .arg(d1)
            .arg(c.monthName(m1, QLocale::ShortFormat))
            .arg(dash)
            .arg(d2)
            .arg(c.monthName(m2, QLocale::ShortFormat), y2);
    return QStringLiteral("%1%2%3 %4 %5").arg(d1).arg(dash).arg(d2).arg(c.monthName(m2, QLocale::ShortFormat), y2);
}

}  // namespace sonavistor
