#pragma once
// Where everything of a data sheet goes, in millimetres from the paper's
// top-left corner: the title block and the column header on every page, a
// fixed number of rows per page, the closing summary after the last row (on
// a page of its own when it does not fit), "Page n of m" at the bottom.
// Pages are pure arithmetic over the row count, so any page can be drawn
// without drawing the ones before it.

#include "print/report_definition.h"

#include <QSizeF>

#include <vector>

namespace sonavistor {

// Heading plus rows, first and last time, min, max, average, Leq, and a gap above.
inline constexpr int kSummaryLines = 9;
// With the acoustic figures of both weightings: the sample length and four
// lines per weighting more. Every page must have room for this many.
inline constexpr int kMaxSummaryLines = kSummaryLines + 1 + 2 * 4;

struct ReportLayout {
    QSizeF pageMm;
    double left = 0;    // content edges
    double right = 0;
    double top = 0;
    double bottom = 0;
    double lineMm = 0;       // one line of the body font
    double titleLineMm = 0;  // the title's line
    double headerTop = 0;    // company and print date
    double columnHeaderTop = 0;
    double rowsTop = 0;
    double rowsBottom = 0;
    double footerTop = 0;
    std::vector<double> columnLeft;
    std::vector<double> columnWidth;
    int rowsPerPage = 0;
    long long rowCount = 0;
    int dataPages = 1;  // pages holding rows; an empty table still has one
    int pageCount = 1;
    bool summary = false;
    bool summaryOnOwnPage = false;

    // Pages count from 0.
    long long firstRow(int page) const;
    int rowsOn(int page) const;
    bool summaryOn(int page) const;
    double summaryTop(int page) const;
};

// Millimetres of one text line for a font of the given points.
double reportLineMm(double fontPoints);
// The font's height in millimetres (its size in points as millimetres).
double reportFontMm(double fontPoints);
inline constexpr double kTitleScale = 1.5;  // the title's font against the body's

// summaryLines: the lines the summary takes, its heading and the gap above it included.
ReportLayout layoutReport(const ReportDefinition& definition, long long rowCount, int summaryLines = kMaxSummaryLines);

}  // namespace sonavistor
