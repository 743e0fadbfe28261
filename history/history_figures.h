#pragma once
// What the noise history keeps of each saved file: per calendar day of its
// readings, the day's figures and its 24 hourly cells. All of it is computed
// by historyFiguresOf, in one place, so that a change of figures is one
// change here and one step of kFiguresVersion (which rebuilds every index).
//
// Figures of one weighting only: a file's main weighting (the letter, A or
// C, with more readings; A on a tie). Levels are energy averages, each
// reading lasting the file's median time step, as the acoustic figures take
// them; L90 is the nearest-rank percentile of the level statistics. The
// period levels, events and hourly cells are the noise figures' own, with
// their default periods and event rule (noise_figures.h).

#include <QDate>
#include <QString>

#include <array>
#include <atomic>
#include <optional>
#include <vector>

namespace sonavistor {

// Raise whenever historyFiguresOf computes something new or differently.
inline constexpr int kFiguresVersion = 2;

struct HourFigures {
    long long count = 0;  // 0: no readings in this hour, the other fields are unset
    double leq = 0;
    double lmax = 0;
    double l90 = 0;
};

struct HistoryDay {
    QDate date;
    long long rows = 0;    // readings dated this day, of any weighting
    double coverage = 0;   // the share of the day's 24 hours that its readings stand for, 0..1
    std::optional<double> leq;
    std::optional<double> lmax;
    std::optional<double> l90;
    // Nothing where the day has no readings of the file's weighting (and a
    // period level, also where that period has none).
    std::optional<double> lden;
    std::optional<double> lday;
    std::optional<double> levening;
    std::optional<double> lnight;
    std::optional<long long> events;
    std::array<HourFigures, 24> hours{};
};

struct FileFigures {
    char weighting = 'A';
    long long readings = 0;
    long long untimed = 0;  // readings without a readable date and time: in no day
    double stepSeconds = 1;
    std::vector<HistoryDay> days;  // by date
};

// Thrown by historyFiguresOf when *cancel became true while it read.
struct HistoryReadCancelled {};

inline constexpr char kNotSavedFile[] = "not a saved measurement file";

// Reads the saved file at path. Throws Error with the reason a file cannot
// be read (kNotSavedFile, or the reader's message quoting a bad line), or
// HistoryReadCancelled.
FileFigures historyFiguresOf(const QString& path, const std::atomic<bool>* cancel = nullptr);

// "2026-12-03 02:00, 61.4 dB" / "2026-12-03 02:00, no readings"
QString hourCellName(const QDate& date, int hour, const HourFigures& cell);

// Cells of several files for the same day (a logged day and a saved piece of
// it): counts add, levels combine by energy, maxima by maximum; the L90 of
// the cell with more readings stands for both.
HourFigures combinedHour(const HourFigures& a, const HourFigures& b);

}  // namespace sonavistor
