#include "store/measurement_db.h"

#include "common/error.h"
#include "store/staging_table.h"
#include "store_schema.h"

#include <QDir>
#include <QFileInfo>

#include <sqlite3.h>

namespace sonavistor {

namespace {

constexpr const char* kTables[3] = {"MeaData", "GetRecorde", "LoadData"};

QString text(const unsigned char* value)
{
    return value ? QString::fromUtf8(reinterpret_cast<const char*>(value)) : QString();
}

// Owns a prepared statement for the length of one operation.
class Statement {
public:
    Statement(sqlite3* db, const QString& sql) : db_(db)
    {
        const QByteArray utf8 = sql.toUtf8();
        if (sqlite3_prepare_v2(db, utf8.constData(), static_cast<int>(utf8.size()), &stmt_, nullptr) != SQLITE_OK)
            throw Error(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // True while a row is there; throws on errors.
    bool step()
    {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        throw Error(QString::fromUtf8(sqlite3_errmsg(db_)));
    }
    sqlite3_stmt* get() const { return stmt_; }

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

ReadingRow rowFrom(sqlite3_stmt* stmt)
{
    // Columns in table order: NDate, NTime, MeaValue, Weight, RecNo.
    ReadingRow row;
    row.NDate = text(sqlite3_column_text(stmt, 0));
    row.NTime = text(sqlite3_column_text(stmt, 1));
    row.MeaValue = text(sqlite3_column_text(stmt, 2));
    row.Weight = text(sqlite3_column_text(stmt, 3));
    row.RecNo = sqlite3_column_int(stmt, 4);
    return row;
}

}  // namespace

MeasurementDatabase::MeasurementDatabase(QObject* parent) : QObject(parent) {}

MeasurementDatabase::~MeasurementDatabase()
{
    close();
}

QString MeasurementDatabase::tableName(TableId table)
{
    return QString::fromLatin1(kTables[table]);
}

bool MeasurementDatabase::ConnectAccess(const QString& programFolder)
{
    return openFile(QDir(programFolder).filePath(QString::fromLatin1(FileName)));
}

bool MeasurementDatabase::openFile(const QString& path)
{
    close();
    if (!QFileInfo(path).isFile())
        return false;  // the database is shipped beside the program, never made here
    sqlite3* db = nullptr;
    // Shared access: other connections may read and write the same file.
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    db_ = db;
    try {
        // Scratch storage emptied at every start: speed over durability.
        execute("PRAGMA synchronous = OFF");
        execute("PRAGMA journal_mode = MEMORY");
        for (const char* table : kTables) {
            Statement probe(db_, QStringLiteral("select NDate, NTime, MeaValue, Weight, RecNo from %1 limit 0")
                                     .arg(QString::fromLatin1(table)));
            probe.step();
        }
        if (registerStagingTable(db_) != SQLITE_OK)
            throw Error(QString::fromUtf8(sqlite3_errmsg(db_)));
        for (int t = 0; t < 3; ++t) {
            const QByteArray sql = QStringLiteral("insert into %1 (NDate, NTime, MeaValue, Weight, RecNo) "
                                                  "values (?, ?, ?, ?, ?)")
                                       .arg(QString::fromLatin1(kTables[t]))
                                       .toUtf8();
            if (sqlite3_prepare_v3(db_, sql.constData(), -1, SQLITE_PREPARE_PERSISTENT, &insert_[t], nullptr) !=
                SQLITE_OK)
                throw Error(QString::fromUtf8(sqlite3_errmsg(db_)));
        }
    } catch (const Error&) {
        close();  // not a working database
        return false;
    }
    return true;
}

void MeasurementDatabase::finalizeStatements()
{
    for (sqlite3_stmt*& stmt : insert_) {
        sqlite3_finalize(stmt);
        stmt = nullptr;
    }
}

void MeasurementDatabase::close()
{
    finalizeStatements();
    if (db_) {
        sqlite3_close(db_);
        db_ = nullptr;
    }
}

void MeasurementDatabase::createFromSchema(const QString& path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        throw Error(QStringLiteral("cannot create %1: %2").arg(path, message));
    }
    char* error = nullptr;
    const int rc = sqlite3_exec(db, kWorkingDatabaseSchema, nullptr, nullptr, &error);
    const QString message = error ? QString::fromUtf8(error) : QString();
    sqlite3_free(error);
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        throw Error(QStringLiteral("cannot create %1: %2").arg(path, message));
}

void MeasurementDatabase::execute(const char* sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = error ? QString::fromUtf8(error) : QString::fromUtf8(sqlite3_errmsg(db_));
        sqlite3_free(error);
        throw Error(message);
    }
}

void MeasurementDatabase::ClearTable(TableId table)
{
    if (!db_)
        return;
    execute(QStringLiteral("delete from %1").arg(tableName(table)).toUtf8().constData());
    emit tableReset(table);
}

void MeasurementDatabase::ClearAllTables()
{
    for (TableId table : {TableMeaData, TableGetRecorde, TableLoadData})
        ClearTable(table);
}

void MeasurementDatabase::appendRow(TableId table, const ReadingRow& row)
{
    if (!db_)
        return;
    sqlite3_stmt* stmt = insert_[table];
    const QByteArray date = row.NDate.toUtf8();
    const QByteArray time = row.NTime.toUtf8();
    const QByteArray value = row.MeaValue.toUtf8();
    const QByteArray weight = row.Weight.toUtf8();
    sqlite3_bind_text(stmt, 1, date.constData(), static_cast<int>(date.size()), SQLITE_STATIC);
    sqlite3_bind_text(stmt, 2, time.constData(), static_cast<int>(time.size()), SQLITE_STATIC);
    sqlite3_bind_text(stmt, 3, value.constData(), static_cast<int>(value.size()), SQLITE_STATIC);
    sqlite3_bind_text(stmt, 4, weight.constData(), static_cast<int>(weight.size()), SQLITE_STATIC);
    sqlite3_bind_int(stmt, 5, row.RecNo);
    const int rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    if (rc != SQLITE_DONE)
        throw Error(QString::fromUtf8(sqlite3_errmsg(db_)));
    emit rowAppended(table, row);
}

qint64 MeasurementDatabase::rowCount(TableId table) const
{
    if (!db_)
        return 0;
    Statement count(db_, QStringLiteral("select count(*) from %1").arg(tableName(table)));
    return count.step() ? sqlite3_column_int64(count.get(), 0) : 0;
}

bool MeasurementDatabase::isEmpty(TableId table) const
{
    if (!db_)
        return true;
    Statement any(db_, QStringLiteral("select exists (select 1 from %1)").arg(tableName(table)));
    return !(any.step() && sqlite3_column_int(any.get(), 0) != 0);
}

void MeasurementDatabase::forEachRow(TableId table, const std::function<void(const ReadingRow&)>& visit) const
{
    if (!db_)
        return;
    Statement walk(db_, QStringLiteral("select NDate, NTime, MeaValue, Weight, RecNo from %1 order by RecNo")
                            .arg(tableName(table)));
    while (walk.step())
        visit(rowFrom(walk.get()));
}

std::vector<ReadingRow> MeasurementDatabase::select(const QString& sql) const
{
    std::vector<ReadingRow> result;
    if (!db_)
        return result;
    Statement query(db_, sql);
    while (query.step())
        result.push_back(rowFrom(query.get()));
    return result;
}

std::vector<ReadingRow> MeasurementDatabase::rows(TableId table) const
{
    std::vector<ReadingRow> result;
    forEachRow(table, [&result](const ReadingRow& row) { result.push_back(row); });
    return result;
}

std::vector<ReadingRow> MeasurementDatabase::rowsFrom(TableId table, qint32 fromRecNo, int limit) const
{
    std::vector<ReadingRow> result;
    if (!db_ || limit <= 0)
        return result;
    Statement page(db_, QStringLiteral("select NDate, NTime, MeaValue, Weight, RecNo from %1 where RecNo >= ?1 "
                                       "order by RecNo limit ?2")
                            .arg(tableName(table)));
    sqlite3_bind_int(page.get(), 1, fromRecNo);
    sqlite3_bind_int(page.get(), 2, limit);
    result.reserve(static_cast<size_t>(limit));
    while (page.step())
        result.push_back(rowFrom(page.get()));
    return result;
}

MeasurementDatabase::Extent MeasurementDatabase::extent(TableId table) const
{
    Extent result;
    if (!db_)
        return result;
    Statement query(db_, QStringLiteral("select count(*), min(RecNo), max(RecNo) from %1").arg(tableName(table)));
    if (query.step()) {
        result.count = sqlite3_column_int64(query.get(), 0);
        result.firstRecNo = sqlite3_column_int(query.get(), 1);
        result.lastRecNo = sqlite3_column_int(query.get(), 2);
    }
    return result;
}

std::vector<qint32> MeasurementDatabase::recNoEvery(TableId table, int step) const
{
    std::vector<qint32> result;
    if (!db_ || step <= 0)
        return result;
    Statement walk(db_, QStringLiteral("select RecNo from %1 order by RecNo").arg(tableName(table)));
    for (qint64 n = 0; walk.step(); ++n) {
        if (n % step == 0)
            result.push_back(sqlite3_column_int(walk.get(), 0));
    }
    return result;
}

std::vector<ReadingRow> MeasurementDatabase::importQuery() const
{
    return select(QStringLiteral("select * from GetRecorde Order By RecNo"));
}

QList<MeasurementDatabase::Column> MeasurementDatabase::columns(TableId table) const
{
    QList<Column> result;
    if (!db_)
        return result;
    Statement info(db_, QStringLiteral("pragma table_info(%1)").arg(tableName(table)));
    while (info.step())
        result.append({text(sqlite3_column_text(info.get(), 1)), text(sqlite3_column_text(info.get(), 2))});
    return result;
}

void MeasurementDatabase::bulkLoad(TableId table, const char* statement, const QString& stagingPath)
{
    if (!db_)
        return;
    // One statement appends the whole file; a field that does not convert
    // fails it before any row is added.
    Statement insert(db_, QString::fromLatin1(statement));
    const QByteArray path = stagingPath.toUtf8();
    sqlite3_bind_text(insert.get(), 1, path.constData(), static_cast<int>(path.size()), SQLITE_STATIC);
    insert.step();
    emit tableReset(table);
}

void MeasurementDatabase::PostDateTimeRecnoWeight(const QString& stagingPath)
{
    bulkLoad(TableGetRecorde,
             "Insert INTO GetRecorde (NDate, NTime, MeaValue, Weight, RecNo) "
             "select NDate, NTime, MeaValue, Weight, RecNo from staging_file(?1)",
             stagingPath);
}

void MeasurementDatabase::PostLoadData(const QString& stagingPath)
{
    bulkLoad(TableLoadData,
             "Insert INTO LoadData (NDate, NTime, MeaValue, Weight, RecNo) "
             "select NDate, NTime, MeaValue, Weight, RecNo from staging_file(?1)",
             stagingPath);
}

}  // namespace sonavistor
