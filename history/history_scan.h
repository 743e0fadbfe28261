#pragma once
// Bringing the index up to date with a folder: every saved file (*.qrv) in
// it and its subfolders is listed; files the index does not know, or knows
// with another size or modification time, are read in parallel on all
// cores; files gone from the folder leave the index. The index is written on
// the calling thread only, each file with its days in one transaction, so a
// cancelled scan leaves every file either as it was or fully updated.

#include "history/history_index.h"

#include <QString>

#include <atomic>
#include <functional>
#include <vector>

namespace sonavistor {

struct ListedFile {
    QString path;  // absolute, clean
    FileStamp stamp;
};

// The saved files (*.qrv in any letter case) in folder and its subfolders, by path.
std::vector<ListedFile> listSavedFiles(const QString& folder);

struct ScanReport {
    int listed = 0;
    int read = 0;       // read in this scan (new or changed files)
    int problems = 0;   // of those, files that could not be read
    int removed = 0;    // gone from the folder, dropped from the index
    bool cancelled = false;
};

struct ScanOptions {
    int threads = 0;                   // 0: one per core
    const std::atomic<bool>* cancel = nullptr;
    // Called on the calling thread after each file is stored: files read so
    // far, files to read in all.
    std::function<void(int done, int total)> progress;
};

ScanReport scanHistoryFolder(HistoryIndex& index, const QString& folder, const ScanOptions& options = {});

}  // namespace sonavistor
