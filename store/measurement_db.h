#pragma once
// The working database: three tables of measurement rows, MeaData (live
// readings), GetRecorde (imported from the meter) and LoadData (saved files in
// the data view). Scratch storage, emptied at every start.

#include "store/reading_row.h"
#include "common/table_id.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace sonavistor {

class MeasurementDatabase : public QObject {
    Q_OBJECT
public:
    static constexpr const char* FileName = "Quorvane.db";

    explicit MeasurementDatabase(QObject* parent = nullptr);
    ~MeasurementDatabase() override;

    // Opens programFolder/Quorvane.db; never creates it. False when the file
    // is missing or is not a working database. Until a database is open every
    // table operation is a safe no-op: counts are 0, walks visit nothing.
    bool ConnectAccess(const QString& programFolder);
    bool openFile(const QString& path);
    bool isOpen() const { return db_ != nullptr; }
    void close();

    // Makes a new, empty working database at path. Throws Error.
    static void createFromSchema(const QString& path);

    // Empties one table, or all three (the start-up's case).
    void ClearTable(TableId table);
    void ClearAllTables();

    // Appends one row. Throws Error with the database's message.
    void appendRow(TableId table, const ReadingRow& row);

    qint64 rowCount(TableId table) const;
    bool isEmpty(TableId table) const;
    // Visits the rows in RecNo order. Throws Error with the database's message.
    void forEachRow(TableId table, const std::function<void(const ReadingRow&)>& visit) const;
    std::vector<ReadingRow> rows(TableId table) const;
    // At most limit rows from the first whose RecNo is at least fromRecNo, in
    // RecNo order: a page of a grid, found through the key without a scan.
    std::vector<ReadingRow> rowsFrom(TableId table, qint32 fromRecNo, int limit) const;

    // How many rows a table holds and its lowest and highest RecNo.
    struct Extent {
        qint64 count = 0;
        qint32 firstRecNo = 0;
        qint32 lastRecNo = 0;
    };
    Extent extent(TableId table) const;
    // The RecNo of every step-th row (rows 0, step, 2 step, ...), in RecNo order.
    std::vector<qint32> recNoEvery(TableId table, int step) const;
    // The import window's grid: "select * from GetRecorde Order By RecNo".
    std::vector<ReadingRow> importQuery() const;

    struct Column {
        QString name;
        QString declaredType;
    };
    QList<Column> columns(TableId table) const;

    // Appends the whole staging file to GetRecorde / LoadData with one
    // statement; all or nothing. Throws Error with the database's message.
    void PostDateTimeRecnoWeight(const QString& stagingPath);
    void PostLoadData(const QString& stagingPath);

    sqlite3* handle() const { return db_; }

    static QString tableName(TableId table);

signals:
    void rowAppended(sonavistor::TableId table, const sonavistor::ReadingRow& row);
    void tableReset(sonavistor::TableId table);

private:
    void execute(const char* sql);
    void bulkLoad(TableId table, const char* statement, const QString& stagingPath);
    std::vector<ReadingRow> select(const QString& sql) const;
    void finalizeStatements();

    sqlite3* db_ = nullptr;
    sqlite3_stmt* insert_[3] = {nullptr, nullptr, nullptr};
};

}  // namespace sonavistor
