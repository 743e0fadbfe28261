#pragma once
// The single-instance rule: a lock file named after the application title in
// the user's runtime folder. A crashed instance leaves a stale lock, which the
// next start recognises (its process is gone) and takes over.

#include <QLockFile>
#include <QString>

#include <memory>

namespace sonavistor {

class SingleInstance {
public:
    // folder: where the lock lives; empty means the user's runtime folder.
    explicit SingleInstance(const QString& title, const QString& folder = QString());

    // True when this process now holds the lock; waits at most 100 ms for it.
    bool acquire();
    bool held() const { return lock_ && lock_->isLocked(); }
    const QString& lockPath() const { return path_; }

    // Whether another process holds the lock right now (this one does not take it).
    static bool heldByAnother(const QString& title, const QString& folder = QString());

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

QString lockFilePath(const QString& title, const QString& folder);

}  // namespace sonavistor
