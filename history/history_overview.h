#pragma once
// What the noise history shows of the indexed files: the day table (one row
// per file and day), the calendar (one row per date, files of the same date
// combined), the files that could not be read, and the day table as CSV and
// JSON for the command-line tool and the window's export.

#include "history/history_index.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace sonavistor {

struct DayRow {
    QString path;
    char weighting = 'A';
    HistoryDay figures;
};

struct CalendarDay {
    QDate date;
    std::array<HourFigures, 24> hours{};
};

struct FileProblem {
    QString path;
    QString reason;
};

struct HistoryOverview {
    std::vector<DayRow> days;           // by date, then path
    std::vector<CalendarDay> calendar;  // every date from the first to the last, empty ones included
    std::vector<FileProblem> problems;  // by path
};

// from/to (optional, inclusive) limit the days.
HistoryOverview overviewOf(const std::vector<IndexedFile>& files, const QDate& from = {}, const QDate& to = {});

// The day table's columns, in order.
enum class DayColumn { Date, Rows, Coverage, Leq, Lden, Lday, Levening, Lnight, Lmax, L90, Events, File, Count };
QString dayColumnTitle(DayColumn column);
// The cell's text ("—" for a figure not computed or without readings) and
// the value it sorts by (nothing sorts before everything).
QString dayCellText(const DayRow& row, DayColumn column);
std::optional<double> dayCellValue(const DayRow& row, DayColumn column);

// RFC 4180 with a header line, "." decimals, empty fields for missing figures.
QByteArray dayTableCsv(const std::vector<DayRow>& days);
// One JSON object per line: date, file, weighting, rows, coverage, leq,
// lden, lday, levening, lnight, lmax, l90, events, hours (24 x {leq, lmax,
// l90}, null for an hour without readings); levels to 0.1 dB.
QByteArray dayTableJson(const std::vector<DayRow>& days);

}  // namespace sonavistor
