#include "history_window/history_scan_job.h"

#include "common/error.h"

#include <QMetaObject>

namespace sonavistor {

HistoryScanJob::HistoryScanJob(QString indexPath, QObject* parent) : QObject(parent), indexPath_(std::move(indexPath))
{
}

HistoryScanJob::~HistoryScanJob()
{
    cancel_ = true;
    join();
}

void HistoryScanJob::join()
{
    if (thread_.joinable())
        thread_.join();
}

void HistoryScanJob::start(const QString& folder)
{
    if (running_ && folder == folder_) {
        again_ = true;
        return;
    }
    if (running_) {
        // Another folder: the scan under way is of no use any more.
        cancel_ = true;
        folder_ = folder;
        again_ = true;
        return;
    }
    folder_ = folder;
    launch();
}

void HistoryScanJob::cancel()
{
    again_ = false;
    cancel_ = true;
}

void HistoryScanJob::launch()
{
    join();
    cancel_ = false;
    running_ = true;
    again_ = false;
    thread_ = std::thread([this, folder = folder_] {
        auto result = std::make_shared<ScanResult>();
        result->folder = folder;
        int shown = -1;
        try {
            HistoryIndex index(indexPath_);
            ScanOptions options;
            options.cancel = &cancel_;
            options.progress = [this, &shown](int done, int total) {
                // Each whole percent once: the window need not repaint for every file.
                const int percent = total > 0 ? done * 100 / total : 100;
                if (percent == shown)
                    return;
                shown = percent;
                QMetaObject::invokeMethod(this, [this, done, total] { emit progress(done, total); },
                                          Qt::QueuedConnection);
            };
            result->report = scanHistoryFolder(index, folder, options);
            result->files = index.files(folder);
        } catch (const Error& e) {
            result->error = e.message();
        } catch (const std::exception& e) {
            result->error = QString::fromLocal8Bit(e.what());
        }
        QMetaObject::invokeMethod(
            this,
            [this, result] {
                running_ = false;
                join();
                emit finished(result);
                if (again_)
                    launch();
            },
            Qt::QueuedConnection);
    });
}

}  // namespace sonavistor
