#include "common/whole_file.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sonavistor {

namespace whole_file_testing {
namespace {
// Test-only fault plan; see the header. Plain state: the writers run on the
// UI thread or in a command-line tool's only thread.
struct FaultPlan {
    Operation operation = Operation::Open;
    int k = 0;      // 0: no fault planned
    int error = 0;
    int counts[5] = {};
};
FaultPlan plan;
}  // namespace

void failAt(Operation operation, int k, int error)
{
    plan = FaultPlan{operation, k, error, {}};
}

void clear() { plan = FaultPlan{}; }

int count(Operation operation) { return plan.counts[static_cast<int>(operation)]; }

// Counts one operation; returns the errno to fail it with, or 0.
static int injected(Operation operation)
{
    const int n = ++plan.counts[static_cast<int>(operation)];
    if (plan.k > 0 && plan.operation == operation && plan.k == n) {
        plan.k = 0;
        return plan.error;
    }
    return 0;
}
}  // namespace whole_file_testing

namespace {

using whole_file_testing::Operation;

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// A symbolic link is followed: the file it names is replaced, the link stays.
QString resolvedTarget(const QString& target)
{
    const QFileInfo info(target);
    if (info.isSymLink()) {
        const QString linked = info.symLinkTarget();
        if (!linked.isEmpty())
            return linked;
    }
    return target;
}

}  // namespace

QString writeFailureMessage(const QString& path, const QString& reason)
{
    return QStringLiteral("Cannot write file \"%1\". %2").arg(QDir::toNativeSeparators(path), reason);
}

WholeFile::WholeFile(const QString& target) : target_(resolvedTarget(target))
{
    const QFileInfo info(target_);
    const QString folder = info.absolutePath();
    // Created with O_EXCL under a fresh name, mode 0666 less the umask, as a
    // plain new file would be; an existing target's mode is kept below.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = QStringLiteral("%1/.%2.%3.tmp")
                                 .arg(folder, info.fileName())
                                 .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        int error = whole_file_testing::injected(Operation::Open);
        if (error == 0) {
            fd_ = ::open(QFile::encodeName(name).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            error = fd_ < 0 ? errno : 0;
        }
        if (error == EEXIST)
            continue;
        if (error != 0)
            throw Error(writeFailureMessage(target_, systemReason(error)));
        temporary_ = name;
        break;
    }
    if (fd_ < 0)
        throw Error(writeFailureMessage(target_, systemReason(EEXIST)));
    if (info.exists()) {
        struct stat old {};
        if (::stat(QFile::encodeName(target_).constData(), &old) == 0)
            ::fchmod(fd_, old.st_mode & 07777);
    }
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

WholeFile::~WholeFile()
{
    if (!committed_)
        discard();
}

void WholeFile::discard()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.isEmpty()) {
        ::unlink(QFile::encodeName(temporary_).constData());
        temporary_.clear();
    }
    if (isOpen())
        QIODevice::close();
}

void WholeFile::fail(const QString& reason)
{
    if (failure_.isEmpty())
        failure_ = writeFailureMessage(target_, reason);
    discard();
    throw Error(failure_);
}

void WholeFile::writeAll(const char* data, qint64 size)
{
    if (!failure_.isEmpty() || fd_ < 0)
        throw Error(failure_.isEmpty() ? writeFailureMessage(target_, QStringLiteral("The file is closed."))
                                       : failure_);
    qint64 done = 0;
    while (done < size) {
        int error = whole_file_testing::injected(Operation::Write);
        ssize_t n = -1;
        if (error == 0) {
            n = ::write(fd_, data + done, static_cast<size_t>(size - done));
            if (n < 0 && errno == EINTR)
                continue;
            error = n < 0 ? errno : 0;
        }
        if (error != 0)
            fail(systemReason(error));
        if (n == 0)
            fail(systemReason(ENOSPC));  // a write that makes no progress: the disk took nothing
        done += n;  // a short write goes on from where it stopped
    }
}

qint64 WholeFile::writeData(const char* data, qint64 size)
{
    try {
        writeAll(data, size);
        return size;
    } catch (const Error&) {
        setErrorString(failure_);
        return -1;
    }
}

void WholeFile::commit()
{
    if (!failure_.isEmpty() || fd_ < 0)
        throw Error(failure_.isEmpty() ? writeFailureMessage(target_, QStringLiteral("The file is closed."))
                                       : failure_);
    int error = whole_file_testing::injected(Operation::Flush);
    if (error == 0 && ::fsync(fd_) != 0)
        error = errno;
    if (error != 0)
        fail(systemReason(error));

    error = whole_file_testing::injected(Operation::Close);
    const int fd = fd_;
    fd_ = -1;
    if (error == 0 && ::close(fd) != 0)
        error = errno;
    else if (error != 0)
        ::close(fd);
    if (error != 0)
        fail(systemReason(error));

    error = whole_file_testing::injected(Operation::Rename);
    if (error == 0 && ::rename(QFile::encodeName(temporary_).constData(), QFile::encodeName(target_).constData()) != 0)
        error = errno;
    if (error != 0)
        fail(systemReason(error));
    temporary_.clear();
    committed_ = true;
    QIODevice::close();

    // The rename itself reaches the disk with the folder; a folder that cannot
    // be synced (some network file systems) still holds the new file.
    const int folder = ::open(QFile::encodeName(QFileInfo(target_).absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

void writeWholeFile(const QString& target, QByteArrayView bytes)
{
    WholeFile file(target);
    file.writeAll(bytes);
    file.commit();
}

}  // namespace sonavistor
