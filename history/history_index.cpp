#include "history/history_index.h"

#include "common/error.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sqlite3.h>

#include <cstring>

namespace sonavistor {

namespace {

// The layout of the tables and the figures in them: an index of any other
// version is made anew.
constexpr int kLayoutVersion = 2;
constexpr int kIndexVersion = kLayoutVersion * 1000 + kFiguresVersion;

constexpr char kSchema[] =
    "CREATE TABLE files(path TEXT PRIMARY KEY, size INTEGER NOT NULL, modified INTEGER NOT NULL,"
    " problem TEXT NOT NULL, weighting TEXT NOT NULL, readings INTEGER NOT NULL, reads INTEGER NOT NULL);"
    "CREATE TABLE days(path TEXT NOT NULL, date INTEGER NOT NULL, rows INTEGER NOT NULL, coverage REAL NOT NULL,"
    " leq REAL, lmax REAL, l90 REAL, lden REAL, lday REAL, levening REAL, lnight REAL, events INTEGER,"
    " hours BLOB NOT NULL, PRIMARY KEY(path, date));";

// One prepared statement, finalised however the caller leaves.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) : db_(db)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &s_, nullptr) != SQLITE_OK)
            throw Error(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    ~Statement() { sqlite3_finalize(s_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(int i, const QString& text)
    {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(s_, i, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    }
    void bind(int i, qint64 value) { sqlite3_bind_int64(s_, i, value); }
    void bind(int i, const std::optional<double>& value)
    {
        value ? sqlite3_bind_double(s_, i, *value) : sqlite3_bind_null(s_, i);
    }
    void bind(int i, const std::optional<long long>& value)
    {
        value ? sqlite3_bind_int64(s_, i, *value) : sqlite3_bind_null(s_, i);
    }
    void bindBlob(int i, const QByteArray& bytes)
    {
        sqlite3_bind_blob(s_, i, bytes.constData(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
    }
    // True while there is a row.
    bool step()
    {
        const int rc = sqlite3_step(s_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            throw Error(QString::fromUtf8(sqlite3_errmsg(db_)));
        return false;
    }
    QString text(int c) const
    {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s_, c)), sqlite3_column_bytes(s_, c));
    }
    qint64 integer(int c) const { return sqlite3_column_int64(s_, c); }
    std::optional<double> real(int c) const
    {
        return sqlite3_column_type(s_, c) == SQLITE_NULL ? std::nullopt : std::optional(sqlite3_column_double(s_, c));
    }
    std::optional<long long> count(int c) const
    {
        return sqlite3_column_type(s_, c) == SQLITE_NULL ? std::nullopt : std::optional<long long>(integer(c));
    }
    void reset()
    {
        sqlite3_reset(s_);
        sqlite3_clear_bindings(s_);
    }
    QByteArray blob(int c) const
    {
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(s_, c)), sqlite3_column_bytes(s_, c));
    }

private:
    sqlite3* db_;
    sqlite3_stmt* s_ = nullptr;
};

// The 24 cells as they are kept: count, Leq, Lmax, L90 each, native order.
QByteArray hoursBlob(const std::array<HourFigures, 24>& hours)
{
    QByteArray bytes;
    bytes.reserve(24 * 32);
    for (const HourFigures& h : hours) {
        const qint64 count = h.count;
        bytes.append(reinterpret_cast<const char*>(&count), sizeof count);
        for (double v : {h.leq, h.lmax, h.l90})
            bytes.append(reinterpret_cast<const char*>(&v), sizeof v);
    }
    return bytes;
}

std::array<HourFigures, 24> hoursOf(const QByteArray& bytes)
{
    std::array<HourFigures, 24> hours{};
    if (bytes.size() != 24 * 32)
        return hours;
    const char* p = bytes.constData();
    for (HourFigures& h : hours) {
        qint64 count = 0;
        std::memcpy(&count, p, 8);
        std::memcpy(&h.leq, p + 8, 8);
        std::memcpy(&h.lmax, p + 16, 8);
        std::memcpy(&h.l90, p + 24, 8);
        h.count = count;
        p += 32;
    }
    return hours;
}

// Paths under folder sort between "folder/" and "folder0" ('0' follows '/').
std::pair<QString, QString> folderRange(const QString& folder)
{
    QString base = QDir::cleanPath(folder);
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    QString end = base;
    end.back() = QLatin1Char('0');
    return {base, end};
}

constexpr char kDaysColumns[] =
    "SELECT path, date, rows, coverage, leq, lmax, l90, lden, lday, levening, lnight, events, hours FROM days ";

HistoryDay dayOf(const Statement& s)
{
    HistoryDay d;
    d.date = QDate::fromJulianDay(s.integer(1));
    d.rows = s.integer(2);
    d.coverage = s.real(3).value_or(0);
    d.leq = s.real(4);
    d.lmax = s.real(5);
    d.l90 = s.real(6);
    d.lden = s.real(7);
    d.lday = s.real(8);
    d.levening = s.real(9);
    d.lnight = s.real(10);
    d.events = s.count(11);
    d.hours = hoursOf(s.blob(12));
    return d;
}

IndexedFile fileOf(const Statement& s)
{
    IndexedFile f;
    f.path = s.text(0);
    f.stamp = {s.integer(1), s.integer(2)};
    f.problem = s.text(3);
    f.weighting = s.text(4).isEmpty() ? 'A' : s.text(4).at(0).toLatin1();
    f.readings = s.integer(5);
    f.reads = s.integer(6);
    return f;
}

constexpr char kFilesColumns[] = "SELECT path, size, modified, problem, weighting, readings, reads FROM files ";

}  // namespace

QString HistoryIndex::defaultPath()
{
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty() || !QDir::isAbsolutePath(cache))
        cache = QDir::homePath() + QStringLiteral("/.cache");
    return cache + QStringLiteral("/sonavistor/history.db");
}

HistoryIndex::HistoryIndex(const QString& path) : path_(path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    try {
        open(false);
        Statement version(db_, "PRAGMA user_version");
        version.step();
        const qint64 found = version.integer(0);
        if (found == kIndexVersion) {
            Statement check(db_, "PRAGMA quick_check");
            if (check.step() && check.text(0) == QLatin1String("ok"))
                return;
        } else if (found == 0) {
            Statement tables(db_, "SELECT count(*) FROM sqlite_master");
            tables.step();
            if (tables.integer(0) == 0) {  // a new, empty file
                execute(kSchema);
                execute(("PRAGMA user_version = " + std::to_string(kIndexVersion)).c_str());
                return;
            }
        }
    } catch (const Error&) {
        // Not a database, or a damaged one: made anew below.
    }
    close();
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        QFile::remove(path + QLatin1String(suffix));
    rebuilt_ = true;
    open(true);
    execute(kSchema);
    execute(("PRAGMA user_version = " + std::to_string(kIndexVersion)).c_str());
}

HistoryIndex::~HistoryIndex()
{
    close();
}

void HistoryIndex::open(bool fresh)
{
    if (sqlite3_open_v2(path_.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        const QString reason = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("out of memory");
        close();
        throw Error(QStringLiteral("Cannot open the noise history index \"%1\". %2").arg(path_, reason));
    }
    // The window and the command-line tool may use the index at the same time.
    sqlite3_busy_timeout(db_, 5000);
    try {
        execute("PRAGMA journal_mode = WAL");
        execute("PRAGMA synchronous = NORMAL");
    } catch (const Error&) {
        if (fresh)
            fail(QStringLiteral("cannot be prepared"));
        throw;
    }
}

void HistoryIndex::close()
{
    if (db_)
        sqlite3_close_v2(db_);
    db_ = nullptr;
}

void HistoryIndex::execute(const char* sql)
{
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        const QString reason = QString::fromUtf8(message ? message : sqlite3_errmsg(db_));
        sqlite3_free(message);
        throw Error(reason);
    }
}

void HistoryIndex::fail(const QString& what) const
{
    throw Error(QStringLiteral("The noise history index \"%1\" %2. %3")
                    .arg(path_, what, QString::fromUtf8(sqlite3_errmsg(db_))));
}

std::map<QString, FileStamp> HistoryIndex::stamps(const QString& folder) const
{
    const auto [from, to] = folderRange(folder);
    Statement s(db_, "SELECT path, size, modified FROM files WHERE path >= ?1 AND path < ?2");
    s.bind(1, from);
    s.bind(2, to);
    std::map<QString, FileStamp> out;
    while (s.step())
        out.emplace(s.text(0), FileStamp{s.integer(1), s.integer(2)});
    return out;
}

std::vector<IndexedFile> HistoryIndex::files(const QString& folder) const
{
    const auto [from, to] = folderRange(folder);
    std::vector<IndexedFile> out;
    std::map<QString, size_t> at;
    {
        Statement s(db_, (QByteArray(kFilesColumns) + "WHERE path >= ?1 AND path < ?2 ORDER BY path").constData());
        s.bind(1, from);
        s.bind(2, to);
        while (s.step()) {
            at.emplace(s.text(0), out.size());
            out.push_back(fileOf(s));
        }
    }
    Statement s(db_, (QByteArray(kDaysColumns) + "WHERE path >= ?1 AND path < ?2 ORDER BY path, date").constData());
    s.bind(1, from);
    s.bind(2, to);
    while (s.step()) {
        const auto file = at.find(s.text(0));
        if (file != at.end())
            out[file->second].days.push_back(dayOf(s));
    }
    return out;
}

std::optional<IndexedFile> HistoryIndex::file(const QString& path) const
{
    Statement s(db_, (QByteArray(kFilesColumns) + "WHERE path = ?1").constData());
    s.bind(1, path);
    if (!s.step())
        return std::nullopt;
    IndexedFile f = fileOf(s);
    Statement d(db_, (QByteArray(kDaysColumns) + "WHERE path = ?1 ORDER BY date").constData());
    d.bind(1, path);
    while (d.step())
        f.days.push_back(dayOf(d));
    return f;
}

void HistoryIndex::begin()
{
    execute("BEGIN IMMEDIATE");
}

void HistoryIndex::commit()
{
    execute("COMMIT");
}

void HistoryIndex::rollback()
{
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void HistoryIndex::storeFile(const QString& path, const FileStamp& stamp, const QString& problem, char weighting,
                             long long readings)
{
    Statement s(db_,
                "INSERT INTO files(path, size, modified, problem, weighting, readings, reads)"
                " VALUES(?1, ?2, ?3, ?4, ?5, ?6, 1) ON CONFLICT(path) DO UPDATE SET size = ?2, modified = ?3,"
                " problem = ?4, weighting = ?5, readings = ?6, reads = reads + 1");
    s.bind(1, path);
    s.bind(2, stamp.size);
    s.bind(3, stamp.modified);
    s.bind(4, problem);
    s.bind(5, QString(QLatin1Char(weighting)));
    s.bind(6, static_cast<qint64>(readings));
    s.step();
    Statement clear(db_, "DELETE FROM days WHERE path = ?1");
    clear.bind(1, path);
    clear.step();
}

void HistoryIndex::store(const QString& path, const FileStamp& stamp, const FileFigures& figures)
{
    storeFile(path, stamp, QString(), figures.weighting, figures.readings);
    Statement s(db_,
                "INSERT INTO days(path, date, rows, coverage, leq, lmax, l90, lden, lday, levening, lnight, events,"
                " hours) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)");
    for (const HistoryDay& d : figures.days) {
        s.bind(1, path);
        s.bind(2, static_cast<qint64>(d.date.toJulianDay()));
        s.bind(3, static_cast<qint64>(d.rows));
        s.bind(4, std::optional<double>(d.coverage));
        s.bind(5, d.leq);
        s.bind(6, d.lmax);
        s.bind(7, d.l90);
        s.bind(8, d.lden);
        s.bind(9, d.lday);
        s.bind(10, d.levening);
        s.bind(11, d.lnight);
        s.bind(12, d.events);
        s.bindBlob(13, hoursBlob(d.hours));
        s.step();
        s.reset();
    }
}

void HistoryIndex::storeProblem(const QString& path, const FileStamp& stamp, const QString& problem)
{
    storeFile(path, stamp, problem, 'A', 0);
}

void HistoryIndex::remove(const QString& path)
{
    for (const char* sql : {"DELETE FROM days WHERE path = ?1", "DELETE FROM files WHERE path = ?1"}) {
        Statement s(db_, sql);
        s.bind(1, path);
        s.step();
    }
}

}  // namespace sonavistor
