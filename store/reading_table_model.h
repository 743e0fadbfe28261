#pragma once
// The rows of one table for a window's grid (DataGrid1), in RecNo order:
// columns RecNo, MeaValue, Weight, NTime, NDate.
//
// The model holds no copy of the table: it knows how many rows there are and
// reads the rows a grid asks for a page at a time through the RecNo key,
// keeping a few pages. A grid over ten saved days (432,000 rows) costs the
// same to draw and the same memory as one over sixty rows. It follows the
// database: an appended row is inserted without reading the table again; a
// clear or a bulk load resets the model.

#include "store/measurement_db.h"

#include <QAbstractTableModel>

#include <deque>
#include <functional>
#include <vector>

namespace sonavistor {

class ReadingTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColRecNo, ColMeaValue, ColWeight, ColNTime, ColNDate, ColumnCount };
    using CellRule = std::function<QVariant(const ReadingRow& row, int column)>;
    static constexpr int PageRows = 256;
    static constexpr int CachedPages = 8;

    ReadingTableModel(MeasurementDatabase& db, TableId table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The row at a grid position (0 <= row < rowCount()).
    ReadingRow rowAt(int row) const;
    TableId table() const { return table_; }
    static QString fieldName(int column);
    // Rows held in the page cache (never more than PageRows * CachedPages).
    int cachedRows() const;

    // Per-cell background and text colours (the windows' colour rules).
    void setBackgroundRule(CellRule rule);
    void setForegroundRule(CellRule rule);

    // Reads the table's shape again (the windows call it after a bulk load they did not watch).
    void reload();

private:
    struct Page {
        int index = 0;
        std::vector<ReadingRow> rows;
    };

    void readShape();
    qint32 pageStartRecNo(int page) const;
    const ReadingRow* rowPointer(int row) const;
    void onRowAppended(TableId table, const ReadingRow& row);
    void onTableReset(TableId table);

    MeasurementDatabase& db_;
    TableId table_;
    int count_ = 0;
    qint32 firstRecNo_ = 0;
    qint32 lastRecNo_ = 0;
    // Rows numbered without gaps (the usual case): row i has RecNo first + i.
    // Otherwise pageKeys_ holds the RecNo that starts each page.
    bool contiguous_ = true;
    std::vector<qint32> pageKeys_;
    mutable std::deque<Page> cache_;  // most recently used first
    CellRule background_;
    CellRule foreground_;
};

}  // namespace sonavistor
