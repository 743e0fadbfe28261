#pragma once
// The seven-segment geometry of the LED number display: the corner points of
// one character cell's segments and decimal point, the property write rules,
// and what a text lights, cell by cell. Pure: no drawing here.

#include <QPoint>
#include <QSize>
#include <QString>

#include <array>
#include <vector>

namespace sonavistor {

// Segment numbering: 0 top, 1 upper right, 2 lower right, 3 bottom,
// 4 lower left, 5 upper left, 6 middle.
struct LedCellPoints {
    std::array<QPoint, 42> SegmentPoints;  // six per segment, segment 0 first
    std::array<QPoint, 6> DotPoints;
    // The distinct corners of segment s (4, or 6 for the middle one).
    std::vector<QPoint> segment(int s) const;
    std::vector<QPoint> dot() const;
};

LedCellPoints BuildSegments(int x, int y, int W, int H, int T);

// Which segments a character lights: "012345" for "0" ... "6" for "-".
extern const std::array<const char*, 11> DigitSegments;

// The sizes of the display, with the rules by which they accept a new value.
struct LedMetrics {
    int OffSetX = 4;
    int OffSetY = 4;
    int WordWidth = 17;
    int WordHeight = 29;
    int Thick = 3;
    int Space = 4;

    // Each returns whether the value was taken; refused values change nothing.
    bool setWordWidth(int v);
    bool setWordHeight(int v);  // stores the next odd number
    bool setThick(int v);
};

// One polygon to fill, lit or unlit.
struct LedPolygon {
    std::vector<QPoint> points;
    bool lit = false;
};

// The polygons of a text in drawing order: per cell the unlit pattern (all
// segments and the point, only when drawUnlit), then the lit segments (only
// when drawLit). The first "." of the text is taken out and lights the point
// of the digit before it.
std::vector<LedPolygon> planDigits(const QString& text, const LedMetrics& m, bool drawUnlit, bool drawLit);

// The text without its first "."; its length is the number of cells.
QString cellText(const QString& text);

// The size AutoSize gives the display for a text.
QSize autoSizeFor(const QString& text, const LedMetrics& m);

}  // namespace sonavistor
