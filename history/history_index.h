#pragma once
// The noise history's index: a small SQLite file in the user's cache folder
// that keeps each saved file's figures under its path, size and modification
// time, so that a folder opened again reads only what is new or changed.
// It holds nothing that cannot be computed again: an index that is damaged,
// or written by another version of the figures, is thrown away and made
// anew without a question.

#include "history/history_figures.h"

#include <QString>

#include <map>
#include <optional>
#include <vector>

struct sqlite3;

namespace sonavistor {

// A file's identity for the index: it is read again when either changes.
struct FileStamp {
    qint64 size = 0;
    qint64 modified = 0;  // ms since the epoch
    bool operator==(const FileStamp&) const = default;
};

struct IndexedFile {
    QString path;
    FileStamp stamp;
    QString problem;       // why the file could not be read; empty when it was
    char weighting = 'A';
    long long readings = 0;
    long long reads = 0;   // how often this file has been read into the index
    std::vector<HistoryDay> days;
};

class HistoryIndex {
public:
    // $XDG_CACHE_HOME/sonavistor/history.db (~/.cache when unset).
    static QString defaultPath();

    // Opens the index, making it (and its folder) when missing and making it
    // anew when it cannot be used. Throws Error when it cannot be made.
    explicit HistoryIndex(const QString& path);
    ~HistoryIndex();
    HistoryIndex(const HistoryIndex&) = delete;
    HistoryIndex& operator=(const HistoryIndex&) = delete;

    const QString& path() const { return path_; }
    // True when opening found a damaged or outdated index and made it anew.
    bool rebuilt() const { return rebuilt_; }

    // The stamps of the indexed files in folder and its subfolders.
    std::map<QString, FileStamp> stamps(const QString& folder) const;
    // Everything indexed in folder and its subfolders, by path.
    std::vector<IndexedFile> files(const QString& folder) const;
    std::optional<IndexedFile> file(const QString& path) const;

    // Writes go in transactions: a file and its days are stored together.
    void begin();
    void commit();
    void rollback();  // after a failure; never throws
    void store(const QString& path, const FileStamp& stamp, const FileFigures& figures);
    void storeProblem(const QString& path, const FileStamp& stamp, const QString& problem);
    void remove(const QString& path);

private:
    void open(bool fresh);
    void close();
    void execute(const char* sql);
    void storeFile(const QString& path, const FileStamp& stamp, const QString& problem, char weighting,
                   long long readings);
    [[noreturn]] void fail(const QString& what) const;

    QString path_;
    sqlite3* db_ = nullptr;
    bool rebuilt_ = false;
};

}  // namespace sonavistor
