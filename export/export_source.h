#pragma once
// What the spreadsheet exporter needs of a window's grid and of the dataset
// behind it. The windows' grids and the command-line tool implement these.

#include <QString>
#include <QStringList>
#include <QVariant>

#include <vector>

namespace sonavistor {

// How a field's values become cells.
enum class FieldKind {
    Integer,  // small integer, integer, word, bytes, auto-increment: RK cells
    Float,    // float, currency, BCD: NUMBER cells
    Blob,     // large objects and memos: empty LABEL cells
    Text,     // everything else: LABEL cells with the value as text
};

struct ExportField {
    QString name;
    QString displayLabel;
    bool visible = true;
    FieldKind kind = FieldKind::Text;
    int source = 0;  // which value of a record this field reads
};

class ExportDataset {
public:
    virtual ~ExportDataset() = default;
    virtual bool isOpen() const = 0;
    virtual bool isEmpty() const = 0;
    virtual int recordCount() const = 0;
    // The ordered field list; the exporter reorders and relabels it, and the
    // changes stay on the dataset.
    virtual std::vector<ExportField>& fields() = 0;
    virtual void first() = 0;
    virtual void next() = 0;
    virtual bool eof() const = 0;
    virtual int recordNumber() const = 0;  // 1 for the first record
    // The current record's value for a field's source; a null QVariant is null.
    virtual QVariant value(int source) const = 0;
    virtual int bookmark() const = 0;
    virtual bool bookmarkValid(int bookmark) const = 0;
    virtual void gotoBookmark(int bookmark) = 0;
    // The grid does not repaint while the exporter walks the records.
    virtual void disableControls() {}
    virtual void enableControls() {}
};

struct ExportColumn {
    QString fieldName;
    QString title;
    bool visible = true;
    QStringList footerTexts;
};

class ExportGrid {
public:
    virtual ~ExportGrid() = default;
    virtual std::vector<ExportColumn> columns() const = 0;
    virtual int footerRowCount() const { return 0; }  // 0: the grid shows no footer
    virtual ExportDataset* dataset() = 0;
};

}  // namespace sonavistor
