// sonavistor-cli run as a person runs it.
#include "analysis/saved_file.h"
#include "tests/cli/cli_run.h"

#include <QDateTime>
#include <QFile>

#include <iostream>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sonavistor;
using namespace sonavistor::test;

namespace {

class Cli : public ::testing::Test {
protected:
    QString file(const QString& name, const QByteArray& bytes)
    {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    }
    QString saved(const QString& name, const std::vector<ReadingRow>& rows)
    {
        writeSavedFile(dir.filePath(name), rows);
        return dir.filePath(name);
    }
    QTemporaryDir dir;
};

}  // namespace

TEST_F(Cli, InfoSummarisesEachFile)
{
    const QString a = saved("a.qrv", {{"2024/5/17", "9:5:3", "60.0", "A", 0}, {"2024/5/17", "9:5:5", "80.0", "A", 1}});
    const QString empty = file("empty.qrv", "@Sonavistor File\r\nTotal:4\r\n");
    CliRun r = cli({"info", a, empty});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("first:     2024/5/17 9:5:3")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("last:      2024/5/17 9:5:5"));
    EXPECT_TRUE(r.out.contains("avg:       70.0"));
    EXPECT_TRUE(r.out.contains("Leq:       77.0"));
    EXPECT_TRUE(r.out.contains("rows:      0 (announced 4)"));
    EXPECT_TRUE(r.out.contains("min:       -"));

    r = cli({"info", "--json", a, empty});
    ASSERT_EQ(r.status, 0);
    const QStringList lines = r.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 2);
    const QJsonObject first = QJsonDocument::fromJson(lines[0].toUtf8()).object();
    EXPECT_EQ(first["rows"].toInt(), 2);
    EXPECT_DOUBLE_EQ(first["max"].toDouble(), 80.0);
    EXPECT_NEAR(first["leq"].toDouble(), 77.0329, 1e-3);  // unrounded
    EXPECT_EQ(first["first"].toString(), "2024/5/17 9:5:3");
    const QJsonObject second = QJsonDocument::fromJson(lines[1].toUtf8()).object();
    EXPECT_TRUE(second["min"].isNull());
    EXPECT_EQ(second["announced"].toInt(), 4);
}

TEST_F(Cli, ErrorsNameTheFileAndLine)
{
    const QString bad = file("bad.qrv", "@Sonavistor File\r\nTotal:1\r\n2024/5/17 ,9:5:3   ,6x.3  ,A\r\n");
    CliRun r = cli({"info", bad});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("bad.qrv, line 3")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("6x.3"));
    r = cli({"info", file("other.txt", "hello\n")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("not a Sonavistor saved file"));
    r = cli({"info", dir.filePath("missing.qrv")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("missing.qrv"));
    EXPECT_EQ(cli({"info"}).status, 2);
    EXPECT_EQ(cli({"frobnicate"}).status, 2);
    EXPECT_EQ(cli({}).status, 2);
    r = cli({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.contains("export -o OUT [--format xls|csv|influx]"));
}

TEST_F(Cli, ExportNumbersRowsAcrossFilesAndAReaderSeesTheCells)
{
    const QString a = saved("a.qrv", {{"2024/5/17", "9:5:3", "65.3", "A", 0}, {"2024/5/17", "9:5:5", "70.0", "C", 1}});
    const QString b = file("b.qrv", "@Sonavistor File\r\nTotal:1\r\n2024/5/18 ,10:0:0  ,71    ,A\r\n");
    const QString out = dir.filePath("out.xls");
    CliRun r = cli({"export", "-o", out, a, b});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("Exported 3 records"));

    // A file that is there is only replaced with --force.
    r = cli({"export", "-o", out, a});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("--force"));
    EXPECT_EQ(cli({"export", "-o", out, "--force", a, b}).status, 0);

    const QString python = QStandardPaths::findExecutable("python3", {"/usr/bin"});
    QProcess check;
    check.start(python, {"-c",
                         "import os, sys, xlrd\n"
                         "book = xlrd.open_workbook(sys.argv[1], logfile=open(os.devnull, 'w'))\n"
                         "s = book.sheet_by_index(0)\n"
                         "for r in range(s.nrows):\n"
                         "    print('|'.join('%d:%s' % (c.ctype, c.value) for c in s.row(r)))\n",
                         out});
    check.waitForFinished(60000);
    const QString sheet = QString::fromUtf8(check.readAllStandardOutput());
    if (check.exitCode() != 0 && QString::fromUtf8(check.readAllStandardError()).contains("No module named"))
        GTEST_SKIP() << "python3-xlrd is not installed";
    const QStringList rows = sheet.trimmed().split('\n');
    ASSERT_EQ(rows.size(), 5) << sheet.toStdString();
    EXPECT_EQ(rows[1], "1:RecNo|1:MeaValue|1:Weight|1:NTime|1:NDate");
    EXPECT_EQ(rows[2], "2:1.0|1:65.3|1:A|1:9:5:3|1:2024/5/17");
    EXPECT_EQ(rows[4], "2:3.0|1:71|1:A|1:10:0:0|1:2024/5/18");

    const QString soffice = QStandardPaths::findExecutable("soffice");
    if (soffice.isEmpty()) {
        std::cout << "[ INFO     ] LibreOffice is not installed here; checked with xlrd only\n";
        return;
    }
    QProcess convert;
    convert.setWorkingDirectory(dir.path());
    convert.start(soffice, {"--headless", "--convert-to", "csv", "--outdir", dir.path(), out});
    convert.waitForFinished(120000);
    QFile csv(dir.filePath("out.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(csv.readAll());
    EXPECT_TRUE(text.contains("1,65.3,A,9:5:3,2024/5/17")) << text.toStdString();
}

TEST_F(Cli, ExportOfABadFileWritesNothing)
{
    const QString a = saved("a.qrv", {{"2024/5/17", "9:5:3", "65.3", "A", 0}});
    const QString bad = file("bad.qrv", "@Sonavistor File\r\nTotal:1\r\n\r\n");
    const QString out = dir.filePath("out.xls");
    const CliRun r = cli({"export", "-o", out, a, bad});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains("bad.qrv, line 3")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(Cli, ExportAsInfluxLinesStampsEachReadingWithItsLocalTime)
{
    const QString a = saved("a.qrv", {{"2024/5/17", "9:5:3", "65.3", "A", 0}, {"2024/5/17", "9:5:5", "70", "C", 1}});
    const QString bad = file("bad.qrv", "@Sonavistor File\r\nTotal:1\r\n\r\n");
    const QString out = dir.filePath("out.lp");
    EXPECT_EQ(cli({"export", "--format", "influx", "-o", out, a, bad}).status, 1);
    EXPECT_FALSE(QFile::exists(out));  // whole or not at all

    const CliRun r = cli({"export", "--format", "influx", "--meter-id", "m", "-o", out, a});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const qint64 ns = QDateTime(QDate(2024, 5, 17), QTime(9, 5, 3)).toSecsSinceEpoch() * 1000000000LL;
    // Then each weighting's minute from 9:05:00: one reading standing for the
    // file's 2-s step, 2/60 of the minute.
    const QByteArray minute = QByteArray::number(ns - 3000000000LL);
    EXPECT_EQ(f.readAll(), QByteArray("sound_level,meter=m,weighting=A level=65.3 ") + QByteArray::number(ns) +
                               "\nsound_level,meter=m,weighting=C level=70.0 " + QByteArray::number(ns + 2000000000LL) +
                               "\nsound_interval,meter=m,weighting=A leq=65.3,lmax=65.3,lmin=65.3,l10=65.3,l50=65.3,"
                               "l90=65.3,count=1i,coverage=0.033 " + minute +
                               "\nsound_interval,meter=m,weighting=C leq=70.0,lmax=70.0,lmin=70.0,l10=70.0,l50=70.0,"
                               "l90=70.0,count=1i,coverage=0.033 " + minute + "\n");
}

TEST_F(Cli, InfoAndExportAcceptTheSameFiles)
{
    // A comma inside the time would shift the staging file's columns.
    const QString comma = file("comma.qrv", "@Sonavistor File\r\nTotal:1\r\n2024/5/17 ,9:5,3   ,65.3  ,A\r\n");
    const QString negative = file("neg.qrv", "@Sonavistor File\r\nTotal:1\r\n2024/5/17 ,9:5:3   ,-0.5  ,A\r\n");
    for (const QStringList& command : {QStringList{"info"}, QStringList{"export", "-o", dir.filePath("x.xls")}}) {
        const CliRun bad = cli(command + QStringList{comma});
        EXPECT_EQ(bad.status, 1) << command.join(' ').toStdString();
        EXPECT_TRUE(bad.err.contains("comma.qrv, line 3")) << bad.err.toStdString();
        EXPECT_EQ(cli(command + QStringList{negative}).status, 0) << command.join(' ').toStdString();
    }
    const CliRun r = cli({"info", "--json", negative});
    EXPECT_DOUBLE_EQ(QJsonDocument::fromJson(r.out.toUtf8()).object()["min"].toDouble(), -0.5);
}

TEST_F(Cli, InfoGivesTheAcousticFiguresOfEachWeighting)
{
    // A: 80 and 90 dB, C: 70 dB, two seconds apart (the figures are worked out in acoustic_figures_test).
    const QString f = saved("f.qrv", {{"2026/12/1", "8:14:58", "80.0", "A", 0},
                                      {"2026/12/1", "8:15:0", "90.0", "A", 1},
                                      {"2026/12/1", "8:15:2", "70.0", "C", 2}});
    CliRun r = cli({"info", "--json", "--interval", "15m", "--exposure", "8h", f});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(o["rows"].toInt(), 3);  // the keys there were stay
    EXPECT_EQ(o["sampleSeconds"].toDouble(), 2);
    const QJsonObject a = o["A"].toObject();
    EXPECT_EQ(a.keys(), QStringList({"leq", "lex8h", "lmax", "lmin", "niosh", "osha", "sel"}));
    EXPECT_EQ(a["leq"].toDouble(), 87.4);
    EXPECT_EQ(a["sel"].toDouble(), 93.4);
    EXPECT_EQ(a["lex8h"].toDouble(), 87.4);  // 8 h of exposure at this Leq
    EXPECT_EQ(a["niosh"].toObject()["dose"].toDouble(), 0.02);
    EXPECT_EQ(a["niosh"].toObject()["twa"].toDouble(), 48.8);
    EXPECT_EQ(a["osha"].toObject()["twa"].toDouble(), 22.5);
    EXPECT_TRUE(o["C"].toObject()["osha"].toObject()["twa"].isNull());
    const QJsonArray intervals = o["intervals"].toArray();
    ASSERT_EQ(intervals.size(), 3);
    EXPECT_EQ(intervals[1].toObject(), QJsonObject({{"start", "2026/12/1 8:15:0"}, {"weighting", "A"}, {"count", 1},
                                                    {"leq", 90.0}}));

    r = cli({"info", f});
    EXPECT_TRUE(r.out.contains("  A-weighted: 2 samples, 0:00:04\n    Leq:     87.4\n    SEL:     93.4")) << r.out.toStdString();
    for (const QStringList& bad : {QStringList{"--interval", "2m"}, {"--interval"}, {"--exposure", "0h"},
                                   {"--exposure", "25h"}, {"--exposure", "eight"}}) {
        r = cli(QStringList{"info"} + bad + QStringList{f});
        EXPECT_EQ(r.status, 2) << bad.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("info: --")) << r.err.toStdString();
    }
}

TEST_F(Cli, CsvExportQuotesAsRfc4180AndKeepsItsPoint)
{
    const QString a = saved("a.qrv", {{"2024/5/17", "9:5:3", "65.3", "A", 0}, {"2024\"5/17", "9:5:5", "70.0", "C", 1}});
    const QString out = dir.filePath("out.csv");
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LC_ALL", "de_DE.UTF-8");  // a decimal comma, were it used
    p.setProcessEnvironment(env);
    p.start(CLI_PATH, {"export", "--format", "csv", "-o", out, a, a});
    p.waitForFinished(60000);
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    QFile csv(out);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(csv.readAll(), "RecNo,MeaValue,Weight,NTime,NDate\r\n"
                             "1,65.3,A,9:5:3,2024/5/17\r\n"
                             "2,70.0,C,9:5:5,\"2024\"\"5/17\"\r\n"
                             "3,65.3,A,9:5:3,2024/5/17\r\n"
                             "4,70.0,C,9:5:5,\"2024\"\"5/17\"\r\n");
    EXPECT_EQ(cli({"export", "--format", "ods", "-o", out, a}).status, 2);
}
