#pragma once
// Which opened file a LoadData row belongs to, and the colour that marks the
// file's line in the chart and its rows in the grid.

#include <QColor>
#include <QPalette>

#include <array>
#include <optional>

namespace sonavistor {

inline constexpr int kMaxOpenFiles = 10;

// Entry k (0-based) holds the first RecNo after file k+1; 0 while that file
// is not loaded.
using RecNoStarts = std::array<qint32, kMaxOpenFiles>;

// The file (1 ... 10) of a row, as the grid colours it: below S1 file 1;
// from S(k-1) up to S(k) file k for k = 2 ... 9; from S9 on file 10, but
// only once S9 lies above S8. Rows matching none of these get no colour.
std::optional<int> fileOfRecNo(qint32 recNo, const RecNoStarts& starts);

// The desktop's classic blue, standing in for a desktop colour the platform
// does not have.
inline const QColor kDesktopColour(58, 110, 165);

// The colour of file 1 ... 10. File 6 takes the palette's button-shadow
// colour (QPalette::Dark), file 8 the desktop colour.
QColor fileColour(int file, const QPalette& palette);

}  // namespace sonavistor
