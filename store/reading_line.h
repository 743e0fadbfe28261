#pragma once
// The fixed-width reading line that saved files and the staging file share:
//   characters  1-10  NDate, filled with spaces
//              11     ","
//              12-19  NTime, filled with spaces
//              20     ","
//              21-26  the level text, filled with spaces
//              27     ","
//              28     the weighting letter
// Fields are filled to their width and never cut.

#include "store/reading_row.h"

#include <QByteArray>
#include <QString>

namespace sonavistor {

// Appends the line for row, without a line end. Throws Error when a field
// holds a comma or a control character: such a line could not be read back.
void appendReadingLine(QByteArray& out, const ReadingRow& row);

// Fills text with spaces to width characters; never cuts.
QByteArray padded(const QByteArray& text, int width);
// Appends text as 8-bit text (UTF-8 beyond ASCII) filled to width; never cuts.
void appendPadded(QByteArray& out, const QString& text, int width);

}  // namespace sonavistor
