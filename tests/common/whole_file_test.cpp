// The one writer of every kept file: whole or not at all.
#include "common/whole_file.h"
#include "tests/support/write_faults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>

using namespace sonavistor;
using namespace sonavistor::test;
using whole_file_testing::Operation;

namespace {

QByteArray read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<absent>");
}

void put(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

}  // namespace

TEST(WholeFile, ReplacesTheFileKeepingItsModeAndTheLinkToIt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.txt");
    put(path, "old");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    writeWholeFile(path, "new bytes");
    EXPECT_EQ(read(path), "new bytes");
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    // Through a link the linked file is replaced; the link stays a link.
    const QString link = dir.filePath("link.txt");
    ASSERT_TRUE(QFile::link(path, link));
    writeWholeFile(link, "through the link");
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(read(path), "through the link");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);
}

TEST(WholeFile, AShortWriteGoesOnWhereItStopped)
{
    QTemporaryDir dir;
    QByteArray bytes;
    for (int i = 0; i < 1000; ++i)
        bytes += static_cast<char>(i % 251);
    whole_file_testing::clear();
    whole_file_testing::shortWrites(7);
    writeWholeFile(dir.filePath("short.bin"), bytes);
    EXPECT_EQ(whole_file_testing::count(Operation::Write), (1000 + 6) / 7);
    whole_file_testing::clear();
    EXPECT_EQ(read(dir.filePath("short.bin")), bytes);  // nothing twice, nothing left out
}

TEST(WholeFile, EveryFailingStepLeavesTheOldFileOrNone)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("target.txt");
    const QByteArray bytes(100000, 'x');
    const auto write = [&] { return errorOf([&] { writeWholeFile(path, bytes); }); };
    EXPECT_GE(expectEveryFaultLeavesTheFolder(dir.path(), write), 5);  // absent stays absent
    put(path, "old bytes");
    EXPECT_GE(expectEveryFaultLeavesTheFolder(dir.path(), write), 5);

    // The message names the file and the system's reason, and so does the
    // device interface that PDF writers use.
    whole_file_testing::failAt(Operation::Write, 2, ENOSPC);
    WholeFile file(path);
    EXPECT_EQ(file.write("abc", 3), 3);
    EXPECT_EQ(file.write("def", 3), -1);
    const QString expected = "Cannot write file \"" + path + "\". No space left on device";
    EXPECT_EQ(file.failure(), expected);
    EXPECT_EQ(file.errorString(), expected);
    EXPECT_EQ(errorOf([&] { file.commit(); }), expected);
    EXPECT_EQ(read(path), "old bytes");
}
