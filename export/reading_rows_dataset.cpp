#include "export/reading_rows_dataset.h"

namespace sonavistor {

namespace {

// Sources: the values of a ReadingRow by its column name.
int sourceOf(const QString& column)
{
    static const char* const names[] = {"NDate", "NTime", "MeaValue", "Weight", "RecNo"};
    for (int i = 0; i < 5; ++i) {
        if (column.compare(QLatin1String(names[i]), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

}  // namespace

FieldKind fieldKindOf(const QString& declaredType)
{
    const QString type = declaredType.toUpper();
    if (type.contains(QLatin1String("INT")))
        return FieldKind::Integer;
    if (type.contains(QLatin1String("REAL")) || type.contains(QLatin1String("FLOA")) ||
        type.contains(QLatin1String("DOUB")) || type.contains(QLatin1String("NUMERIC")))
        return FieldKind::Float;
    if (type.contains(QLatin1String("BLOB")))
        return FieldKind::Blob;
    return FieldKind::Text;
}

ReadingRowsDataset::ReadingRowsDataset(std::vector<ReadingRow> rows,
                                       const QList<MeasurementDatabase::Column>& columns)
    : rows_(std::move(rows))
{
    for (const auto& column : columns) {
        const int source = sourceOf(column.name);
        if (source < 0)
            continue;
        fields_.push_back({column.name, column.name, true, fieldKindOf(column.declaredType), source});
    }
    open_ = !fields_.empty();
}

ReadingRowsDataset::ReadingRowsDataset(const MeasurementDatabase& db, TableId table)
    : ReadingRowsDataset(db.rows(table), db.columns(table))
{
    open_ = db.isOpen();
}

QVariant ReadingRowsDataset::value(int source) const
{
    const ReadingRow& row = rows_[at_];
    const auto text = [](const QString& s) { return s.isNull() ? QVariant() : QVariant(s); };
    switch (source) {
    case 0: return text(row.NDate);
    case 1: return text(row.NTime);
    case 2: return text(row.MeaValue);
    case 3: return text(row.Weight);
    case 4: return row.RecNo;
    default: return QVariant();
    }
}

std::vector<ExportColumn> ReadingRowsGrid::columns() const
{
    std::vector<ExportColumn> result;
    for (const char* name : {"RecNo", "MeaValue", "Weight", "NTime", "NDate"})
        result.push_back({QString::fromLatin1(name), QString::fromLatin1(name), true, {}});
    return result;
}

}  // namespace sonavistor
