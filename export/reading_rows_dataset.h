#pragma once
// A table's rows as the exporter's dataset and a grid over them with the
// columns the windows' grids show (RecNo, MeaValue, Weight, NTime, NDate).
// Cell kinds follow the table's declared column types.

#include "export/export_source.h"
#include "store/measurement_db.h"

#include <vector>

namespace sonavistor {

class ReadingRowsDataset : public ExportDataset {
public:
    ReadingRowsDataset(std::vector<ReadingRow> rows, const QList<MeasurementDatabase::Column>& columns);
    ReadingRowsDataset(const MeasurementDatabase& db, TableId table);

    bool isOpen() const override { return open_; }
    bool isEmpty() const override { return rows_.empty(); }
    int recordCount() const override { return static_cast<int>(rows_.size()); }
    std::vector<ExportField>& fields() override { return fields_; }
    void first() override { at_ = 0; }
    void next() override { ++at_; }
    bool eof() const override { return at_ >= rows_.size(); }
    int recordNumber() const override { return static_cast<int>(at_) + 1; }
    QVariant value(int source) const override;
    int bookmark() const override { return static_cast<int>(at_); }
    bool bookmarkValid(int mark) const override { return mark >= 0 && static_cast<size_t>(mark) < rows_.size(); }
    void gotoBookmark(int mark) override { at_ = static_cast<size_t>(mark); }

private:
    std::vector<ReadingRow> rows_;
    std::vector<ExportField> fields_;
    size_t at_ = 0;
    bool open_ = true;
};

class ReadingRowsGrid : public ExportGrid {
public:
    explicit ReadingRowsGrid(ExportDataset& dataset) : dataset_(dataset) {}
    std::vector<ExportColumn> columns() const override;
    ExportDataset* dataset() override { return &dataset_; }

private:
    ExportDataset& dataset_;
};

// INTEGER -> Integer, REAL/FLOAT/DOUBLE/NUMERIC -> Float, BLOB -> Blob, else Text.
FieldKind fieldKindOf(const QString& declaredType);

}  // namespace sonavistor
