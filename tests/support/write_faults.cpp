#include "tests/support/write_faults.h"

#include "common/error.h"
#include "common/whole_file.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <set>

namespace sonavistor::test {

namespace {

using whole_file_testing::Operation;

// Where k runs: all of a small count, else both ends and a spread between.
std::set<int> sampleOf(int n)
{
    constexpr int kAll = 12;
    std::set<int> ks;
    if (n <= kAll) {
        for (int k = 1; k <= n; ++k)
            ks.insert(k);
        return ks;
    }
    for (int k = 1; k <= 3; ++k) {
        ks.insert(k);
        ks.insert(n + 1 - k);
    }
    for (int step = 1; step <= 6; ++step)
        ks.insert(1 + (n - 1) * step / 7);
    return ks;
}

void restore(const QString& folder, const QMap<QString, QByteArray>& files)
{
    for (const QString& name : folderFiles(folder).keys()) {
        if (!files.contains(name))
            QFile::remove(QDir(folder).filePath(name));
    }
    for (auto it = files.begin(); it != files.end(); ++it) {
        QFile file(QDir(folder).filePath(it.key()));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(it.value()) != it.value().size())
            ADD_FAILURE() << "cannot restore " << it.key().toStdString();
    }
}

const char* nameOf(Operation operation)
{
    static const char* const names[] = {"open", "write", "sync", "close", "rename"};
    return names[static_cast<int>(operation)];
}

}  // namespace

QMap<QString, QByteArray> folderFiles(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        files.insert(QDir(folder).relativeFilePath(path), file.open(QIODevice::ReadOnly) ? file.readAll() : "?");
    }
    return files;
}

QString errorOf(const std::function<void()>& write)
{
    try {
        write();
    } catch (const Error& e) {
        return e.message();
    }
    return {};
}

int expectEveryFaultLeavesTheFolder(const QString& folder, const std::function<QString()>& write)
{
    const QMap<QString, QByteArray> before = folderFiles(folder);
    whole_file_testing::clear();
    const QString clean = write();
    EXPECT_TRUE(clean.isEmpty()) << "without a fault: " << clean.toStdString();
    int counts[5];
    for (Operation op : {Operation::Open, Operation::Write, Operation::Flush, Operation::Close, Operation::Rename})
        counts[static_cast<int>(op)] = whole_file_testing::count(op);
    EXPECT_GT(counts[static_cast<int>(Operation::Rename)], 0) << "the writer never replaced a file";

    // A reason for each kind, so that the message is seen to carry the one met.
    const std::pair<Operation, int> faults[] = {{Operation::Open, EACCES}, {Operation::Write, ENOSPC},
                                                {Operation::Flush, EIO}, {Operation::Close, ENOSPC},
                                                {Operation::Rename, EROFS}};
    int runs = 0;
    for (const auto& [op, error] : faults) {
        for (int k : sampleOf(counts[static_cast<int>(op)])) {
            restore(folder, before);
            whole_file_testing::failAt(op, k, error);
            const QString reported = write();
            whole_file_testing::clear();
            ++runs;
            const std::string where = std::string(nameOf(op)) + " " + std::to_string(k) + " failing";
            EXPECT_TRUE(reported.contains(QString::fromLocal8Bit(std::strerror(error))))
                << where << ": reported \"" << reported.toStdString() << "\"";
            EXPECT_FALSE(reported.contains("Unknown error")) << where;
            const QMap<QString, QByteArray> after = folderFiles(folder);
            EXPECT_EQ(after.keys(), before.keys()) << where;
            EXPECT_TRUE(after == before) << where << ": a file's bytes changed";
        }
    }
    restore(folder, before);
    return runs;
}

}  // namespace sonavistor::test
