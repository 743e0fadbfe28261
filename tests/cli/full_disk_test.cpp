// sonavistor-cli on a full disk: a 64 KiB file system (tmpfs, mounted when
// the test runs as root; skipped otherwise). Every write fails with the
// system's reason, exit 1, the old file byte for byte and nothing beside it.
#include "analysis/saved_file.h"
#include "sim/memory_generator.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace sonavistor;

namespace {

class FullDisk : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "mounting a small file system needs root";
        disk = dir.filePath("disk");
        QDir().mkpath(disk);
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", disk}) != 0)
            GTEST_SKIP() << "tmpfs cannot be mounted here";
        mounted = true;
    }
    void TearDown() override
    {
        if (mounted)
            QProcess::execute("umount", {disk});
    }
    void put(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    QByteArray read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<absent>");
    }
    // Runs the tool and checks the failure: exit 1, the reason said,
    // "Exported" or "Dumped" never claimed, and the disk as it was.
    void expectRefused(const QStringList& args)
    {
        SCOPED_TRACE(args.join(' ').toStdString());
        const QStringList before = QDir(disk).entryList(QDir::Files | QDir::Hidden);
        QList<QByteArray> bytes;
        for (const QString& name : before)
            bytes << read(QDir(disk).filePath(name));
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", dir.path());
        p.setProcessEnvironment(env);
        p.start(CLI_PATH, args);
        ASSERT_TRUE(p.waitForFinished(120000));
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        const QString err = QString::fromUtf8(p.readAllStandardError());
        EXPECT_EQ(p.exitCode(), 1) << err.toStdString();
        EXPECT_TRUE(err.contains("No space left on device")) << err.toStdString();
        EXPECT_FALSE(out.contains("Exported") || out.contains("Dumped")) << out.toStdString();
        EXPECT_EQ(QDir(disk).entryList(QDir::Files | QDir::Hidden), before);
        for (int i = 0; i < before.size(); ++i)
            EXPECT_EQ(read(QDir(disk).filePath(before[i])), bytes[i]) << before[i].toStdString();
    }

    QTemporaryDir dir;
    QString disk;
    bool mounted = false;
};

}  // namespace

TEST_F(FullDisk, ExportImportAndDumpFailCleanly)
{
    // 3,000 readings to export and a day of 18,000 to import and dump: each
    // far beyond the 4 KiB left beside the ballast and the old files.
    std::vector<ReadingRow> rows;
    for (int n = 1; n <= 3000; ++n)
        rows.push_back({"2024/5/17", QStringLiteral("9:%1:%2").arg(n / 60 % 60).arg(n % 60), "65.3", "A", n});
    const QString input = dir.filePath("in.qrv");
    writeSavedFile(input, rows);
    put(dir.filePath("memory.bin"),
        generateMemory({{QDateTime::fromString("2024-05-17T08:00:00", Qt::ISODate), 300}}));
    put(dir.filePath("scenario.json"), "{\"memory\": \"memory.bin\"}");
    const QString meter = "sim:" + dir.filePath("scenario.json");

    put(disk + "/ballast", QByteArray(40 * 1024, 'b'));
    for (const char* name : {"out.xls", "out.csv", "day.qrv", "meter.json", "meter.memory.bin"})
        put(disk + "/" + name, "old " + QByteArray(name));

    expectRefused({"export", "-o", disk + "/out.xls", "--force", input});
    expectRefused({"export", "--format", "csv", "-o", disk + "/out.csv", "--force", input});
    expectRefused({"import", "1", "-o", disk + "/day.qrv", "--force", "--meter", meter});
    expectRefused({"dump", "-o", disk + "/meter.json", "--force", "--meter", meter});
    // Where there is no old file, none is left either.
    QFile::remove(disk + "/out.xls");
    expectRefused({"export", "-o", disk + "/out.xls", input});
}
