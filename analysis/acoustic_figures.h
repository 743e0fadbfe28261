#pragma once
// The figures a noise report or a workplace assessment uses, computed from
// the samples of a measurement themselves. Each sample stands for the
// measurement's median time step (1 s for live rows, 2 s for imported ones);
// A- and C-weighted samples are never mixed: each weighting present gets its
// own figures (samples of any other letter are counted, and left out).
//
//   Leq     = 10 log10(mean of 10^(L/10))                  ISO 1996-1, IEC 61672-1
//   SEL     = Leq + 10 log10(T / 1 s), T = count x step     ISO 1996-1
//   LEX,8h  = Leq + 10 log10(Te / 8 h), Te the exposure     ISO 9612, 2003/10/EC
//   NIOSH   D = 100 % sum(t / T(L)), T(L) = 8 h / 2^((L - 85) / 3),
//           TWA = 85 + 10 log10(D / 100)                    NIOSH REL 1998
//   OSHA    D as NIOSH with T(L) = 8 h / 2^((L - 90) / 5), samples below
//           80 dB not counted, TWA = 90 + 16.61 log10(D / 100)   29 CFR 1910.95
//
// Sums of powers are taken relative to their largest term, so no readable
// level overflows or underflows them.

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace sonavistor {

inline constexpr qint64 kUntimed = INT64_MIN;  // a sample without a readable date and time
inline constexpr double kEightHours = 8 * 3600.0;

// Seconds of a row's date and time texts ("2026/12/1", "8:15:0"; leading
// zeros and surrounding blanks allowed) on a clock without time zones, so
// that consecutive rows differ by their time step. Nothing when either text
// is not a date or a time.
std::optional<qint64> rowSeconds(QByteArrayView date, QByteArrayView time);
// "2026/12/1 8:15:0": the texts rows carry, for seconds from rowSeconds.
QString rowSecondsText(qint64 seconds);

struct AcousticSample {
    double level = 0;
    char weighting = 'A';
    qint64 seconds = kUntimed;
};

struct NoiseDose {
    double dose = 0;            // percent; infinite only for absurd levels
    std::optional<double> twa;  // nothing when no sample counts (dose 0)
};

struct WeightingFigures {
    char weighting = 'A';
    long long count = 0;
    double durationSeconds = 0;  // T
    double exposureSeconds = 0;  // Te of LEX,8h
    double leq = 0;
    double sel = 0;
    double lmax = 0;
    double lmin = 0;
    double l10 = 0;
    double l50 = 0;
    double l90 = 0;
    double lex8h = 0;
    NoiseDose niosh;
    NoiseDose osha;
};

struct IntervalLeq {
    qint64 start = 0;  // seconds as rowSeconds gives them, on the interval's clock boundary
    char weighting = 'A';
    long long count = 0;
    double leq = 0;
};

struct AcousticOptions {
    std::optional<double> exposureSeconds;  // Te; each weighting's own T when not given
    qint64 intervalSeconds = 0;             // a divisor of a day; 0 for no intervals
};

struct AcousticFigures {
    double sampleSeconds = 1;   // the median time step
    bool stepMeasured = false;  // false: no two timed rows a step apart, 1 s assumed
    std::vector<WeightingFigures> weightings;  // by weighting letter
    std::vector<IntervalLeq> intervals;        // by start, then weighting
    long long untimed = 0;                     // samples left out of the intervals
    long long unweighted = 0;                  // samples neither A nor C, left out of everything
};

// The median of the positive steps between consecutive timed samples, in
// their order; nothing when there is none (a jump back of the clock is no step).
std::optional<double> medianTimeStep(const std::vector<AcousticSample>& samples);
// The same over part of a series; steps is scratch space, kept by a caller
// that asks for many parts so that each does not allocate its own.
std::optional<double> medianTimeStep(std::span<const AcousticSample> samples, std::vector<qint64>& steps);

AcousticFigures computeAcousticFigures(const std::vector<AcousticSample>& samples, const AcousticOptions& options = {});

// "24:00:00", "0:15:00": a duration in hours, minutes and seconds, to the second.
QString hoursMinutesSeconds(double seconds);

// Rounded as reports print them: levels to 0.1 dB, doses to 0.01 %.
double roundedLevel(double level);
double roundedDose(double dose);

}  // namespace sonavistor
