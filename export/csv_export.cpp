#include "export/csv_export.h"

#include "common/error.h"

#include <QDir>
#include <QSaveFile>

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
    QSaveFile file(path);
    const auto failed = [&path, &file] {
        return Error(QStringLiteral("Cannot write file \"%1\". %2").arg(QDir::toNativeSeparators(path), file.errorString()));
    };
    // Unbuffered: a failed write is seen before commit() (see writeSavedFileText).
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw failed();
    QByteArray text = "RecNo,MeaValue,Weight,NTime,NDate\r\n";
    text.reserve(static_cast<qsizetype>(rows.size()) * 36 + text.size());
    for (const ReadingRow& row : rows) {
        text += QByteArray::number(row.RecNo);
        for (const QString* field : {&row.MeaValue, &row.Weight, &row.NTime, &row.NDate})
            text += ',' + csvField(*field);
        text += "\r\n";
    }
    if (file.write(text) != text.size() || !file.commit())
        throw failed();
    return static_cast<qint64>(rows.size());
}

}  // namespace sonavistor
