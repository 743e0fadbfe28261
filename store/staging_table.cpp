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

// A field of the file's content: offset and length; length -1 is null.
struct FieldSpan {
    qsizetype offset = 0;
    qsizetype length = -1;
};

struct StagedRow {
    std::array<FieldSpan, kColumnCount> text;
    qint64 recNo = 0;
};

struct StagingCursor {
    sqlite3_vtab_cursor base;  // must come first
    QByteArray content;        // the whole file; rows point into it
    std::vector<StagedRow> rows;
    size_t at = 0;
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The field from begin to end without surrounding blanks.
FieldSpan trimmedSpan(const QByteArray& content, qsizetype begin, qsizetype end)
{
    while (begin < end && isBlank(content[begin]))
        ++begin;
    while (end > begin && isBlank(content[end - 1]))
        --end;
    return {begin, end - begin};
}

std::optional<qint64> toInteger(QByteArrayView text)
{
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    const qint64 value = text.toLongLong(&ok, 10);
    if (!ok || value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return value;
}

QByteArray trimmed(const QByteArray& field)
{
    const FieldSpan span = trimmedSpan(field, 0, field.size());
    return field.mid(span.offset, span.length);
}

// Reads and converts the whole file; on failure returns a message for the statement.
std::optional<QByteArray> readStagingFile(const QString& path, QByteArray& content, std::vector<StagedRow>& rows)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read the staging file %1: %2").arg(path, file.errorString()).toUtf8();
    content = file.readAll();

    // Lines end with LF, optionally preceded by CR; the last line end is optional.
    qsizetype at = 0;
    const auto nextLine = [&content, &at](qsizetype& begin, qsizetype& end) {
        if (at >= content.size())
            return false;
        begin = at;
        qsizetype newline = content.indexOf('\n', at);
        if (newline < 0)
            newline = content.size();
        end = newline;
        if (end > begin && content[end - 1] == '\r')
            --end;
        at = newline + 1;
        return true;
    };

    qsizetype begin = 0;
    qsizetype end = 0;
    if (!nextLine(begin, end))
        return QByteArray("the staging file has no header line");

    // Which column each field of a line fills.
    std::vector<int> fieldColumn;
    for (const QByteArray& rawName : content.mid(begin, end - begin).split(',')) {
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

    rows.reserve(static_cast<size_t>(content.count('\n')));
    int lineNumber = 1;
    while (nextLine(begin, end)) {
        ++lineNumber;
        const auto where = [lineNumber] { return "staging file line " + QByteArray::number(lineNumber); };
        StagedRow row;
        bool haveRecNo = false;
        size_t field = 0;
        qsizetype fieldBegin = begin;
        for (qsizetype i = begin; i <= end; ++i) {
            if (i < end && content[i] != ',')
                continue;
            if (field >= fieldColumn.size())
                return where() + " has more fields than the header";
            const FieldSpan span = trimmedSpan(content, fieldBegin, i);
            const int column = fieldColumn[field];
            if (column == kRecNoColumn) {
                const QByteArrayView text(content.constData() + span.offset, span.length);
                const auto recNo = toInteger(text);
                if (!recNo)
                    return where() + ": '" + text.toByteArray() + "' is not a valid RecNo";
                row.recNo = *recNo;
                haveRecNo = true;
            } else if (span.length > 0) {
                row.text[static_cast<size_t>(column)] = span;
            }
            ++field;
            fieldBegin = i + 1;
        }
        if (field != fieldColumn.size())
            return where() + " has " + QByteArray::number(static_cast<qsizetype>(field)) +
                   " fields, the header " + QByteArray::number(static_cast<qsizetype>(fieldColumn.size()));
        if (!haveRecNo)
            return where() + " has no RecNo";
        rows.push_back(row);
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
    if (const auto error = readStagingFile(path, c->content, c->rows)) {
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
    } else if (column >= 0 && column < kColumnCount && row.text[static_cast<size_t>(column)].length >= 0) {
        // The content lives as long as the cursor; SQLite copies what it keeps.
        const FieldSpan& span = row.text[static_cast<size_t>(column)];
        sqlite3_result_text(context, c->content.constData() + span.offset, static_cast<int>(span.length),
                            SQLITE_TRANSIENT);
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
