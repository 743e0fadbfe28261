#include "history/history_scan.h"

#include "common/error.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

namespace sonavistor {

namespace {

struct ReadResult {
    size_t file = 0;
    std::optional<FileFigures> figures;
    QString problem;
};

// Commits at least this often while a scan runs, so the work done so far
// survives a cancel or a crash without one transaction per file.
constexpr auto kCommitEvery = std::chrono::milliseconds(250);

}  // namespace

std::vector<ListedFile> listSavedFiles(const QString& folder)
{
    std::vector<ListedFile> files;
    QDirIterator it(folder, {QStringLiteral("*.qrv")}, QDir::Files | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (info.suffix().compare(QLatin1String("qrv"), Qt::CaseInsensitive) != 0)
            continue;
        files.push_back({QDir::cleanPath(info.absoluteFilePath()),
                         {info.size(), info.lastModified().toMSecsSinceEpoch()}});
    }
    std::sort(files.begin(), files.end(), [](const ListedFile& a, const ListedFile& b) { return a.path < b.path; });
    return files;
}

ScanReport scanHistoryFolder(HistoryIndex& index, const QString& folder, const ScanOptions& options)
{
    const QString root = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    const std::vector<ListedFile> listed = listSavedFiles(root);
    std::map<QString, FileStamp> known = index.stamps(root);
    ScanReport report;
    report.listed = static_cast<int>(listed.size());

    std::vector<size_t> toRead;
    for (size_t i = 0; i < listed.size(); ++i) {
        const auto k = known.find(listed[i].path);
        if (k == known.end() || !(k->second == listed[i].stamp))
            toRead.push_back(i);
        if (k != known.end())
            known.erase(k);
    }
    index.begin();
    for (const auto& [path, stamp] : known) {
        index.remove(path);
        ++report.removed;
    }
    index.commit();
    const auto cancelled = [&options] { return options.cancel && options.cancel->load(); };
    const int total = static_cast<int>(toRead.size());
    if (options.progress)
        options.progress(0, total);
    if (total == 0)
        return report;

    // Workers take files in turn and hand their results over; this thread
    // alone writes the index.
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const int count = std::clamp(options.threads > 0 ? options.threads : cores, 1, total);
    // Workers keep at most two results each waiting for this thread: reading
    // stays within a file or two of what is stored, so a cancel stops it
    // there and results never pile up behind a slow index.
    const size_t waitingLimit = 2 * static_cast<size_t>(count);
    std::mutex mutex;
    std::condition_variable ready;
    std::condition_variable room;
    std::deque<ReadResult> results;
    std::atomic<size_t> next{0};
    std::atomic<bool> stop{false};
    const auto worker = [&] {
        for (;;) {
            {
                std::unique_lock lock(mutex);
                room.wait(lock, [&] { return results.size() < waitingLimit || stop.load(); });
            }
            const size_t n = next.fetch_add(1);
            if (n >= toRead.size() || stop.load() || cancelled())
                break;
            ReadResult r;
            r.file = toRead[n];
            try {
                r.figures = historyFiguresOf(listed[r.file].path, options.cancel);
            } catch (const HistoryReadCancelled&) {
                break;
            } catch (const Error& e) {
                r.problem = e.message();
            } catch (const std::exception& e) {
                r.problem = QString::fromLocal8Bit(e.what());
            }
            {
                std::lock_guard lock(mutex);
                results.push_back(std::move(r));
            }
            ready.notify_one();
        }
        {
            std::lock_guard lock(mutex);
            results.push_back({SIZE_MAX, std::nullopt, {}});  // this worker is done
        }
        ready.notify_one();
    };
    std::vector<std::jthread> workers;
    for (int i = 0; i < count; ++i)
        workers.emplace_back(worker);

    int running = count;
    bool open = false;
    auto lastCommit = std::chrono::steady_clock::now();
    try {
        while (running > 0) {
            ReadResult r;
            {
                std::unique_lock lock(mutex);
                ready.wait(lock, [&] { return !results.empty(); });
                r = std::move(results.front());
                results.pop_front();
            }
            room.notify_one();
            if (r.file == SIZE_MAX) {
                --running;
                continue;
            }
            if (!open) {
                index.begin();
                open = true;
            }
            const ListedFile& file = listed[r.file];
            if (r.figures) {
                index.store(file.path, file.stamp, *r.figures);
            } else {
                index.storeProblem(file.path, file.stamp, r.problem);
                ++report.problems;
            }
            ++report.read;
            if (std::chrono::steady_clock::now() - lastCommit > kCommitEvery) {
                index.commit();
                open = false;
                lastCommit = std::chrono::steady_clock::now();
            }
            if (options.progress)
                options.progress(report.read, total);
        }
        if (open)
            index.commit();
    } catch (...) {
        {
            std::lock_guard lock(mutex);  // no worker misses it between its test and its wait
            stop = true;
        }
        room.notify_all();
        if (open)
            index.rollback();
        // The workers end with their current file; what they hand over is dropped.
        for (std::jthread& w : workers)
            w.join();
        throw;
    }
    report.cancelled = report.read < total && cancelled();
    return report;
}

}  // namespace sonavistor
