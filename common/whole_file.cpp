#include "common/whole_file.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <vector>
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
qint64 shortWrite = 0;
FaultPlan plan;
}  // namespace

void failAt(Operation operation, int k, int error)
{
    plan = FaultPlan{operation, k, error, {}};
}

void shortWrites(qint64 bytes) { shortWrite = bytes; }

void clear()
{
    plan = FaultPlan{};
    shortWrite = 0;
}

int count(Operation operation) { return plan.counts[static_cast<int>(operation)]; }

// How much of `size` bytes one write may take.
static qint64 writable(qint64 size)
{
    return shortWrite > 0 && shortWrite < size ? shortWrite : size;
}

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

// A symbolic link is followed (a chain of them too, as far as the system
// would): the file it names is replaced, the links stay.
QString resolvedTarget(const QString& target)
{
    QString path = target;
    for (int depth = 0; depth < 40; ++depth) {
        const QFileInfo info(path);
        if (!info.isSymLink())
            break;
        const QString linked = info.symLinkTarget();
        if (linked.isEmpty())
            break;
        path = linked;
    }
    return path;
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
    if (isOpen())
        QIODevice::close();
}

// The device stays open: a writer that goes on writing after a failure (a
// PDF writer does) gets -1 and the failure, not a warning at every write.
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
            n = ::write(fd_, data + done, static_cast<size_t>(whole_file_testing::writable(size - done)));
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

void WholeFile::finish()
{
    if (!failure_.isEmpty() || (fd_ < 0 && !finished_))
        throw Error(failure_.isEmpty() ? writeFailureMessage(target_, QStringLiteral("The file is closed."))
                                       : failure_);
    if (finished_)
        return;
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
    finished_ = true;
}

void WholeFile::commit()
{
    if (committed_)
        return;
    finish();
    int error = whole_file_testing::injected(Operation::Rename);
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

void commitTogether(std::initializer_list<WholeFile*> files)
{
    for (WholeFile* file : files)
        file->finish();
    // Each old file keeps a second name until all are in place.
    struct Kept {
        QByteArray target;
        QByteArray old;  // empty: there was no old file (or no second name for it)
        bool existed = false;
    };
    std::vector<Kept> kept;
    for (WholeFile* file : files) {
        Kept k{QFile::encodeName(file->target()), QFile::encodeName(file->temporaryPath() + QStringLiteral(".old")),
               QFileInfo::exists(file->target())};
        if (!k.existed || ::link(k.target.constData(), k.old.constData()) != 0)
            k.old.clear();
        kept.push_back(k);
    }
    size_t done = 0;
    try {
        for (WholeFile* file : files) {
            file->commit();
            ++done;
        }
    } catch (const Error&) {
        for (size_t i = 0; i < done; ++i) {
            if (!kept[i].old.isEmpty())
                ::rename(kept[i].old.constData(), kept[i].target.constData());
            else if (!kept[i].existed)
                ::unlink(kept[i].target.constData());
        }
        for (const Kept& k : kept) {
            if (!k.old.isEmpty())
                ::unlink(k.old.constData());
        }
        throw;
    }
    for (const Kept& k : kept) {
        if (!k.old.isEmpty())
            ::unlink(k.old.constData());
    }
}

void writeWholeFile(const QString& target, QByteArrayView bytes)
{
    WholeFile file(target);
    file.writeAll(bytes);
    file.commit();
}

}  // namespace sonavistor
