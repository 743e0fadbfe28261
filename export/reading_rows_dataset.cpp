#include "export/reading_rows_dataset.h"

#include <algorithm>
#include <limits>

namespace sonavistor {

namespace {

// Rows read at a time from a table: small beside a day, large enough that
// the queries cost nothing beside the writing.
constexpr int kPageRows = 4096;

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
    : rows_(std::move(rows)), count_(rows_.size())
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
    : ReadingRowsDataset(std::vector<ReadingRow>(), db.columns(table))
{
    db_ = &db;
    table_ = table;
    open_ = db.isOpen();
    const qint64 rows = db.rowCount(table);
    count_ = static_cast<size_t>(std::min<qint64>(rows, std::numeric_limits<int>::max()));
    first();
}

void ReadingRowsDataset::loadPageFrom(qint32 recNo)
{
    rows_ = db_->rowsFrom(table_, recNo, kPageRows);
    if (rows_.empty())
        count_ = pageStart_;  // the table lost rows since it was counted
}

void ReadingRowsDataset::first()
{
    at_ = 0;
    if (!db_ || (pageStart_ == 0 && !rows_.empty()))
        return;
    pageStart_ = 0;
    loadPageFrom(std::numeric_limits<qint32>::min());
}

void ReadingRowsDataset::next()
{
    ++at_;
    if (!db_ || at_ < pageStart_ + rows_.size() || at_ >= count_)
        return;
    const qint32 after = rows_.back().RecNo;
    pageStart_ = at_;
    if (after == std::numeric_limits<qint32>::max())
        count_ = at_;
    else
        loadPageFrom(after + 1);
}

void ReadingRowsDataset::gotoBookmark(int mark)
{
    const size_t target = static_cast<size_t>(mark);
    if (!db_ || (target >= pageStart_ && target < pageStart_ + rows_.size())) {
        at_ = target;
        return;
    }
    // Away from the page at hand (rare: the exporter returns to where it began).
    first();
    while (at_ < target && !eof())
        next();
}

QVariant ReadingRowsDataset::value(int source) const
{
    const ReadingRow& row = rows_[at_ - pageStart_];
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
