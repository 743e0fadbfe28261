// Export to Excel, Print Data Sheet, Printer Setup and Print Graph from the
// windows: the real-time window itself, and stand-ins named as the import and
// data view windows with rows put into their tables here.
#include "app/main_window.h"
#include "app/print_commands.h"
#include "common/error.h"
#include "common/whole_file.h"
#include "export/biff_reader.h"
#include "export/grid_to_excel.h"
#include "export/reading_rows_dataset.h"
#include "widgets/alarm_player.h"
#include "measure/measure_state.h"
#include "measure/realtime_window.h"
#include "meter/meter_link.h"
#include "widgets/export_progress_window.h"
#include "print/report_output_dialog.h"
#include "store/measurement_db.h"
#include "tests/app/stand_in_children.h"
#include "tests/export/scripted_print_dialogs.h"
#include "tests/support/pdf_text.h"
#include "tests/support/program_folder_fixture.h"
#include "tests/support/scripted_file_dialogs.h"
#include "tests/support/scripted_messages.h"
#include "tests/support/screenshot.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <cerrno>

using namespace sonavistor;
using namespace sonavistor::test;

namespace {

class NoSound : public AlarmSink {
public:
    void play(const QString&) override {}
};

// Row n of a test table: a distinct time per row.
ReadingRow testRow(int n)
{
    return {"2024/5/17", QStringLiteral("9:%1:%2").arg(n / 60).arg(n % 60), QString::number(40 + n % 50) + ".5", "A", n};
}

class PrintCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppEnvironment env{folder.path(), "sonavistor", locks.path(), &messages, &files};
        form = std::make_unique<MainWindow>(env);
        installPrintCommands(*form, dialogs);
        form->setChildFactory(kMeasureWindow, [this](MainWindow& main) {
            auto* window = new RealtimeWindow(main.database(), main.meter(), main.windowContext(), &sound);
            main.addChildWindow(window)->show();
            return window;
        });
        form->show();
    }
    void TearDown() override
    {
        MeasureState.LiveDataSaved = true;
        messages.answer(Yes);
        form->close();
        form.reset();
    }

    template <typename Child>
    Child* activate(Child* child)
    {
        QMdiSubWindow* sub = form->addChildWindow(child);
        sub->show();
        form->mdiArea()->setActiveSubWindow(sub);
        return child;
    }
    // The real-time window with n readings taken and the measurement stopped.
    RealtimeWindow* measured(int n)
    {
        form->measureInRealTime();
        auto* window = qobject_cast<RealtimeWindow*>(form->activeChild());
        for (int i = 0; i < n; ++i) {
            window->showReading(decodeLiveReading(600 + 17 * i, 0x40));
        }
        window->stopMeasuring();
        return window;
    }
    MeasurementDatabase& db() { return form->database(); }
    void append(TableId table, std::initializer_list<int> recNos)
    {
        for (int n : recNos)
            db().appendRow(table, testRow(n));
    }
    // Rows 1..n in one statement, as fast as a real load.
    void fill(TableId table, int n)
    {
        const QString sql = QStringLiteral(
            "with recursive c(n) as (select 1 union all select n + 1 from c where n < %2) "
            "insert into %1 (NDate, NTime, MeaValue, Weight, RecNo) "
            "select '2024/5/17', '9:' || (n / 60) || ':' || (n % 60), (40 + n % 50) || '.5', 'A', n from c")
                                .arg(MeasurementDatabase::tableName(table))
                                .arg(n);
        ASSERT_EQ(sqlite3_exec(db().handle(), sql.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    }
    QString printToPdf(const QString& name)
    {
        const QString path = dir.filePath(name);
        dialogs.answer = {ReportOutput::PdfFile, path};
        form->printDataSheet();
        return pdfText(path);
    }

    ProgramFolder folder;
    QTemporaryDir locks;
    QTemporaryDir dir;
    ScriptedMessages messages;
    ScriptedFileDialogs files;
    ScriptedPrintDialogs dialogs;
    NoSound sound;
    std::unique_ptr<MainWindow> form;
};

bool xlrdInstalled()
{
    const QString python = QStandardPaths::findExecutable("python3", {"/usr/bin"});
    return !python.isEmpty() && QProcess::execute(python, {"-c", "import xlrd"}) == 0;
}

// The sheet's rows after the title as xlrd reads them; a file xlrd rejects
// fails the test with xlrd's complaint.
QString xlrdRows(const QString& path)
{
    QProcess check;
    check.start(QStandardPaths::findExecutable("python3", {"/usr/bin"}),
                {"-c",
                 "import os, sys, xlrd\n"
                 "s = xlrd.open_workbook(sys.argv[1], logfile=open(os.devnull, 'w')).sheet_by_index(0)\n"
                 "for r in range(1, s.nrows):\n"
                 "    print('|'.join(str(c.value) for c in s.row(r)))\n",
                 path});
    check.waitForFinished(60000);
    EXPECT_EQ(check.exitCode(), 0) << "xlrd rejects " << path.toStdString() << ": "
                                   << check.readAllStandardError().toStdString();
    return QString::fromUtf8(check.readAllStandardOutput());
}

}  // namespace

// ---------------------------------------------------------------- export

TEST_F(PrintCommands, ExportsEachWindowsRowsAsItsGridShowsThem)
{
    measured(3);
    files.choose(dir.filePath("live.xls"));
    form->exportToExcel();
    EXPECT_EQ(files.filters().value(0), "*.XLS|*.XLS|*.xls|*.xls");
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].text, "Exported  3  records total. \r" + dir.filePath("live.xls"));
    EXPECT_EQ(messages.shown()[0].caption, "Export Data");
    BiffSheet sheet = readBiffFile(dir.filePath("live.xls"));
    EXPECT_EQ(sheet.text(1, 0), "RecNo");
    EXPECT_EQ(sheet.text(1, 4), "NDate");
    EXPECT_EQ(sheet.lastRow, 4);
    const std::vector<ReadingRow> live = db().rows(TableMeaData);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(sheet.cell(2 + i, 0).toInt(), live[i].RecNo);
        EXPECT_EQ(sheet.text(2 + i, 1), live[i].MeaValue);
        EXPECT_EQ(sheet.text(2 + i, 3), live[i].NTime);
    }

    // The import window's grid is its ordered query: RecNo order, whatever order the rows came in.
    append(TableGetRecorde, {3, 1, 2});
    activate(new StandInImport);
    files.choose(dir.filePath("import.xls"));
    form->exportToExcel();
    sheet = readBiffFile(dir.filePath("import.xls"));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(sheet.cell(2 + i, 0).toInt(), i + 1);
        EXPECT_EQ(sheet.text(2 + i, 3), testRow(i + 1).NTime);
    }

    append(TableLoadData, {7, 8});
    activate(new StandInAnalyze);
    files.choose(dir.filePath("analyze.xls"));
    form->exportToExcel();
    EXPECT_EQ(messages.shown().back().text, "Exported  2  records total. \r" + dir.filePath("analyze.xls"));
    if (!xlrdInstalled())
        GTEST_SKIP() << "python3-xlrd is not installed";
    EXPECT_EQ(xlrdRows(dir.filePath("analyze.xls")), "RecNo|MeaValue|Weight|NTime|NDate\n"
                    "7.0|47.5|A|9:0:7|2024/5/17\n"
                    "8.0|48.5|A|9:0:8|2024/5/17\n");
}

TEST_F(PrintCommands, ExportSaysWhatHappenedWhenNotEveryRecordWasWritten)
{
    StandInAnalyze* analyze = activate(new StandInAnalyze);
    files.choose(dir.filePath("empty.xls"));
    form->exportToExcel();
    EXPECT_EQ(messages.texts().value(0), "Nothing was exported: the window shows no records.");
    EXPECT_FALSE(QFile::exists(dir.filePath("empty.xls")));

    fill(TableLoadData, 70000);
    messages.clear();
    files.cancel();
    form->exportToExcel();
    EXPECT_TRUE(messages.shown().isEmpty());

    const QString vanished = dir.filePath("gone/out.xls");
    files.choose(vanished);
    form->exportToExcel();
    EXPECT_TRUE(messages.texts().value(0).startsWith("Nothing was exported to " + vanished + ":\r"))
        << messages.texts().value(0).toStdString();

    // The existing file is kept unless the user says Yes.
    const QString existing = dir.filePath("old.xls");
    QFile old(existing);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("keep");
    old.close();
    messages.clear();
    files.choose(existing);
    messages.answer(No);
    form->exportToExcel();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].text, existing + "  already exists!\rDo you want to replace it?");
    EXPECT_EQ(messages.shown()[0].caption, "Query  Information");
    EXPECT_EQ(messages.shown()[0].defaultButton, Yes);
    QFile kept(existing);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "keep");

    // A sheet holds 65,536 rows: the rest is reported, not passed off as exported.
    messages.clear();
    files.choose(existing);
    messages.answer(Yes);
    form->exportToExcel();
    EXPECT_EQ(messages.texts().value(1),
              "Only 65534 of 70000 records were exported to " + existing + ":\ra worksheet holds at most 65,536 rows.");
    EXPECT_EQ(readBiffFile(existing).lastRow, 65535);
    analyze->close();
}

TEST_F(PrintCommands, AFailingDiskIsSaidAndTheOldFileStays)
{
    using whole_file_testing::Operation;
    RealtimeWindow* live = measured(3);
    const auto keep = [this](const QString& name) {
        QFile old(dir.filePath(name));
        EXPECT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("keep");
        return old.fileName();
    };
    const auto expectKept = [this](const QString& path) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), "keep") << path.toStdString();
        EXPECT_TRUE(QDir(dir.path()).entryList({"*.tmp"}, QDir::Files | QDir::Hidden).isEmpty());
        EXPECT_TRUE(messages.texts().join('\n').contains("No space left on device"))
            << messages.texts().join('\n').toStdString();
        messages.clear();
    };

    const QString xls = keep("live.xls");
    files.choose(xls);
    messages.answer(Yes);
    whole_file_testing::failAt(Operation::Write, 1, ENOSPC);
    form->exportToExcel();
    expectKept(xls);

    const QString pdf = keep("sheet.pdf");
    dialogs.answer = {ReportOutput::PdfFile, pdf};
    messages.answer(Yes);
    whole_file_testing::failAt(Operation::Write, 3, ENOSPC);
    form->printDataSheet();
    expectKept(pdf);

    const QString saved = keep("live.qrv");
    files.choose(saved);
    messages.answer(Yes);
    whole_file_testing::failAt(Operation::Write, 1, ENOSPC);
    live->findChild<QPushButton*>("BitBtn7")->click();
    expectKept(saved);
    EXPECT_FALSE(MeasureState.LiveDataSaved);
    whole_file_testing::clear();
}

TEST(ExportProgressWindow, ShowsBeforeTheFileIsWrittenAndFollowsTheRecords)
{
    struct Watched : ReadingRowsDataset {
        using ReadingRowsDataset::ReadingRowsDataset;
        std::function<void()> onFirst;
        void first() override
        {
            onFirst();
            ReadingRowsDataset::first();
        }
    };
    QTemporaryDir dir;
    ScriptedMessages messages;
    Watched data({testRow(1), testRow(2), testRow(3)}, {{"NDate", "TEXT"}, {"RecNo", "INTEGER"}});
    ReadingRowsGrid grid(data);
    ExportProgressWindow window;
    bool shownWhileWriting = false;
    data.onFirst = [&] { shownWhileWriting = window.isVisible(); };
    TGridToExcel exporter(messages);
    exporter.DataGrid = &grid;
    exporter.FileName = dir.filePath("p.xls");
    exporter.setProgress(&window);
    ASSERT_TRUE(exporter.ShowProgress);
    exporter.ExportSheet();
    EXPECT_TRUE(shownWhileWriting);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.size(), QSize(300, 100));
    EXPECT_EQ(window.label()->text(), QString::fromUtf8("正在导出数据，请稍候......"));
    EXPECT_EQ(window.label()->pos(), QPoint(25, 25));
    EXPECT_EQ(window.gauge()->geometry(), QRect(20, 50, 260, 13));
    EXPECT_EQ(window.gauge()->maximum(), 3);
    EXPECT_EQ(window.gauge()->value(), 3);
}

// ---------------------------------------------------------------- data sheet

TEST_F(PrintCommands, PrintsEachWindowsWholeTableToPdf)
{
    if (!pdfToTextInstalled())
        GTEST_SKIP() << "pdftotext is not installed";
    measured(2);
    QString text = printToPdf("live.pdf");
    for (const ReadingRow& row : db().rows(TableMeaData))
        EXPECT_TRUE(text.contains(row.NTime)) << row.NTime.toStdString();
    EXPECT_TRUE(text.contains("Rows: 2"));
    EXPECT_TRUE(text.contains("Page 1 of 1"));

    // The import window prints the table itself, rows that came in any order included.
    append(TableGetRecorde, {5, 2, 9});
    activate(new StandInImport);
    text = printToPdf("import.pdf");
    for (int n : {2, 5, 9})
        EXPECT_TRUE(text.contains(testRow(n).NTime)) << n;
    EXPECT_TRUE(text.contains("Rows: 3"));

    fill(TableLoadData, 150);
    activate(new StandInAnalyze);
    text = printToPdf("analyze.pdf");
    const int pages = dialogs.pagesOffered;
    ASSERT_GE(pages, 3);
    for (int n = 1; n <= 150; ++n)
        EXPECT_TRUE(text.contains(QStringLiteral(" %1 ").arg(testRow(n).NTime))) << n;
    EXPECT_TRUE(text.contains(QStringLiteral("Page 1 of %1").arg(pages)));
    EXPECT_TRUE(text.contains(QStringLiteral("Page %1 of %1").arg(pages)));
    for (const char* line : {"Summary", "Rows: 150", "First: 2024/5/17 9:0:1", "Last: 2024/5/17 9:2:30",
                             "Min: 40.5 dB", "Max: 89.5 dB", "Average:", "Leq:", "Samples: 1 s each",
                             "A-weighted: 150 samples, 0:02:30", "LEX,8h", "NIOSH dose", "OSHA dose"})
        EXPECT_TRUE(text.contains(line)) << line;
}

TEST_F(PrintCommands, EveryPrintReadsTheDefinitionAndTheTableAnew)
{
    if (!pdfToTextInstalled())
        GTEST_SKIP() << "pdftotext is not installed";
    append(TableLoadData, {1, 2});
    activate(new StandInAnalyze);
    EXPECT_TRUE(printToPdf("first.pdf").contains("Sound Level Data Sheet"));
    // The program folder has "quorvane_en.rav"; the print asks for "Quorvane_en.rav".
    QByteArray definition = folder.read("quorvane_en.rav");
    definition.replace("Sound Level Data Sheet", "Night Levels");
    folder.write("quorvane_en.rav", definition);
    append(TableLoadData, {3});
    const QString second = printToPdf("second.pdf");
    EXPECT_TRUE(second.contains("Night Levels"));
    EXPECT_TRUE(second.contains("Rows: 3"));
}

TEST_F(PrintCommands, NothingIsPrintedForAnEmptyTableOrABadDefinition)
{
    activate(new StandInAnalyze);
    form->printDataSheet();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].text, "Have No Data in Database,Can not to Print!");
    EXPECT_EQ(messages.shown()[0].caption, "Print Error");
    EXPECT_EQ(messages.shown()[0].icon, MessageIcon::Error);

    append(TableLoadData, {1});
    const QString path = folder.file("quorvane_en.rav");
    folder.write("quorvane_en.rav", "sonavistor-report 1\ncolumn Level \"L\" 10\n");
    try {
        form->printDataSheet();
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.message().toStdString(), (path + ", line 2, column 8: unknown field \"Level\"; the fields "
                                              "are RecNo, MeaValue, Weight, NTime and NDate").toStdString());
    }
    // Without its report file, Print Data Sheet from the menu says so in the error box.
    QFile::remove(path);
    messages.clear();
    form->everySecond();
    ASSERT_TRUE(form->findChild<QAction*>("N8")->isEnabled());
    form->findChild<QAction*>("N8")->trigger();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_TRUE(messages.shown()[0].text.contains("quorvane_en.rav cannot be read", Qt::CaseInsensitive))
        << messages.shown()[0].text.toStdString();
    EXPECT_EQ(messages.shown()[0].icon, MessageIcon::Error);
    EXPECT_EQ(dialogs.outputsAsked, 0);
}

TEST_F(PrintCommands, PrinterOutputKeepsThePrintersPage)
{
    if (!pdfToTextInstalled())
        GTEST_SKIP() << "pdftotext is not installed";
    fill(TableLoadData, 10);
    activate(new StandInAnalyze);
    QPrinter& printer = *form->printer();
    printer.setOutputFileName(dir.filePath("printer.pdf"));
    printer.setPageOrientation(QPageLayout::Landscape);
    dialogs.answer = {ReportOutput::Printer, {}};
    form->printDataSheet();
    EXPECT_EQ(dialogs.printerOffered, "PDF file " + dir.filePath("printer.pdf"));
    EXPECT_TRUE(pdfText(dir.filePath("printer.pdf")).contains("Page 1 of 1"));
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_FALSE(printer.fullPage());
}

TEST_F(PrintCommands, PreviewDrawsOnlyThePagesShown)
{
    fill(TableLoadData, 43200);
    activate(new StandInAnalyze);
    dialogs.answer = {ReportOutput::Preview, {}};
    int pages = 0;
    dialogs.onPreview = [&](ReportPreview& preview) {
        pages = preview.pageCount();
        saveScreenshot(&preview, "data_sheet_preview");
        EXPECT_EQ(preview.pageView()->pagesDrawn(), 1);
        EXPECT_EQ(preview.findChild<QLabel*>("PageLabel")->text(), QStringLiteral("of %1").arg(pages));
        EXPECT_FALSE(preview.findChild<QPushButton*>("PrintButton")->isEnabled());  // no printer here
        preview.findChild<QPushButton*>("LastPage")->click();
        EXPECT_EQ(preview.currentPage(), pages - 1);
        QApplication::processEvents();
        EXPECT_EQ(preview.pageView()->pagesDrawn(), 2);
    };
    form->printDataSheet();
    EXPECT_GT(pages, 700);
    EXPECT_EQ(dialogs.printerOffered, "");  // no printer: preview and PDF only
}

TEST_F(PrintCommands, PreviewSavesAPdf)
{
    append(TableLoadData, {1, 2});
    activate(new StandInAnalyze);
    dialogs.answer = {ReportOutput::Preview, {}};
    files.choose(dir.filePath("from_preview.pdf"));
    dialogs.onPreview = [&](ReportPreview& preview) { preview.findChild<QPushButton*>("SavePdfButton")->click(); };
    form->printDataSheet();
    EXPECT_TRUE(QFile::exists(dir.filePath("from_preview.pdf")));
}

TEST(ReportOutputDialog, WithoutAPrinterOffersThePreviewAndAPdfFile)
{
    ScriptedFileDialogs files;
    ReportOutputDialog dialog(files, QString(), 3);
    EXPECT_FALSE(dialog.findChild<QRadioButton*>("PrinterChoice")->isEnabled());
    EXPECT_EQ(dialog.choice().kind, ReportOutput::Preview);
    files.choose("/tmp/sheet.pdf");
    dialog.findChild<QPushButton*>("BrowseButton")->click();
    EXPECT_EQ(files.filters().value(0), "*.pdf|*.pdf");
    EXPECT_EQ(dialog.choice().kind, ReportOutput::PdfFile);
    EXPECT_EQ(dialog.choice().pdfPath, "/tmp/sheet.pdf");
}

// ---------------------------------------------------------------- printer set-up, Print Graph

TEST_F(PrintCommands, PrinterSetupChoosesThePrinterForPrintGraph)
{
    form->setUpPrinter();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].caption, "Printer Setup");
    EXPECT_EQ(dialogs.setUps, 0);

    const QString graph = dir.filePath("graph.pdf");
    dialogs.installed = true;
    dialogs.onSetUp = [&](QPrinter& printer) { printer.setOutputFileName(graph); };
    form->setUpPrinter();
    EXPECT_EQ(dialogs.setUps, 1);

    RealtimeWindow* window = measured(3);
    window->findChild<QPushButton*>("BitBtn6")->click();
    if (!pdfToTextInstalled())
        GTEST_SKIP() << "pdftotext is not installed";
    const QString text = pdfText(graph);
    EXPECT_TRUE(text.contains("MAX:")) << text.toStdString();
    EXPECT_TRUE(text.contains("Date:"));
}
