#pragma once
// The rules by which the real-time window shows a reading: the arc bar
// graph, the centring of the level display, the statistics and footer lines,
// the grid's row colours and the date and time texts of a row.

#include <QColor>
#include <QDate>
#include <QDateTime>
#include <QPoint>
#include <QString>

#include <array>
#include <vector>

namespace sonavistor {

// x rounded to the nearest integer, halves to the even neighbour.
int roundHalfEven(double x);

struct GaugeState {
    int ticks = 0;      // lit ticks, 0 .. 50
    bool under = false; // "UNDER" shown
    bool over = false;  // "OVER" shown
};

// v in dB against the range [low, high]: b = R(v - low); below the range
// b = 1, above it b = 50; the gauge lights b div 2 ticks.
GaugeState gaugeFor(double v, int low, int high);

struct GaugeTick {
    QPoint from;
    QPoint to;  // not drawn itself
};

// The 50 ticks of the arc in a picture of width w and height h: from 140
// degrees down in steps of 2, centre (R(w/2), h), radii h - 15 and h - 35.
std::array<GaugeTick, 50> gaugeTicks(int w, int h);

// The pixels of a one-pixel line from `from` towards `to`, `to` itself left
// out (so that lines drawn end to start never overlap).
std::vector<QPoint> linePixels(QPoint from, QPoint to);

// Left edge of the level display: (width - (length - 1) x cell width) div 2.
int centredLeft(int imageWidth, int textLength, int cellWidth);

// The running figures since the first reading after open or Clear.
struct LiveStatistics {
    double MaxLevel = 0;
    double MinLevel = 0;
    double LevelSum = 0;
    // readingCount: the count including this reading (1 restarts the figures).
    void add(double v, int readingCount);
    double average(int readingCount) const { return readingCount > 0 ? LevelSum / readingCount : 0; }
};

QString footerLine1(double max, double min, double average);
QString footerLine2(const QString& date);

// The value of a MeaValue text as the grid reads it: empty is 0; else the
// integer before the last two characters plus the last digit / 10.
double gridLevel(const QString& meaValue);
// Black, red at or above the maximum, purple at or below the minimum (wins).
QColor rowColour(const QString& meaValue, double max, double min);

// A row's NDate and NTime: year/month/day and hours:minutes:seconds without
// leading zeros, as imported rows are, so they always fit the saved file's
// 10 and 8 columns whatever the system's formats.
QString rowDate(const QDate& date);
QString rowTime(const QTime& time);

}  // namespace sonavistor
