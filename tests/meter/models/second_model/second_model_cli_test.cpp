// sonavistor-cli's days and import against a simulated meter of the second model.
#include "second_model.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sonavistor::test;

TEST(SecondModelCli, ListsTheDaysAndImportsOne)
{
    QTemporaryDir dir;
    // A scenario's memory is read in 128-byte pieces: four 96-byte records.
    const QDateTime first = QDateTime::fromString("2024-05-17T23:58:00", Qt::ISODate);
    QFile memory(dir.filePath("memory.bin"));
    ASSERT_TRUE(memory.open(QIODevice::WriteOnly));
    memory.write(secondModelRecord(first, 650) + secondModelRecord(first.addSecs(90), 700) +
                 secondModelRecord(first.addSecs(3600), 712) + secondModelRecord(first.addSecs(3690), 713));
    memory.close();
    QFile json(dir.filePath("scenario.json"));
    ASSERT_TRUE(json.open(QIODevice::WriteOnly));
    json.write(QStringLiteral("{\"memory\": \"memory.bin\", \"productId\": %1, \"countMark\": %2}")
                   .arg(SecondModel::kProductId)
                   .arg(SecondModel::kCountMark)
                   .toUtf8());
    json.close();
    const QString meter = "sim:" + json.fileName();

    const auto cli = [&](const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", dir.path());
        p.setProcessEnvironment(env);
        p.start(CLI_PATH, args);
        p.waitForFinished(60000);
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        return QString::fromUtf8(p.readAllStandardOutput());
    };
    EXPECT_EQ(cli({"days", "--meter", meter}), "2024/05/17\t1\t2\n2024/05/18\t3\t2\n");

    const QString out = dir.filePath("day.qrv");
    cli({"import", "1", "-o", out, "--meter", meter});
    QFile saved(out);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray text = saved.readAll();
    // The first record's first level, the second record's last one past midnight.
    EXPECT_TRUE(text.contains("23:58:0")) << text.left(200).toStdString();
    EXPECT_TRUE(text.contains("0:0:58"));
    EXPECT_TRUE(text.contains("70.0"));
    EXPECT_FALSE(text.contains("71.2"));
}
