#pragma once
// The rows of one table for a window's grid (DataGrid1), in RecNo order:
// columns RecNo, MeaValue, Weight, NTime, NDate. It keeps the rows in memory
// and follows the database: an appended row is inserted without reading the
// table again; a clear or a bulk load resets the model.

#include "store/measurement_db.h"

#include <QAbstractTableModel>

#include <functional>
#include <vector>

namespace sonavistor {

class ReadingTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColRecNo, ColMeaValue, ColWeight, ColNTime, ColNDate, ColumnCount };
    using CellRule = std::function<QVariant(const ReadingRow& row, int column)>;

    ReadingTableModel(MeasurementDatabase& db, TableId table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const ReadingRow& rowAt(int row) const { return rows_.at(static_cast<size_t>(row)); }
    TableId table() const { return table_; }
    static QString fieldName(int column);

    // Per-cell background and text colours (the windows' colour rules).
    void setBackgroundRule(CellRule rule);
    void setForegroundRule(CellRule rule);

    // Reads the table again (the windows call it after a bulk load they did not watch).
    void reload();

private:
    void onRowAppended(TableId table, const ReadingRow& row);
    void onTableReset(TableId table);

    MeasurementDatabase& db_;
    TableId table_;
    std::vector<ReadingRow> rows_;
    CellRule background_;
    CellRule foreground_;
};

}  // namespace sonavistor
