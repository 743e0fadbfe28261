#include "common/single_instance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QThread>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <sys/stat.h>

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
    // Without XDG_RUNTIME_DIR the fallback folder may not exist yet; it is
    // made as the XDG base directory rules want a runtime folder: the
    // user's alone (0700).
    const QString folder = QFileInfo(path_).absolutePath();
    if (!QFileInfo::exists(folder))
        ::mkdir(QFile::encodeName(folder).constData(), 0700);
    lock_ = std::make_unique<QLockFile>(path_);
    // Never stale by age: a long run must keep its lock. A lock whose process
    // has died is still recognised as stale and removed.
    lock_->setStaleLockTime(0);
    return lock_->tryLock(100);
}

bool SingleInstance::heldByAnother(const QString& title, const QString& folder)
{
    // Only read the lock file: a probe that took the lock, even for a moment,
    // would make the owner's own start or another probe see it as taken.
    const QString path = lockFilePath(title, folder);
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (!QFileInfo::exists(path))
            return false;
        qint64 pid = 0;
        QString host;
        QString app;
        if (QLockFile(path).getLockInfo(&pid, &host, &app) && pid > 0) {
            if (!host.isEmpty() && host != QSysInfo::machineHostName())
                return true;  // another machine's process cannot be asked
            return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
        }
        // Just created and not yet written, or just removed: look again.
        QThread::msleep(10);
    }
    // Present but unreadable for 50 ms: leave the verdict to the lock itself.
    QLockFile probe(path);
    probe.setStaleLockTime(0);
    if (probe.tryLock(0)) {
        probe.unlock();
        return false;
    }
    return probe.error() == QLockFile::LockFailedError;
}

}  // namespace sonavistor
