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

}  // namespace sonavistor
