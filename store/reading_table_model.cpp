#include "store/reading_table_model.h"

namespace sonavistor {

ReadingTableModel::ReadingTableModel(MeasurementDatabase& db, TableId table, QObject* parent)
    : QAbstractTableModel(parent), db_(db), table_(table)
{
    connect(&db_, &MeasurementDatabase::rowAppended, this, &ReadingTableModel::onRowAppended);
    connect(&db_, &MeasurementDatabase::tableReset, this, &ReadingTableModel::onTableReset);
    rows_ = db_.rows(table_);
}

QString ReadingTableModel::fieldName(int column)
{
    static const char* const names[ColumnCount] = {"RecNo", "MeaValue", "Weight", "NTime", "NDate"};
    return column >= 0 && column < ColumnCount ? QString::fromLatin1(names[column]) : QString();
}

int ReadingTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ReadingTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ReadingTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size()))
        return QVariant();
    const ReadingRow& row = rows_[static_cast<size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case ColRecNo: return row.RecNo;
        case ColMeaValue: return row.MeaValue;
        case ColWeight: return row.Weight;
        case ColNTime: return row.NTime;
        case ColNDate: return row.NDate;
        default: return QVariant();
        }
    case Qt::BackgroundRole:
        return background_ ? background_(row, index.column()) : QVariant();
    case Qt::ForegroundRole:
        return foreground_ ? foreground_(row, index.column()) : QVariant();
    default:
        return QVariant();
    }
}

QVariant ReadingTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return fieldName(section);
    return QVariant();
}

void ReadingTableModel::setBackgroundRule(CellRule rule)
{
    background_ = std::move(rule);
    if (!rows_.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1), {Qt::BackgroundRole});
}

void ReadingTableModel::setForegroundRule(CellRule rule)
{
    foreground_ = std::move(rule);
    if (!rows_.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1), {Qt::ForegroundRole});
}

void ReadingTableModel::reload()
{
    beginResetModel();
    rows_ = db_.rows(table_);
    endResetModel();
}

void ReadingTableModel::onRowAppended(TableId table, const ReadingRow& row)
{
    if (table != table_)
        return;
    // Rows are kept in RecNo order; a live window appends in that order.
    auto at = rows_.end();
    if (!rows_.empty() && row.RecNo < rows_.back().RecNo)
        at = std::upper_bound(rows_.begin(), rows_.end(), row.RecNo,
                              [](qint32 recNo, const ReadingRow& r) { return recNo < r.RecNo; });
    const int position = static_cast<int>(at - rows_.begin());
    beginInsertRows(QModelIndex(), position, position);
    rows_.insert(at, row);
    endInsertRows();
}

void ReadingTableModel::onTableReset(TableId table)
{
    if (table == table_)
        reload();
}

}  // namespace sonavistor
