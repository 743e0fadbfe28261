#include "store/staging_table.h"

#include <QByteArray>
#include <QFile>
#include <QList>

#include <sqlite3.h>

#include <array>
#include <optional>
#include <vector>

namespace sonavistor {

namespace {

constexpr int kColumnCount = 5;  // NDate, NTime, MeaValue, Weight, RecNo
constexpr int kRecNoColumn = 4;
constexpr int kPathColumn = 5;   // the hidden argument
constexpr const char* kColumnNames[kColumnCount] = {"NDate", "NTime", "MeaValue", "Weight", "RecNo"};

struct StagedRow {
    std::array<std::optional<QByteArray>, kColumnCount> text;
    qint64 recNo = 0;
};

struct StagingCursor {
    sqlite3_vtab_cursor base;  // must come first
    std::vector<StagedRow> rows;
    size_t at = 0;
};

QByteArray trimmed(const QByteArray& field)
{
    qsizetype begin = 0;
    qsizetype end = field.size();
    while (begin < end && (field[begin] == ' ' || field[begin] == '\t'))
        ++begin;
    while (end > begin && (field[end - 1] == ' ' || field[end - 1] == '\t'))
        --end;
    return field.mid(begin, end - begin);
}

std::optional<qint64> toInteger(const QByteArray& text)
{
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    const qint64 value = text.toLongLong(&ok, 10);
    if (!ok || value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return value;
}

// Reads and converts the whole file; on failure returns a message for the statement.
std::optional<QByteArray> readStagingFile(const QString& path, std::vector<StagedRow>& rows)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read the staging file %1: %2").arg(path, file.errorString()).toUtf8();
    const QByteArray content = file.readAll();
    QList<QByteArray> lines = content.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();  // the line end of the last line
    if (lines.isEmpty())
        return QByteArray("the staging file has no header line");

    const auto lineText = [](QByteArray line) {
        if (line.endsWith('\r'))
            line.chop(1);
        return line;
    };

    // Which column each field of a line fills.
    std::vector<int> fieldColumn;
    for (const QByteArray& rawName : lineText(lines[0]).split(',')) {
        const QByteArray name = trimmed(rawName);
        int column = -1;
        for (int c = 0; c < kColumnCount; ++c) {
            if (qstricmp(name.constData(), kColumnNames[c]) == 0)
                column = c;
        }
        if (column < 0)
            return "the staging file's header names an unknown column '" + name + "'";
        fieldColumn.push_back(column);
    }

    rows.reserve(static_cast<size_t>(lines.size() - 1));
    for (qsizetype n = 1; n < lines.size(); ++n) {
        const QList<QByteArray> fields = lineText(lines[n]).split(',');
        const QByteArray where = "staging file line " + QByteArray::number(n + 1);
        if (fields.size() != static_cast<qsizetype>(fieldColumn.size()))
            return where + " has " + QByteArray::number(fields.size()) + " fields, the header " +
                   QByteArray::number(fieldColumn.size());
        StagedRow row;
        bool haveRecNo = false;
        for (size_t f = 0; f < fieldColumn.size(); ++f) {
            const QByteArray value = trimmed(fields[static_cast<qsizetype>(f)]);
            const int column = fieldColumn[f];
            if (column == kRecNoColumn) {
                const auto recNo = toInteger(value);
                if (!recNo)
                    return where + ": '" + value + "' is not a valid RecNo";
                row.recNo = *recNo;
                haveRecNo = true;
            } else if (!value.isEmpty()) {
                row.text[static_cast<size_t>(column)] = value;
            }
        }
        if (!haveRecNo)
            return where + " has no RecNo";
        rows.push_back(std::move(row));
    }
    return std::nullopt;
}

int stagingConnect(sqlite3* db, void*, int, const char* const*, sqlite3_vtab** table, char**)
{
    const int rc = sqlite3_declare_vtab(
        db, "CREATE TABLE x(NDate TEXT, NTime TEXT, MeaValue TEXT, Weight TEXT, RecNo INTEGER, path HIDDEN)");
    if (rc != SQLITE_OK)
        return rc;
    *table = static_cast<sqlite3_vtab*>(sqlite3_malloc(sizeof(sqlite3_vtab)));
    if (!*table)
        return SQLITE_NOMEM;
    *(*table) = sqlite3_vtab{};
    return SQLITE_OK;
}

int stagingDisconnect(sqlite3_vtab* table)
{
    sqlite3_free(table);
    return SQLITE_OK;
}

int stagingBestIndex(sqlite3_vtab*, sqlite3_index_info* info)
{
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& c = info->aConstraint[i];
        if (c.iColumn == kPathColumn && c.op == SQLITE_INDEX_CONSTRAINT_EQ) {
            if (!c.usable)
                return SQLITE_CONSTRAINT;
            info->aConstraintUsage[i].argvIndex = 1;
            info->aConstraintUsage[i].omit = 1;
            info->estimatedCost = 1000;
            return SQLITE_OK;
        }
    }
    return SQLITE_CONSTRAINT;  // the path argument is required
}

int stagingOpen(sqlite3_vtab*, sqlite3_vtab_cursor** cursor)
{
    auto* c = new (std::nothrow) StagingCursor{};
    if (!c)
        return SQLITE_NOMEM;
    *cursor = &c->base;
    return SQLITE_OK;
}

int stagingClose(sqlite3_vtab_cursor* cursor)
{
    delete reinterpret_cast<StagingCursor*>(cursor);
    return SQLITE_OK;
}

int stagingFilter(sqlite3_vtab_cursor* cursor, int, const char*, int argc, sqlite3_value** argv)
{
    auto* c = reinterpret_cast<StagingCursor*>(cursor);
    c->rows.clear();
    c->at = 0;
    if (argc != 1 || sqlite3_value_type(argv[0]) != SQLITE_TEXT) {
        cursor->pVtab->zErrMsg = sqlite3_mprintf("staging_file needs the path of the staging file");
        return SQLITE_ERROR;
    }
    const QString path = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_value_text(argv[0])));
    if (const auto error = readStagingFile(path, c->rows)) {
        c->rows.clear();
        sqlite3_free(cursor->pVtab->zErrMsg);
        cursor->pVtab->zErrMsg = sqlite3_mprintf("%s", error->constData());
        return SQLITE_ERROR;
    }
    return SQLITE_OK;
}

int stagingNext(sqlite3_vtab_cursor* cursor)
{
    ++reinterpret_cast<StagingCursor*>(cursor)->at;
    return SQLITE_OK;
}

int stagingEof(sqlite3_vtab_cursor* cursor)
{
    const auto* c = reinterpret_cast<StagingCursor*>(cursor);
    return c->at >= c->rows.size();
}

int stagingColumn(sqlite3_vtab_cursor* cursor, sqlite3_context* context, int column)
{
    const auto* c = reinterpret_cast<StagingCursor*>(cursor);
    const StagedRow& row = c->rows[c->at];
    if (column == kRecNoColumn) {
        sqlite3_result_int64(context, row.recNo);
    } else if (column >= 0 && column < kColumnCount && row.text[static_cast<size_t>(column)]) {
        const QByteArray& text = *row.text[static_cast<size_t>(column)];
        sqlite3_result_text(context, text.constData(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    } else {
        sqlite3_result_null(context);
    }
    return SQLITE_OK;
}

int stagingRowid(sqlite3_vtab_cursor* cursor, sqlite3_int64* rowid)
{
    *rowid = static_cast<sqlite3_int64>(reinterpret_cast<StagingCursor*>(cursor)->at);
    return SQLITE_OK;
}

sqlite3_module makeModule()
{
    sqlite3_module m{};
    m.iVersion = 0;
    m.xCreate = nullptr;  // eponymous only: used as a table-valued function
    m.xConnect = stagingConnect;
    m.xBestIndex = stagingBestIndex;
    m.xDisconnect = stagingDisconnect;
    m.xDestroy = stagingDisconnect;
    m.xOpen = stagingOpen;
    m.xClose = stagingClose;
    m.xFilter = stagingFilter;
    m.xNext = stagingNext;
    m.xEof = stagingEof;
    m.xColumn = stagingColumn;
    m.xRowid = stagingRowid;
    return m;
}

const sqlite3_module kStagingModule = makeModule();

}  // namespace

int registerStagingTable(sqlite3* db)
{
    return sqlite3_create_module(db, kStagingFunction, &kStagingModule, nullptr);
}

}  // namespace sonavistor
