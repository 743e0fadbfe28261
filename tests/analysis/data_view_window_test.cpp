#include "data_view/data_view_window.h"
#include "analysis/file_colours.h"
#include "analysis/saved_file.h"
#include "app/application.h"
#include "app/child_windows.h"
#include "app/main_window.h"
#include "app/print_commands.h"
#include "export/biff_reader.h"
#include "tests/export/scripted_print_dialogs.h"
#include "tests/support/file_bytes.h"
#include "tests/support/pdf_text.h"
#include "common/shell_state.h"
#include "widgets/level_chart.h"
#include "store/measurement_db.h"
#include "store/reading_table_model.h"
#include "tests/support/program_folder_fixture.h"
#include "tests/support/scripted_file_dialogs.h"
#include "tests/support/scripted_messages.h"
#include "tests/support/screenshot.h"

#include <QAction>
#include <QChartView>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

#include <cmath>

using namespace sonavistor;
using namespace sonavistor::test;

namespace {

class DataViewWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppEnvironment env{folder.path(), "sonavistor", locks.path(), &messages, &dialogs, nullptr};
        form = std::make_unique<MainWindow>(env);
        installStandardWindows(*form);
        form->resize(1280, 800);
        form->show();
        app()->setMessageService(&messages);
    }
    void TearDown() override
    {
        app()->setMessageService(nullptr);
        messages.answer(Yes);
        form->close();
        form.reset();
    }
    static SonavistorApplication* app() { return static_cast<SonavistorApplication*>(QCoreApplication::instance()); }

    // A saved file with these level texts, as the windows' Save writes it.
    QString saved(const QString& name, const QStringList& levels, const QString& weight = "A")
    {
        std::vector<ReadingRow> rows;
        for (int i = 0; i < levels.size(); ++i)
            rows.push_back({"2024/5/17", QStringLiteral("9:0:%1").arg(i), levels[i], weight, i});
        const QString path = files.filePath(name);
        writeSavedFile(path, rows);
        return path;
    }
    QString raw(const QString& name, const QByteArray& bytes)
    {
        const QString path = files.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }
    // File > Open as the menu runs it: its errors reach the standard error box.
    void open(const QString& path)
    {
        dialogs.choose(path);
        form->findChild<QAction*>("N6")->trigger();
    }
    DataViewWindow* view() { return qobject_cast<DataViewWindow*>(ShellState.AnalyzeWindowHandle.data()); }
    template <typename T>
    T* find(const char* name) { return view()->findChild<T*>(name); }
    QString edit(const char* name) { return find<QLineEdit>(name)->text(); }
    std::vector<ReadingRow> rows() { return form->database().rows(TableLoadData); }
    QColor rowColour(int row)
    {
        const QAbstractItemModel* model = find<QTableView>("DataGrid1")->model();
        return model->data(model->index(row, 0), Qt::BackgroundRole).value<QColor>();
    }
    int entriesNamed(const char* name)
    {
        const QList<QAction*> entries = form->findChild<QMenu*>("N20")->actions();
        return static_cast<int>(std::count_if(entries.begin(), entries.end(),
                                              [name](QAction* a) { return a->objectName() == name; }));
    }
    QStringList errors()
    {
        QStringList texts;
        for (const MessageRequest& m : messages.shown())
            if (m.icon == MessageIcon::Error)
                texts << m.text;
        return texts;
    }

    ProgramFolder folder;
    QTemporaryDir locks;
    QTemporaryDir files;
    ScriptedMessages messages;
    ScriptedFileDialogs dialogs;
    std::unique_ptr<MainWindow> form;
};

}  // namespace

TEST_F(DataViewWindowTest, TwoFilesRunOnInRecNoEachInItsColour)
{
    const QString a = saved("a.qrv", {"60.1", "72.5", "65"});
    const QString b = saved("b.qrv", {"50.2", "81.4", "49.9", "82"}, "C");
    dialogs.choose(a);
    form->findChild<QToolButton*>("ToolButton3")->click();  // the tool bar's Open
    ASSERT_NE(view(), nullptr);
    EXPECT_EQ(view()->windowTitle(), "Data View & Analyze");
    EXPECT_TRUE(view()->parentWidget()->isMaximized());
    EXPECT_TRUE(ShellState.AnalyzeWindowOpen);
    EXPECT_EQ(entriesNamed("menuanalyze"), 1);
    EXPECT_EQ(dialogs.filters(), QStringList({"*.QRV|*.QRV|*.qrv|*.qrv"}));
    EXPECT_FALSE(find<QChartView>("Chart1")->isInteractive());  // no mouse from the first file on
    open(b);
    EXPECT_EQ(entriesNamed("menuanalyze"), 1);
    EXPECT_TRUE(messages.shown().isEmpty());

    // LoadData holds both files' lines as they stand, numbered on from 1.
    const std::vector<ReadingRow> loaded = rows();
    ASSERT_EQ(loaded.size(), 7u);
    const QStringList levels{"60.1", "72.5", "65", "50.2", "81.4", "49.9", "82"};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(loaded[static_cast<size_t>(i)].RecNo, i + 1);
        EXPECT_EQ(loaded[static_cast<size_t>(i)].MeaValue, levels[i]);
        EXPECT_EQ(loaded[static_cast<size_t>(i)].Weight, i < 3 ? "A" : "C");
        EXPECT_EQ(rowColour(i), i < 3 ? QColor(0, 0, 255) : QColor(0, 128, 0)) << i;
    }
    EXPECT_EQ(view()->fileStarts()[0], 4);
    EXPECT_EQ(view()->fileStarts()[1], 8);
    EXPECT_EQ(view()->fileStarts()[2], 0);

    // Both lines start at x = 0, each in its file's colour.
    LevelChart& chart = view()->chart();
    ASSERT_EQ(chart.pointCount(0), 3);
    ASSERT_EQ(chart.pointCount(1), 4);
    EXPECT_EQ(chart.point(0, 0), QPointF(0, 60.1));
    EXPECT_EQ(chart.point(1, 0), QPointF(0, 50.2));
    EXPECT_EQ(chart.series(1)->pen().color(), QColor(0, 128, 0));
    EXPECT_EQ(chart.chart()->title(), "Data Analyze");
    EXPECT_EQ(chart.axis(Axis::Left)->titleText(), "SPL        (Unit:  DB)';");

    // The figures describe the file loaded last.
    EXPECT_EQ(edit("Edit1"), "2");
    EXPECT_EQ(edit("Edit2"), "49.9");
    EXPECT_EQ(edit("Edit3"), "82");

    // The grid ends on the last row, whose file colour shows instead of the highlight.
    auto* grid = find<QTableView>("DataGrid1");
    EXPECT_EQ(grid->currentIndex().row(), 6);
    QCoreApplication::processEvents();
    const QRect weight = grid->visualRect(grid->model()->index(6, ReadingTableModel::ColWeight));
    const QImage shown = grid->viewport()->grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(weight.right() - 2, weight.center().y())), QColor(0, 128, 0));

    // The chart's buttons act on its ranges: both x axes follow the data until zoomed.
    EXPECT_EQ(chart.range(Axis::Bottom), (AxisRange{0, 3}));
    find<QPushButton>("BitBtn2")->click();  // Zoom In
    find<QPushButton>("SpeedButton4")->click();  // scroll right by a tenth
    EXPECT_NEAR(chart.range(Axis::Bottom).min, 0.6 + 0.18, 1e-9);
    EXPECT_NEAR(chart.range(Axis::Top).max, 2.4 + 0.18, 1e-9);
    EXPECT_EQ(chart.range(Axis::Left), (AxisRange{0, 140}));
}

TEST_F(DataViewWindowTest, FilesThatAreNoSavedFilesAndFilesThatLieAboutTheirCount)
{
    open(saved("a.qrv", {"60.1", "72.5", "65"}));
    // Announced but empty: it counts, with the figures' starting values.
    open(raw("empty.qrv", "@Sonavistor File\r\nTotal:5\r\n"));
    EXPECT_EQ(edit("Edit1"), "2");
    EXPECT_EQ(edit("Edit2"), "1300");
    EXPECT_EQ(edit("Edit3"), "0");
    EXPECT_EQ(view()->fileStarts()[1], 4);
    EXPECT_EQ(view()->chart().pointCount(1), 0);

    // Not saved files: skipped without a word, nothing changes.
    const QByteArray line = "2024/5/17 ,9:0:0   ,65.3  ,A";
    for (const QString& path : {raw("case.qrv", "@sonavistor file\r\nTotal:1\r\n" + line + "\r\n"),
                                raw("binary.qrv", QByteArray("\x00\x01\xfe\xff\r\n\x7f", 7)),
                                raw("nothing.qrv", ""),
                                raw("cr.qrv", "@Sonavistor File\rTotal:1\r" + line + "\r"),
                                raw("huge.qrv", QByteArray(10 * 1024 * 1024, 'x') + "\r\nTotal:0\r\n")}) {
        open(path);
        EXPECT_EQ(edit("Edit1"), "2") << path.toStdString();
        EXPECT_EQ(edit("Edit2"), "1300") << path.toStdString();
    }
    EXPECT_EQ(rows().size(), 3u);
    EXPECT_TRUE(messages.shown().isEmpty());

    // A Total line that lies, in either direction or announcing none: the rows the file holds count.
    open(raw("more.qrv", "@Sonavistor File\r\nTotal:9\r\n" + line + "\r\n"));
    open(raw("fewer.qrv", "@Sonavistor File\r\nTotal:1\r\n" + line + "\r\n" + line + "\r\n"));
    open(raw("zero.qrv", "@Sonavistor File\r\nTotal:0\r\n" + line + "\r\n"));
    EXPECT_TRUE(messages.shown().isEmpty());
    EXPECT_EQ(edit("Edit1"), "5");
    EXPECT_EQ(rows().size(), 7u);
    EXPECT_EQ(view()->fileStarts()[4], 8);
    EXPECT_EQ(rowColour(6), fileColour(5, view()->palette()));
    // A negative count is no count: the file is refused with its line, and nothing of it stays.
    open(raw("negative.qrv", "@Sonavistor File\r\nTotal:-4\r\n" + line + "\r\n"));
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_TRUE(messages.shown()[0].text.contains("negative.qrv, line 2")) << messages.shown()[0].text.toStdString();
    EXPECT_EQ(edit("Edit1"), "5");
    EXPECT_EQ(rows().size(), 7u);

    // A cancelled dialog adds nothing either.
    dialogs.cancel();
    QMetaObject::invokeMethod(form.get(), &MainWindow::openDataView, Qt::QueuedConnection);
    QCoreApplication::processEvents();
    EXPECT_EQ(edit("Edit1"), "5");
}

TEST_F(DataViewWindowTest, AFileThatFailsLeavesNothingBehind)
{
    open(saved("a.qrv", {"60.1", "72.5", "65"}));
    const QString bad = saved("bad.qrv", {"55.0", "56.0", "70.05", "57.0"});  // two decimals halfway
    open(bad);
    ASSERT_EQ(errors().size(), 1);
    EXPECT_TRUE(errors()[0].contains("'70.05 '")) << errors()[0].toStdString();
    EXPECT_TRUE(errors()[0].contains(QDir::toNativeSeparators(bad)));
    EXPECT_TRUE(errors()[0].contains("line 5"));

    const QString gone = files.filePath("vanished.qrv");  // chosen, then gone before the read
    open(gone);
    open(raw("total.qrv", "@Sonavistor File\r\nTotal:many\r\n"));
    ASSERT_EQ(errors().size(), 3);
    EXPECT_TRUE(errors()[1].contains(QDir::toNativeSeparators(gone)));
    EXPECT_TRUE(errors()[2].contains("'many'"));

    // Nothing of those files anywhere.
    EXPECT_EQ(rows().size(), 3u);
    EXPECT_EQ(view()->fileCount(), 1);
    EXPECT_EQ(edit("Edit1"), "1");
    EXPECT_EQ(edit("Edit2"), "60.1");
    EXPECT_EQ(edit("Edit3"), "72.5");
    EXPECT_EQ(view()->fileStarts()[1], 0);
    EXPECT_EQ(view()->chart().pointCount(1), 0);
    EXPECT_EQ(view()->chart().series(1)->count(), 0);

    // The next good file is the second, in the second colour.
    open(saved("b.qrv", {"50.0"}));
    EXPECT_EQ(rows().back().RecNo, 4);
    EXPECT_EQ(rowColour(3), QColor(0, 128, 0));
    EXPECT_EQ(view()->chart().pointCount(1), 1);

    // A bulk load the database refuses (RecNo 7 is taken) takes the file back out.
    form->database().appendRow(TableLoadData, {"2024/5/17", "9:0:0", "1.0", "A", 7});
    open(saved("c.qrv", {"40.0", "41.0", "42.0"}));
    ASSERT_EQ(errors().size(), 4);
    EXPECT_EQ(rows().size(), 5u);
    EXPECT_EQ(view()->fileCount(), 2);
    EXPECT_EQ(edit("Edit1"), "2");
    EXPECT_EQ(edit("Edit3"), "50");
    EXPECT_EQ(view()->fileStarts()[2], 0);
    EXPECT_EQ(view()->chart().pointCount(2), 0);
}

TEST_F(DataViewWindowTest, TenFilesAtMostAndTheEleventhAsksNoFile)
{
    // Ten files of different lengths and levels, for the screenshot as well.
    for (int k = 0; k < 10; ++k) {
        QStringList levels;
        for (int i = 0; i < 600 + 180 * k; ++i)
            levels << QString::number(35 + 8 * k + 6 * std::sin((i + 40 * k) / 25.0) + (i * 7 + k) % 5, 'f', 1);
        open(saved(QStringLiteral("day%1.qrv").arg(k + 1), levels));
    }
    EXPECT_EQ(edit("Edit1"), "10");
    for (int k = 1; k <= 10; ++k)
        EXPECT_EQ(rowColour(view()->fileStarts()[static_cast<size_t>(k - 1)] - 2), view()->seriesColour(k)) << k;
    EXPECT_EQ(view()->seriesColour(6), view()->palette().color(QPalette::Dark));

    const int dialogsBefore = dialogs.shown();
    const size_t rowsBefore = rows().size();
    form->openDataView();
    EXPECT_EQ(dialogs.shown(), dialogsBefore);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].text, "Sorry, the current version only support to open \r10 reports at the same time.");
    EXPECT_EQ(messages.shown()[0].caption, "Error Information");
    EXPECT_EQ(messages.shown()[0].icon, MessageIcon::Error);
    EXPECT_EQ(rows().size(), rowsBefore);
    EXPECT_EQ(edit("Edit1"), "10");

    find<QPushButton>("BitBtn2")->click();
    EXPECT_FALSE(saveScreenshot(form.get(), "data-view-window").isEmpty());
}

TEST_F(DataViewWindowTest, ClosingNeverAsksAndANewWindowStartsFromRecNoOne)
{
    open(saved("a.qrv", {"60.1", "72.5", "65"}));
    QPointer<DataViewWindow> first = view();
    first->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(first);
    EXPECT_TRUE(messages.shown().isEmpty());
    EXPECT_FALSE(ShellState.AnalyzeWindowOpen);
    form->everySecond();
    EXPECT_EQ(entriesNamed("menuanalyze"), 0);
    EXPECT_EQ(rows().size(), 3u);  // kept until the next window

    open(saved("b.qrv", {"50.2", "81.4"}));
    ASSERT_NE(view(), nullptr);
    EXPECT_EQ(entriesNamed("menuanalyze"), 1);
    ASSERT_EQ(rows().size(), 2u);
    EXPECT_EQ(rows()[0].RecNo, 1);
    EXPECT_EQ(rowColour(0), QColor(0, 0, 255));
    EXPECT_EQ(edit("Edit1"), "1");
}

TEST_F(DataViewWindowTest, OpenAndCloseDuringALoadsEventLoopPassWaitForIt)
{
    open(saved("a.qrv", {"60.1", "72.5", "65"}));
    QPointer<DataViewWindow> window = view();
    // Both arrive while the next file is read; the load's one pass sees them.
    dialogs.choose(saved("b.qrv", {"50.2"}));
    dialogs.choose(saved("c.qrv", {"44.4"}));
    QMetaObject::invokeMethod(form.get(), &MainWindow::openDataView, Qt::QueuedConnection);
    QMetaObject::invokeMethod(window->parentWidget(), &QWidget::close, Qt::QueuedConnection);
    form->openDataView();
    EXPECT_EQ(dialogs.shown(), 2);  // the Open during the load asked for nothing
    ASSERT_EQ(rows().size(), 4u);
    EXPECT_EQ(rows().back().MeaValue, "50.2");
    EXPECT_TRUE(errors().isEmpty());
    ASSERT_TRUE(window);  // still there for the rest of its load, then closed
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window);
    EXPECT_FALSE(ShellState.AnalyzeWindowOpen);
}

TEST_F(DataViewWindowTest, ExportAndDataSheetHoldEveryLoadDataRow)
{
    ScriptedPrintDialogs printDialogs;
    installPrintCommands(*form, printDialogs);
    open(saved("a.qrv", {"60.1", "72.5", "65"}));
    open(saved("b.qrv", {"50.2", "81.4"}, "C"));
    dialogs.choose(files.filePath("both.xls"));
    form->exportToExcel();
    const BiffSheet sheet = readBiffFile(files.filePath("both.xls"));
    const std::vector<ReadingRow> loaded = rows();
    ASSERT_EQ(loaded.size(), 5u);
    EXPECT_EQ(sheet.lastRow, 6);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(sheet.cell(2 + i, 0).toInt(), loaded[i].RecNo);
        EXPECT_EQ(sheet.text(2 + i, 1), loaded[i].MeaValue);
        EXPECT_EQ(sheet.text(2 + i, 2), loaded[i].Weight);
    }
    if (!pdfToTextInstalled())
        GTEST_SKIP() << "pdftotext is not installed";
    printDialogs.answer = {ReportOutput::PdfFile, files.filePath("both.pdf")};
    form->printDataSheet();
    const QString text = pdfText(files.filePath("both.pdf"));
    EXPECT_TRUE(text.contains("Page 1 of 1")) << text.toStdString();
    EXPECT_TRUE(text.contains("81.4"));
}

TEST_F(DataViewWindowTest, NoiseFiguresFollowEachOpenAndGoIntoTheNoiseReport)
{
    open(saved("a.qrv", {"60.1", "72.5", "65"}));
    auto* panel = find<QTableWidget>("NoiseFigures");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->accessibleName(), "Noise figures");
    // The whole measurement first, then the day.
    ASSERT_EQ(panel->rowCount(), 2);
    EXPECT_EQ(panel->item(0, 0)->text(), "Whole measurement");
    EXPECT_EQ(panel->item(0, 2)->text(), "-");  // its only day covers 3 s: left out
    EXPECT_EQ(panel->item(0, 7)->text(), "0 of 1 days, 0 of 0 nights");
    EXPECT_EQ(panel->item(1, 0)->text(), "2024/5/17");
    EXPECT_EQ(panel->item(1, 2)->text(), "-");  // no evening or night: no Lden
    // Lday = 10 log10((10^6.01 + 10^7.25 + 10^6.5) / 3) = 68.6
    EXPECT_EQ(panel->item(1, 3)->text(), "68.6");
    EXPECT_EQ(panel->item(1, 6)->text(), "0");  // one second at 72.5 dB is no event
    EXPECT_EQ(panel->item(1, 7)->text(), "0.0 % *");

    open(saved("b.qrv", {"50.2", "81.4"}, "C"));
    ASSERT_EQ(panel->rowCount(), 4);  // the whole measurement of A and of C, then the days
    EXPECT_EQ(panel->item(1, 1)->text(), "C");
    EXPECT_EQ(panel->item(3, 1)->text(), "C");
    EXPECT_TRUE(messages.shown().isEmpty());

    const QString pdf = files.filePath("noise.pdf");
    dialogs.choose(pdf);
    form->reportNoise();
    EXPECT_TRUE(errors().isEmpty()) << errors().join('\n').toStdString();
    ASSERT_TRUE(QFile::exists(pdf));
    if (!pdfToTextInstalled())
        GTEST_SKIP() << "pdftotext is not installed";
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains("2024-05-17, A-weighted"));
    EXPECT_TRUE(text.contains("2024-05-17, C-weighted"));
    EXPECT_TRUE(text.contains("68.6"));
}

TEST_F(DataViewWindowTest, TheNoiseReportReplacesAFileOnlyAfterAYes)
{
    open(saved("a.qrv", {"60.1", "72.5", "65"}));
    const QString pdf = files.filePath("noise.pdf");
    ASSERT_TRUE(putFileBytes(pdf, "kept\n"));
    messages.clear();
    dialogs.choose(pdf);
    messages.answer(No);
    form->reportNoise();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown().front().text, pdf + "  already exists!\rDo you want to replace it?");
    EXPECT_EQ(fileBytes(pdf), "kept\n");

    dialogs.choose(pdf);
    messages.answer(Yes);
    form->reportNoise();
    EXPECT_TRUE(fileBytes(pdf).startsWith("%PDF"));
}
