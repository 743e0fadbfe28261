// Each writer of a kept file on a failing disk: every step of the writing
// fails in turn, and each time the failure is said with its reason and the
// old file stays byte for byte, with nothing left beside it.
#include "analysis/saved_file.h"
#include "app/recovery_files.h"
#include "common/meter_settings.h"
#include "common/whole_file.h"
#include "export/csv_export.h"
#include "export/grid_to_excel.h"
#include "export/reading_rows_dataset.h"
#include "print/report_project.h"
#include "print/report_render.h"
#include "logging/day_file.h"
#include "widgets/level_chart.h"
#include "widgets/print_graph.h"
#include "sim/scenario.h"
#include "store/scratch_database.h"
#include "tests/support/scripted_messages.h"
#include "tests/support/write_faults.h"

#include <QChartView>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

using namespace sonavistor;
using namespace sonavistor::test;

namespace {

ReadingRow row(int n)
{
    return {QStringLiteral("2024/5/17"), QStringLiteral("9:0:%1").arg(n % 60), QStringLiteral("6%1.5").arg(n % 10),
            QStringLiteral("A"), n};
}

std::vector<ReadingRow> rows(int n)
{
    std::vector<ReadingRow> result;
    for (int i = 1; i <= n; ++i)
        result.push_back(row(i));
    return result;
}

}  // namespace

TEST(FileWriters, EachLeavesTheOldFileWholeOnAFailingDisk)
{
    ScratchDatabase scratch;
    for (const ReadingRow& r : rows(40))
        scratch.db().appendRow(TableLoadData, r);
    ScriptedMessages messages;
    QChartView view;
    LevelChart chart(&view, "SPL Graph Analyzing", "SPL  Unit: DB");
    for (int i = 0; i < 50; ++i)
        chart.addPoint(50 + i % 30, true);
    TReportProject project;
    project.setProjectFile(QStringLiteral(SONAVISTOR_SOURCE_DIR "/resources/quorvane_en.rav"));
    project.Open();
    ReportDataConnection connection(scratch.db());
    connection.bind(TableLoadData);
    const ReportDocument sheet = project.runDefaultReport(connection, "Acme", QDateTime::currentDateTime());

    struct Writer {
        const char* name;
        const char* target;  // holds old bytes before each run
        std::function<QString(const QString& target)> write;
    };
    const Writer writers[] = {
        {"saved file", "a.qrv", [](const QString& t) { return errorOf([&] { writeSavedFile(t, rows(30)); }); }},
        {"CSV", "a.csv", [](const QString& t) { return errorOf([&] { writeReadingsCsv(t, rows(30)); }); }},
        {"spreadsheet", "a.xls",
         [&](const QString& t) {
             ReadingRowsDataset dataset(scratch.db(), TableLoadData);
             ReadingRowsGrid grid(dataset);
             TGridToExcel exporter(messages);
             exporter.DataGrid = &grid;
             exporter.ShowProgress = false;
             exporter.FileName = t;
             exporter.AskBeforeReplace = false;
             const ExportResult result = exporter.ExportSheet();
             return result.written ? QString() : result.error + " (nothing written)";
         }},
        {"data sheet", "a.pdf", [&](const QString& t) { return writeReportPdf(t, sheet).error; }},
        {"graph", "g.pdf",
         [&](const QString& t) {
             QPrinter printer(QPrinter::HighResolution);
             printer.setOutputFormat(QPrinter::PdfFormat);
             printer.setOutputFileName(t);
             return errorOf([&] { printChart(chart, {"MAX:"}, printer); });
         }},
        {"settings", "Quorvane.INI",
         [](const QString& t) {
             QString error;
             return writeMeterSettings(t, readMeterSettings(t), &error) ? QString() : error;
         }},
        {"day file", "2024-05-17.qrv",
         [](const QString& t) {
             DayFile day(QFileInfo(t).absolutePath(), QDate(2024, 5, 17));
             for (int i = 1; i <= 20; ++i)
                 day.append(savedReadingLine(row(i)));
             QString error;
             return day.save(&error) ? QString() : error;
         }},
        {"meter dump", "m.json",
         [](const QString& t) {
             return errorOf([&] { writeScenarioFiles(t, QFileInfo(t).absolutePath() + "/m.memory.bin", QByteArray(4096, 'm')); });
         }},
    };
    for (const Writer& w : writers) {
        SCOPED_TRACE(w.name);
        QTemporaryDir dir;
        const QString target = dir.filePath(w.target);
        QFile old(target);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old bytes\r\n");
        old.close();
        if (QByteArray(w.name) == "meter dump") {
            QFile memory(dir.filePath("m.memory.bin"));
            ASSERT_TRUE(memory.open(QIODevice::WriteOnly));
            memory.write("old memory");
        }
        EXPECT_GE(expectEveryFaultLeavesTheFolder(dir.path(), [&] { return w.write(target); }), 5);
    }
}

TEST(FileWriters, RecoveryFilesAreWholeOrAbsent)
{
    // The program is ending: a failure is not said, but no file is cut off.
    ScratchDatabase scratch;
    for (const ReadingRow& r : rows(500))
        scratch.db().appendRow(TableMeaData, r);
    for (int k = 1; k <= 4; ++k) {
        for (auto op : {whole_file_testing::Operation::Write, whole_file_testing::Operation::Rename}) {
            QTemporaryDir dir;
            whole_file_testing::failAt(op, k, ENOSPC);
            const QStringList kept = keepUnsavedRows(scratch.db(), {true, false}, dir.path());
            whole_file_testing::clear();
            const QMap<QString, QByteArray> files = folderFiles(dir.path());
            for (auto it = files.begin(); it != files.end(); ++it) {
                SCOPED_TRACE(it.key().toStdString());
                EXPECT_FALSE(it.key().endsWith(".tmp"));
                if (it.key().endsWith(".qrv")) {
                    EXPECT_TRUE(it.value().startsWith("@Sonavistor File\r\nTotal:500\r\n"));
                    EXPECT_EQ(it.value().count("\r\n"), 502);
                }
            }
            // The note at the next start names only files that are there.
            for (const QString& line : takeRecoveryNotice(dir.path()).split('\n').mid(1))
                EXPECT_TRUE(QFile::exists(line)) << line.toStdString();
        }
    }
}
