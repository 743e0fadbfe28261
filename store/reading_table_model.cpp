#include "store/reading_table_model.h"

#include <algorithm>
#include <climits>

namespace sonavistor {

ReadingTableModel::ReadingTableModel(MeasurementDatabase& db, TableId table, QObject* parent)
    : QAbstractTableModel(parent), db_(db), table_(table)
{
    connect(&db_, &MeasurementDatabase::rowAppended, this, &ReadingTableModel::onRowAppended);
    connect(&db_, &MeasurementDatabase::tableReset, this, &ReadingTableModel::onTableReset);
    readShape();
}

QString ReadingTableModel::fieldName(int column)
{
    static const char* const names[ColumnCount] = {"RecNo", "MeaValue", "Weight", "NTime", "NDate"};
    return column >= 0 && column < ColumnCount ? QString::fromLatin1(names[column]) : QString();
}

int ReadingTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count_;
}

int ReadingTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

void ReadingTableModel::readShape()
{
    const MeasurementDatabase::Extent extent = db_.extent(table_);
    count_ = static_cast<int>(std::min<qint64>(extent.count, INT_MAX));
    firstRecNo_ = extent.firstRecNo;
    lastRecNo_ = extent.lastRecNo;
    contiguous_ = count_ == 0 || static_cast<qint64>(lastRecNo_) - firstRecNo_ + 1 == extent.count;
    pageKeys_.clear();
    if (!contiguous_)
        pageKeys_ = db_.recNoEvery(table_, PageRows);
    cache_.clear();
}

qint32 ReadingTableModel::pageStartRecNo(int page) const
{
    if (contiguous_)
        return firstRecNo_ + page * PageRows;
    return static_cast<size_t>(page) < pageKeys_.size() ? pageKeys_[static_cast<size_t>(page)] : INT_MAX;
}

const ReadingRow* ReadingTableModel::rowPointer(int row) const
{
    if (row < 0 || row >= count_)
        return nullptr;
    const int index = row / PageRows;
    auto found = std::find_if(cache_.begin(), cache_.end(), [index](const Page& p) { return p.index == index; });
    if (found == cache_.end()) {
        cache_.push_front({index, db_.rowsFrom(table_, pageStartRecNo(index), PageRows)});
        if (cache_.size() > static_cast<size_t>(CachedPages))
            cache_.pop_back();
    } else if (found != cache_.begin()) {
        Page page = std::move(*found);
        cache_.erase(found);
        cache_.push_front(std::move(page));
    }
    const std::vector<ReadingRow>& rows = cache_.front().rows;
    const auto offset = static_cast<size_t>(row % PageRows);
    return offset < rows.size() ? &rows[offset] : nullptr;
}

ReadingRow ReadingTableModel::rowAt(int row) const
{
    const ReadingRow* r = rowPointer(row);
    return r ? *r : ReadingRow();
}

int ReadingTableModel::cachedRows() const
{
    int n = 0;
    for (const Page& page : cache_)
        n += static_cast<int>(page.rows.size());
    return n;
}

QVariant ReadingTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return QVariant();
    if (role != Qt::DisplayRole && role != Qt::BackgroundRole && role != Qt::ForegroundRole)
        return QVariant();
    const ReadingRow* row = rowPointer(index.row());
    if (!row)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case ColRecNo: return row->RecNo;
        case ColMeaValue: return row->MeaValue;
        case ColWeight: return row->Weight;
        case ColNTime: return row->NTime;
        case ColNDate: return row->NDate;
        default: return QVariant();
        }
    case Qt::BackgroundRole:
        return background_ ? background_(*row, index.column()) : QVariant();
    default:
        return foreground_ ? foreground_(*row, index.column()) : QVariant();
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
    if (count_ > 0)
        emit dataChanged(index(0, 0), index(count_ - 1, ColumnCount - 1), {Qt::BackgroundRole});
}

void ReadingTableModel::setForegroundRule(CellRule rule)
{
    foreground_ = std::move(rule);
    if (count_ > 0)
        emit dataChanged(index(0, 0), index(count_ - 1, ColumnCount - 1), {Qt::ForegroundRole});
}

void ReadingTableModel::reload()
{
    beginResetModel();
    readShape();
    endResetModel();
}

void ReadingTableModel::onRowAppended(TableId table, const ReadingRow& row)
{
    if (table != table_)
        return;
    if (count_ > 0 && row.RecNo <= lastRecNo_) {
        // A row among the others (no window does this): read the shape anew.
        reload();
        return;
    }
    const int position = count_;
    beginInsertRows(QModelIndex(), position, position);
    if (count_ == 0) {
        firstRecNo_ = row.RecNo;
        contiguous_ = true;
        pageKeys_.clear();
    } else if (contiguous_ && row.RecNo != lastRecNo_ + 1) {
        contiguous_ = false;
        pageKeys_ = db_.recNoEvery(table_, PageRows);  // the new row is in the table already
    } else if (!contiguous_ && position % PageRows == 0) {
        pageKeys_.push_back(row.RecNo);
    }
    // A cached last page grows with the row; any other page is still right.
    const int index = position / PageRows;
    const auto page = std::find_if(cache_.begin(), cache_.end(), [index](const Page& p) { return p.index == index; });
    if (page != cache_.end()) {
        if (page->rows.size() == static_cast<size_t>(position % PageRows))
            page->rows.push_back(row);
        else
            cache_.erase(page);
    }
    ++count_;
    lastRecNo_ = row.RecNo;
    endInsertRows();
}

void ReadingTableModel::onTableReset(TableId table)
{
    if (table == table_)
        reload();
}

}  // namespace sonavistor
