#include "analysis/acoustic_figures.h"
#include "analysis/floor_division.h"

#include "analysis/level_statistics.h"
#include "analysis/log_sum_exp.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace sonavistor {

namespace {

constexpr double kLn2 = 0.6931471805599453;
// Exponents of the three sums: 10^(L/10), 2^(L/3), 2^(L/5) as e^(k L).
constexpr double kNiosh = kLn2 / 3;
constexpr double kOsha = kLn2 / 5;
constexpr double kOshaThreshold = 80.0;

// D = 100 % (t / 8 h) sum 2^((L - base) / halving); from ln(sum of 2^(L / halving)).
// The TWA comes from log2(D / 100), which stays finite when D itself does not.
NoiseDose doseOf(const LogSumExp& terms, double sampleSeconds, double base, double halving, double twaFactor)
{
    NoiseDose d;
    if (terms.empty())
        return d;
    const double log2Fraction = terms.log() / kLn2 - base / halving + std::log2(sampleSeconds / kEightHours);
    d.dose = 100.0 * std::exp2(log2Fraction);
    d.twa = base + twaFactor * std::log10(2.0) * log2Fraction;
    return d;
}

int parseNumber(QByteArrayView text, qsizetype& at, int maxDigits)
{
    int value = 0;
    int digits = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        if (++digits > maxDigits)
            return -1;
        value = value * 10 + (text[at] - '0');
        ++at;
    }
    return digits == 0 ? -1 : value;
}

// Three numbers with a separator (one of two) between them, nothing else around them.
bool parseTriple(QByteArrayView text, char separator, char otherSeparator, int maxDigits, int out[3])
{
    text = text.trimmed();
    qsizetype at = 0;
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (at >= text.size() || (text[at] != separator && text[at] != otherSeparator))
                return false;
            ++at;
        }
        out[i] = parseNumber(text, at, maxDigits);
        if (out[i] < 0)
            return false;
    }
    return at == text.size();
}

// Days since 1970-01-01 of a proleptic Gregorian date.
qint64 daysFromCivil(qint64 y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<qint64>(doe) - 719468;
}

void civilFromDays(qint64 z, qint64& y, unsigned& m, unsigned& d)
{
    z += 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<qint64>(yoe) + era * 400 + (m <= 2);
}

}  // namespace

std::optional<qint64> rowSeconds(QByteArrayView date, QByteArrayView time)
{
    int ymd[3];
    int hms[3];
    if (!parseTriple(date, '/', '-', 4, ymd) || !parseTriple(time, ':', ':', 2, hms))
        return std::nullopt;
    static constexpr int lengths[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int month = ymd[1];
    const int day = ymd[2];
    if (month < 1 || month > 12 || day < 1 || day > lengths[month - 1])
        return std::nullopt;
    if (hms[0] > 23 || hms[1] > 59 || hms[2] > 59)
        return std::nullopt;
    const qint64 days = daysFromCivil(ymd[0], static_cast<unsigned>(month), static_cast<unsigned>(day));
    return days * 86400 + hms[0] * 3600 + hms[1] * 60 + hms[2];
}

QString rowSecondsText(qint64 seconds)
{
    const qint64 days = floorDiv(seconds, 86400);
    const qint64 inDay = seconds - days * 86400;
    qint64 y = 0;
    unsigned m = 0;
    unsigned d = 0;
    civilFromDays(days, y, m, d);
    return QStringLiteral("%1/%2/%3 %4:%5:%6")
        .arg(y)
        .arg(m)
        .arg(d)
        .arg(inDay / 3600)
        .arg(inDay / 60 % 60)
        .arg(inDay % 60);
}

std::optional<double> medianTimeStep(const std::vector<AcousticSample>& samples)
{
    std::vector<qint64> steps;
    steps.reserve(samples.size());
    return medianTimeStep(std::span(samples), steps);
}

std::optional<double> medianTimeStep(std::span<const AcousticSample> samples, std::vector<qint64>& steps)
{
    steps.clear();
    qint64 previous = kUntimed;
    for (const AcousticSample& s : samples) {
        if (s.seconds == kUntimed)
            continue;
        if (previous != kUntimed && s.seconds > previous)
            steps.push_back(s.seconds - previous);
        previous = s.seconds;
    }
    if (steps.empty())
        return std::nullopt;
    const size_t half = steps.size() / 2;
    std::nth_element(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(half), steps.end());
    const double upper = static_cast<double>(steps[half]);
    if (steps.size() % 2 == 1)
        return upper;
    const double lower = static_cast<double>(*std::max_element(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(half)));
    return (lower + upper) / 2;
}

AcousticFigures computeAcousticFigures(const std::vector<AcousticSample>& samples, const AcousticOptions& options)
{
    AcousticFigures f;
    if (const auto step = medianTimeStep(samples)) {
        f.sampleSeconds = *step;
        f.stepMeasured = true;
    }

    struct Accumulated {
        std::vector<double> levels;
        LogSumExp niosh;
        LogSumExp osha;
    };
    std::map<char, Accumulated> byWeighting;
    struct IntervalSum {
        long long count = 0;
        LogSumExp energy;
    };
    std::map<std::pair<qint64, char>, IntervalSum> intervals;
    for (const AcousticSample& s : samples) {
        if (s.weighting != 'A' && s.weighting != 'C') {
            ++f.unweighted;
            continue;
        }
        Accumulated& a = byWeighting[s.weighting];
        if (a.levels.empty())
            a.levels.reserve(samples.size());
        a.levels.push_back(s.level);
        a.niosh.add(kNiosh * s.level);
        if (s.level >= kOshaThreshold)
            a.osha.add(kOsha * s.level);
        if (options.intervalSeconds <= 0)
            continue;
        if (s.seconds == kUntimed) {
            ++f.untimed;
            continue;
        }
        const qint64 start = floorDiv(s.seconds, options.intervalSeconds) * options.intervalSeconds;
        IntervalSum& sum = intervals[{start, s.weighting}];
        ++sum.count;
        sum.energy.add(kEnergy * s.level);
    }

    for (auto& [weighting, a] : byWeighting) {
        WeightingFigures w;
        w.weighting = weighting;
        w.count = static_cast<long long>(a.levels.size());
        const LevelStatistics stats = *computeLevelStatistics(std::move(a.levels));
        w.durationSeconds = static_cast<double>(w.count) * f.sampleSeconds;
        w.exposureSeconds = options.exposureSeconds.value_or(w.durationSeconds);
        w.leq = stats.leq;
        w.lmax = stats.max;
        w.lmin = stats.min;
        w.l10 = stats.l10;
        w.l50 = stats.l50;
        w.l90 = stats.l90;
        w.sel = w.leq + 10 * std::log10(w.durationSeconds);
        w.lex8h = w.leq + 10 * std::log10(w.exposureSeconds / kEightHours);
        w.niosh = doseOf(a.niosh, f.sampleSeconds, 85, 3, 10);
        w.osha = doseOf(a.osha, f.sampleSeconds, 90, 5, 16.61);
        f.weightings.push_back(w);
    }
    f.intervals.reserve(intervals.size());
    for (const auto& [key, sum] : intervals)
        f.intervals.push_back({key.first, key.second, sum.count, leqOf(sum.energy, sum.count)});
    return f;
}

QString hoursMinutesSeconds(double seconds)
{
    const auto s = static_cast<long long>(std::llround(std::clamp(seconds, 0.0, 1e15)));
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600)
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

double roundedLevel(double level)
{
    return std::round(level * 10) / 10;
}

double roundedDose(double dose)
{
    return std::round(dose * 100) / 100;
}

}  // namespace sonavistor
