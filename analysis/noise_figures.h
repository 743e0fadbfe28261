#pragma once
// The environmental noise figures of a measurement, per calendar day of its
// readings, and the noise events in it. One call: samples in (of one file or
// of several logged days one after the other), days and events out.
//
// Each sample lasts the median time step of its own file (a logged 1-s day
// and an imported 2-s day given together keep 1 and 2 s), as for the
// acoustic figures; A- and C-weighted samples are never mixed (each weighting
// present gets its own days, nights and events).
//
//   periods   day [D, E), evening [E, N), night [N, 24) and [0, D) of the same
//             calendar date; 7, 19, 23 by default                2002/49/EC Annex I
//   Lperiod   the Leq of the samples timed in the period, each weighing its step
//   coverage  the share of the period the samples cover (their steps / length)
//   Lden      10 log10((hd 10^(Lday/10) + he 10^((Levening+5)/10)
//                       + hn 10^((Lnight+10)/10)) / 24), hd, he, hn the periods' hours
//   Ldn       the same with day 07-22 and night 22-07, +10 dB at night   ISO 1996-1
//   night     [N, 24) of one date and [0, D) of the next: one night across
//             midnight, named by both dates; Lnight, coverage and Lmax as above
//   event     from the first sample at or above the threshold to the last one
//             before the level stays below it for the gap (time without samples
//             counts as below); a gap of 0 ends it at the first sample below.
//             Its end is that of its last sample at or above the threshold, its
//             duration end - start; shorter than the minimum, it is dropped
//   SEL       Leq + 10 log10(T / 1 s) of the event's samples, T their steps  ISO 1996-1
//
// A figure whose period has no samples is nothing; Lden and Ldn need all of
// their periods and come with the lowest coverage among them.

#include "analysis/acoustic_figures.h"

#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <vector>

namespace sonavistor {

// The hours at which day, evening and night start: 0 <= day < evening < night <= 23.
struct PeriodHours {
    int day = 7;
    int evening = 19;
    int night = 23;

    bool valid() const { return day >= 0 && day < evening && evening < night && night <= 23; }
    int dayHours() const { return evening - day; }
    int eveningHours() const { return night - evening; }
    int nightHours() const { return 24 - night + day; }
};

struct NoiseOptions {
    PeriodHours hours;
    double threshold = 70;   // dB, an event's samples are at or above it
    double gapSeconds = 5;   // below the threshold this long ends an event
    double minSeconds = 3;   // shorter events are dropped
    double nightLmax = 60;   // dB, a night counts its events whose Lmax is at or above it
    double minCoverage = 0.75;  // 0 ... 1: days and nights below it stay out of the summary
};

enum class Period { Day = 0, Evening = 1, Night = 2 };
inline constexpr int kPeriodCount = 3;

struct PeriodLevel {
    std::optional<double> leq;  // nothing without samples
    double coverage = 0;        // 0 ... 1
    long long count = 0;
    double seconds = 0;         // the samples' steps
    int events = 0;             // the events starting in the period
    double secondsAbove = 0;    // samples at or above the threshold x step
};

struct HourLevel {
    std::optional<double> leq;
    std::optional<double> lmax;
    std::optional<double> l90;
    long long count = 0;
};

struct RatedLevel {
    std::optional<double> level;
    double coverage = 0;  // the lowest coverage of the periods it rests on
};

struct DayFigures {
    qint64 day = 0;  // days since 1970-01-01 on the readings' clock
    char weighting = 'A';
    std::array<PeriodLevel, kPeriodCount> periods;  // by Period
    RatedLevel lden;
    RatedLevel ldn;
    std::array<HourLevel, 24> hours;
    int events = 0;
    double secondsAbove = 0;
    std::vector<int> files;  // the files (indices in the order given) holding its samples

    const PeriodLevel& period(Period p) const { return periods[static_cast<size_t>(p)]; }
};

// The night from the evening of one date to the morning of the next.
struct NightFigures {
    qint64 from = 0;  // the evening's day, as DayFigures::day; the night ends on from + 1
    char weighting = 'A';
    std::optional<double> lnight;  // nothing without samples
    double coverage = 0;           // of the night's hours, 0 ... 1
    long long count = 0;
    double seconds = 0;
    std::optional<double> lmax;
    int events = 0;           // the events starting in the night
    int eventsAboveLmax = 0;  // of them, those whose Lmax is at or above NoiseOptions::nightLmax
    std::vector<int> files;
};

// Each file's time step, in the order the files were given.
struct FileStep {
    double seconds = 1;     // the median time step of its own samples
    bool measured = false;  // false: no two timed samples a step apart, 1 s assumed
    long long count = 0;    // its samples
};

// Consecutive samples [previous run's end, end) of one file, each lasting seconds.
struct StepRun {
    size_t end = 0;
    double seconds = 1;
    int file = 0;
};

// The step of sample i from the runs, quickest when i moves forward.
class StepCursor {
public:
    explicit StepCursor(std::span<const StepRun> runs) : runs_(runs) {}
    const StepRun& run(size_t i)
    {
        if (i >= begin_ && i < runs_[at_].end)
            return runs_[at_];
        if (i >= runs_[at_].end && at_ + 1 < runs_.size() && i < runs_[at_ + 1].end) {
            begin_ = runs_[at_].end;
            return runs_[++at_];
        }
        const auto it = std::upper_bound(runs_.begin(), runs_.end(), i,
                                         [](size_t index, const StepRun& r) { return index < r.end; });
        at_ = it == runs_.end() ? runs_.size() - 1 : static_cast<size_t>(it - runs_.begin());
        begin_ = at_ == 0 ? 0 : runs_[at_ - 1].end;
        return runs_[at_];
    }
    double at(size_t i) { return run(i).seconds; }

private:
    std::span<const StepRun> runs_;
    size_t at_ = 0;
    size_t begin_ = 0;
};

struct NoiseEvent {
    qint64 start = 0;       // seconds as rowSeconds gives them: the first sample's time
    qint64 end = 0;         // the end of the last sample at or above the threshold
    double duration = 0;    // end - start
    double lmax = 0;
    qint64 lmaxAt = 0;      // the first sample at Lmax
    double leq = 0;
    double sel = 0;
    char weighting = 'A';
};

struct NoiseFigures {
    double sampleSeconds = 1;   // the files' step when they all have the same; the first file's otherwise
    bool stepMeasured = false;  // every file's step was measured
    bool oneStep = true;        // all files have the same step
    std::vector<FileStep> files;
    std::vector<DayFigures> days;     // by day, then weighting
    std::vector<NightFigures> nights;  // by the evening's day, then weighting
    std::vector<NoiseEvent> events;   // by start, then weighting
    long long untimed = 0;            // samples without a time: in no day and no event
    long long unweighted = 0;         // samples neither A nor C
};

// The samples are taken by value and reordered: move them in where they are
// not needed afterwards (a month of logged days is 2.6 million of them).
// All of them are one file, with one median step.
NoiseFigures computeNoiseFigures(std::vector<AcousticSample> samples, const NoiseOptions& options = {});
// The samples of several files one after the other, fileSizes[i] of them of
// file i: each keeps its own file's median step.
NoiseFigures computeNoiseFigures(std::vector<AcousticSample> samples, std::span<const size_t> fileSizes,
                                 const NoiseOptions& options = {});

// "2026/12/1" of a day from DayFigures::day.
QString dayText(qint64 day);
// "2026-12-01" (ISO 8601) of a day from DayFigures::day.
QString isoDayText(qint64 day);
// "2026-12-01 07:01:08" (ISO 8601) of seconds as rowSeconds gives them.
QString isoDateTimeText(qint64 seconds);
// "07:01:08" of seconds as rowSeconds gives them.
QString isoTimeText(qint64 seconds);
// "3-4 Dec 2026", "30 Nov-1 Dec 2026", "31 Dec 2026-1 Jan 2027": a night by its two dates.
QString nightText(qint64 from);

}  // namespace sonavistor
