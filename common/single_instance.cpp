#include "common/single_instance.h"

#include <QDir>
#include <QStandardPaths>

namespace sonavistor {

QString lockFilePath(const QString& title, const QString& folder)
{
    QString dir = folder;
    // Qt warns on every look-up when the variable is unset; where it is,
    // take the folder Qt would fall back to without asking it.
    if (dir.isEmpty() && qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        dir = QDir::tempPath() + QStringLiteral("/runtime-") + qEnvironmentVariable("USER", QStringLiteral("root"));
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return QDir(dir).filePath(title + QStringLiteral(".lock"));
}

SingleInstance::SingleInstance(const QString& title, const QString& folder)
    : path_(lockFilePath(title, folder))
{
}

bool SingleInstance::acquire()
{
    lock_ = std::make_unique<QLockFile>(path_);
    // Never stale by age: a long run must keep its lock. A lock whose process
    // has died is still recognised as stale and removed.
    lock_->setStaleLockTime(0);
    return lock_->tryLock(100);
}

bool SingleInstance::heldByAnother(const QString& title, const QString& folder)
{
    QLockFile probe(lockFilePath(title, folder));
    probe.setStaleLockTime(0);
    if (probe.tryLock(0)) {
        probe.unlock();
        return false;
    }
    return probe.error() == QLockFile::LockFailedError;
}

}  // namespace sonavistor
