#pragma once
// The environmental noise figures of a measurement, per calendar day of its
// readings, and the noise events in it. One call: samples in (of one file or
// of several logged days one after the other), days and events out.
//
// Each sample lasts the measurement's median time step, as for the acoustic
// figures; A- and C-weighted samples are never mixed (each weighting present
// gets its own days and events).
//
//   periods   day [D, E), evening [E, N), night [N, 24) and [0, D) of the same
//             calendar date; 7, 19, 23 by default                2002/49/EC Annex I
//   Lperiod   the Leq of the samples timed in the period
//   coverage  the share of the period the samples cover (count x step / length)
//   Lden      10 log10((hd 10^(Lday/10) + he 10^((Levening+5)/10)
//                       + hn 10^((Lnight+10)/10)) / 24), hd, he, hn the periods' hours
//   Ldn       the same with day 07-22 and night 22-07, +10 dB at night   ISO 1996-1
//   event     from the first sample at or above the threshold to the last one
//             before the level stays below it for the gap (time without samples
//             counts as below); shorter than the minimum, it is dropped
//   SEL       Leq + 10 log10(T / 1 s) of the event's samples                ISO 1996-1
//
// A figure whose period has no samples is nothing; Lden and Ldn need all of
// their periods and come with the lowest coverage among them.

#include "analysis/acoustic_figures.h"

#include <array>
#include <optional>
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
};

enum class Period { Day = 0, Evening = 1, Night = 2 };
inline constexpr int kPeriodCount = 3;

struct PeriodLevel {
    std::optional<double> leq;  // nothing without samples
    double coverage = 0;        // 0 ... 1
    long long count = 0;
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

    const PeriodLevel& period(Period p) const { return periods[static_cast<size_t>(p)]; }
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
    double sampleSeconds = 1;
    bool stepMeasured = false;
    std::vector<DayFigures> days;     // by day, then weighting
    std::vector<NoiseEvent> events;   // by start, then weighting
    long long untimed = 0;            // samples without a time: in no day and no event
    long long unweighted = 0;         // samples neither A nor C
};

// The samples are taken by value and reordered: move them in where they are
// not needed afterwards (a month of logged days is 2.6 million of them).
NoiseFigures computeNoiseFigures(std::vector<AcousticSample> samples, const NoiseOptions& options = {});

// "2026/12/1" of a day from DayFigures::day.
QString dayText(qint64 day);

}  // namespace sonavistor
