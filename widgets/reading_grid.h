#pragma once
// The grid of reading rows (RecNo, MeaValue, Weight, NTime, NDate) as the
// windows show it: compact rows, and columns wide enough for every value a
// row can hold, so no date or time is cut.

#include <QFont>

#include <array>

class QFontMetrics;
class QTableView;

namespace sonavistor {

// The widths that show the widest value of each column and its title whole.
std::array<int, 5> readingColumnWidths(const QFontMetrics& cells, const QFontMetrics& titles);

// Compact font, fixed row height, widths as above. Returns the width the
// columns need together (without the scroll bar).
int fitReadingColumns(QTableView* grid);

// Widths as above in the grid's own font and the header's, rows at least
// minimumRowHeight and tall enough for the font. Returns the width the
// columns need together.
int fitReadingColumnsToFont(QTableView* grid, int minimumRowHeight);

// The width a grid of `columns` needs beside its columns: its frame and a
// vertical scroll bar.
int gridWidthFor(const QTableView* grid, int columns);

}  // namespace sonavistor
