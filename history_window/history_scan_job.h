#pragma once
// The folder scan off the window's thread: the scan and its index writes run
// on a thread of their own (with their own index connection), progress and
// the result come back as queued signals. A start while a scan runs is done
// once that scan has ended.

#include "history/history_scan.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <thread>

namespace sonavistor {

struct ScanResult {
    QString folder;
    ScanReport report;
    std::vector<IndexedFile> files;  // everything indexed under the folder after the scan
    QString error;                   // the index could not be used; files is empty
};

class HistoryScanJob : public QObject {
    Q_OBJECT
public:
    HistoryScanJob(QString indexPath, QObject* parent = nullptr);
    ~HistoryScanJob() override;

    void start(const QString& folder);
    void cancel();
    bool running() const { return running_; }

signals:
    void progress(int done, int total);
    void finished(const std::shared_ptr<const ScanResult>& result);

private:
    void launch();
    void join();

    QString indexPath_;
    QString folder_;
    bool running_ = false;
    bool again_ = false;
    std::atomic<bool> cancel_{false};
    std::thread thread_;
};

}  // namespace sonavistor
