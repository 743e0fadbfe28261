#include "export/csv_export.h"

#include "common/whole_file.h"

namespace sonavistor {

QByteArray csvField(const QString& text)
{
    QByteArray field = text.toUtf8();
    if (!field.contains(',') && !field.contains('"') && !field.contains('\r') && !field.contains('\n'))
        return field;
    field.replace("\"", "\"\"");
    return '"' + field + '"';
}

qint64 writeReadingsCsv(const QString& path, const std::vector<ReadingRow>& rows)
{
    QByteArray text = "RecNo,MeaValue,Weight,NTime,NDate\r\n";
    text.reserve(static_cast<qsizetype>(rows.size()) * 36 + text.size());
    for (const ReadingRow& row : rows) {
        text += QByteArray::number(row.RecNo);
        for (const QString* field : {&row.MeaValue, &row.Weight, &row.NTime, &row.NDate})
            text += ',' + csvField(*field);
        text += "\r\n";
    }
    writeWholeFile(path, text);
    return static_cast<qint64>(rows.size());
}

}  // namespace sonavistor
