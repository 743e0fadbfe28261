#pragma once
// A table's rows as the exporter's dataset and a grid over them with the
// columns the windows' grids show (RecNo, MeaValue, Weight, NTime, NDate).
// Cell kinds follow the table's declared column types. Over a table the
// rows are read a page at a time as the exporter walks them, so a table of
// many days never sits in memory at once.

#include "export/export_source.h"
#include "store/measurement_db.h"

#include <vector>

namespace sonavistor {

class ReadingRowsDataset : public ExportDataset {
public:
    ReadingRowsDataset(std::vector<ReadingRow> rows, const QList<MeasurementDatabase::Column>& columns);
    // Walks the table in RecNo order; db must outlive the dataset.
    ReadingRowsDataset(const MeasurementDatabase& db, TableId table);

    bool isOpen() const override { return open_; }
    bool isEmpty() const override { return count_ == 0; }
    int recordCount() const override { return static_cast<int>(count_); }
    std::vector<ExportField>& fields() override { return fields_; }
    void first() override;
    void next() override;
    bool eof() const override { return at_ >= count_; }
    int recordNumber() const override { return static_cast<int>(at_) + 1; }
    QVariant value(int source) const override;
    int bookmark() const override { return static_cast<int>(at_); }
    bool bookmarkValid(int mark) const override { return mark >= 0 && static_cast<size_t>(mark) < count_; }
    void gotoBookmark(int mark) override;

private:
    void loadPageFrom(qint32 recNo);

    const MeasurementDatabase* db_ = nullptr;  // null: every row is in rows_
    TableId table_{};
    std::vector<ReadingRow> rows_;  // all rows, or the page from row pageStart_
    size_t pageStart_ = 0;
    size_t count_ = 0;
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
