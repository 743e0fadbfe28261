#pragma once
// Readings as CSV (RFC 4180) for other tools: the header
// RecNo,MeaValue,Weight,NTime,NDate, then one line per row with the texts the
// table holds, CR LF line ends. Numbers are the table's own texts, so the
// decimal point is "." whatever the locale.

#include "store/reading_row.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace sonavistor {

// A field as RFC 4180 wants it: in double quotes (doubled inside) when it
// holds a comma, a quote, a CR or an LF; as it is otherwise. UTF-8.
QByteArray csvField(const QString& text);

// Writes the file in one piece: it replaces an existing one only when
// complete. Returns the rows written. Throws Error with the file system's message.
qint64 writeReadingsCsv(const QString& path, const std::vector<ReadingRow>& rows);

}  // namespace sonavistor
