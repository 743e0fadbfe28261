// The import window driven offscreen through the main window against the
// simulated meter, with real reading threads.
#include "analysis/saved_file_load.h"
#include "app/application.h"
#include "app/child_windows.h"
#include "app/main_window.h"
#include "app/print_commands.h"
#include "common/error.h"
#include "common/shell_state.h"
#include "export/biff_reader.h"
#include "import_window/import_window.h"
#include "widgets/level_chart.h"
#include "measure/realtime_window.h"
#include "meter/meter_connection.h"
#include "sim/memory_generator.h"
#include "sim/simulated_meter.h"
#include "store/measurement_db.h"
#include "tests/export/scripted_print_dialogs.h"
#include "tests/meter/meter_test_support.h"
#include "tests/support/pdf_text.h"
#include "tests/support/program_folder_fixture.h"
#include "tests/support/scripted_file_dialogs.h"
#include "tests/support/scripted_messages.h"
#include "tests/support/screenshot.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMdiSubWindow>
#include <QProcess>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

using namespace sonavistor;
using namespace sonavistor::test;

namespace {

// `records` records two minutes apart from `start`, every level `level`.
QByteArray day(const QString& start, int records, int level = 700)
{
    QByteArray memory;
    const QDateTime first = QDateTime::fromString(start, Qt::ISODate);
    for (int r = 0; r < records; ++r)
        memory += makeRecord(first.addSecs(120LL * r), std::vector<int>(60, level));
    return memory;
}

// The simulated meter, with record transfers that can go wrong on purpose.
class DayMeter : public FakeDeviceBehaviour {
public:
    explicit DayMeter(MeterScenario scenario) : meter_(std::move(scenario)) {}
    std::atomic<int> badHeaders{0};      // transfers whose first record has year byte 0
    std::atomic<int> missingRecords{0};  // records every transfer leaves out at its end
    std::atomic<int> silentTransfers{0};  // transfers that stop after their first record

    std::vector<FakeInputReport> onOutputReport(const quint8* report, int size) override
    {
        std::lock_guard lock(mutex_);
        std::vector<SimReport> answer = meter_.handleOutputReport(report, size);
        if (size > 1 && report[1] == ReadRecords && answer.size() > 1) {
            if (badHeaders > 0) {
                --badHeaders;
                answer[0].data[2] = 0;
            }
            const auto drop = std::min<size_t>(2 * static_cast<size_t>(missingRecords), answer.size() - 1);
            answer.erase(answer.end() - 1 - static_cast<std::ptrdiff_t>(drop), answer.end() - 1);
            if (silentTransfers > 0) {
                --silentTransfers;
                answer.resize(2);
            }
        }
        std::vector<FakeInputReport> out;
        for (const SimReport& r : answer)
            out.push_back({r.data, r.delayMs});
        return out;
    }

private:
    std::mutex mutex_;
    SimulatedMeter meter_;
};

class ImportWindowTest : public ::testing::Test {
protected:
    void start(const QByteArray& memory, int countMark = kCountMark)
    {
        AppEnvironment env{folder.path(), "sonavistor", locks.path(), &messages, &dialogs, &platform};
        form = std::make_unique<MainWindow>(env);
        installStandardWindows(*form);
        form->show();
        plug(memory, countMark);
        form->importData();
        window = qobject_cast<ImportWindow*>(ShellState.ImportWindowHandle.data());
        ASSERT_NE(window, nullptr);
        static_cast<SonavistorApplication*>(QCoreApplication::instance())->setMessageService(&messages);
    }
    void plug(const QByteArray& memory, int countMark = kCountMark, int reportDelayMs = 0, int unplugAfter = -1,
              int silentAfter = -1)
    {
        MeterScenario s;
        s.memory = memory;
        s.countMark = countMark;
        s.reportDelayMs = reportDelayMs;
        s.silentAfterReports = silentAfter;
        meter = std::make_shared<DayMeter>(s);
        FakeDeviceSetup setup = meterSetup(meter);
        setup.unplugAfterReports = unplugAfter;
        meterPath = platform.plug(setup);
        ASSERT_TRUE(waitUntil([] { return MeterLink.Connected; }));
    }
    void unplug()
    {
        platform.unplug(meterPath);
        ASSERT_TRUE(waitUntil([] { return !MeterLink.Connected; }));
    }
    void TearDown() override
    {
        static_cast<SonavistorApplication*>(QCoreApplication::instance())->setMessageService(nullptr);
        if (form) {
            messages.answer(Yes);
            form->close();
            form.reset();
        }
    }

    template <typename T>
    T* find(const char* name) { return window->findChild<T*>(name); }
    QString text(const char* name) { return find<QLineEdit>(name)->text(); }
    bool shown(const char* name) { return !find<QWidget>(name)->isHidden(); }
    bool enabled(const char* name) { return find<QWidget>(name)->isEnabled(); }
    QStringList listLines()
    {
        QStringList lines;
        for (int i = 0; i < find<QListWidget>("ListBox1")->count(); ++i)
            lines << find<QListWidget>("ListBox1")->item(i)->text();
        return lines;
    }
    // Output reports of one command written to the meter so far.
    int sent(quint8 command)
    {
        int n = 0;
        for (const QByteArray& r : platform.written(meterPath))
            n += r.size() > 1 && static_cast<quint8>(r[1]) == command;
        return n;
    }
    QByteArray lastRecordRequest()
    {
        QByteArray last;
        for (const QByteArray& r : platform.written(meterPath))
            if (r.size() > 9 && static_cast<quint8>(r[1]) == ReadRecords)
                last = r.mid(2, 8);
        return last;
    }
    // Import, pick `line` on the date panel, wait until the attempts are over.
    void importLine(int line)
    {
        window->openDayList();
        ASSERT_TRUE(shown("Panel4"));
        find<QListWidget>("ListBox1")->setCurrentRow(line);
        find<QPushButton>("BitBtn7")->click();
        ASSERT_TRUE(waitUntil([this] { return window->operation() == ImportWindow::Operation::None; }, 20000));
    }
    // The window is back where a new Import can start.
    void expectUsable()
    {
        EXPECT_EQ(window->operation(), ImportWindow::Operation::None);
        EXPECT_TRUE(enabled("BitBtn1"));
        EXPECT_FALSE(shown("Panel3"));
        EXPECT_TRUE(form->toolBar()->isEnabled());
        EXPECT_EQ(MeterLink.Busy, 0);
    }
    std::vector<ReadingRow> rows() { return form->database().rows(TableGetRecorde); }
    void closeWindow() { window->parentWidget()->close(); }
    bool windowGone()
    {
        return waitUntil([this] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return window.isNull();
        });
    }

    ProgramFolder folder;
    QTemporaryDir locks;
    ScriptedMessages messages;
    ScriptedFileDialogs dialogs;
    FakeHidPlatform platform;
    std::shared_ptr<DayMeter> meter;
    QString meterPath;
    std::unique_ptr<MainWindow> form;
    QPointer<ImportWindow> window;
};

const QByteArray threeDays = day("2024-05-17T08:00:00", 3) + day("2024-05-18T09:00:00", 2, 653) +
                             day("2024-05-19T21:00:00", 4, 812);
// Slow enough at 2 ms a report to act while the records come.
const QByteArray slowDay = day("2024-05-17T08:00:00", 60);

}  // namespace

TEST_F(ImportWindowTest, ListsTheDaysAndImportsTheChosenOne)
{
    start(threeDays);
    EXPECT_EQ(window->windowTitle(), "Sonavistor Import Data ");
    EXPECT_TRUE(window->parentWidget()->isMaximized());
    EXPECT_FALSE(enabled("BitBtn5"));
    EXPECT_FALSE(enabled("BitBtn2"));
    window->openDayList();
    EXPECT_EQ(listLines(), QStringList({"2024/05/17", "2024/05/18", "2024/05/19"}));
    EXPECT_TRUE(shown("Panel4"));
    EXPECT_EQ(find<QWidget>("Panel4")->pos(),
              QPoint((find<QWidget>("ChartPanel")->width() - 320) / 2, (find<QWidget>("ChartPanel")->height() - 300) / 2));
    form->resize(1280, 800);
    QCoreApplication::processEvents();
    find<QListWidget>("ListBox1")->setCurrentRow(1);
    saveScreenshot(form.get(), "import-window-date-panel");

    // Nothing selected: the panel's Import asks for a date.
    find<QListWidget>("ListBox1")->clearSelection();
    find<QPushButton>("BitBtn7")->click();
    EXPECT_EQ(messages.texts(), QStringList({"Please select a date!"}));
    find<QPushButton>("BitBtn8")->click();  // Back
    EXPECT_FALSE(shown("Panel4"));

    // A line other than the last: up to one before the next line's first record.
    importLine(0);
    EXPECT_EQ(lastRecordRequest(), QByteArray::fromHex("0000000100000003"));
    ASSERT_EQ(rows().size(), 180u);
    EXPECT_EQ(rows()[0].RecNo, 0);
    EXPECT_EQ(rows()[0].NTime, "8:0:0");
    EXPECT_EQ(rows()[179].RecNo, 179);
    EXPECT_EQ(text("Edit4"), "180");
    EXPECT_EQ(text("Edit1"), "70");
    EXPECT_EQ(text("Edit2"), "70");
    EXPECT_EQ(text("Edit3"), "70.0");
    EXPECT_EQ(window->chart().pointCount(), 180);
    EXPECT_EQ(window->chart().range(Axis::Bottom), (AxisRange{120, 179}));
    EXPECT_TRUE(enabled("BitBtn5"));
    EXPECT_TRUE(enabled("BitBtn2"));
    EXPECT_TRUE(enabled("SpeedButton4"));
    expectUsable();

    // Import again: the same list, the meter is not asked; the last line
    // imports up to the record count and replaces the rows.
    const int written = static_cast<int>(platform.written(meterPath).size());
    window->openDayList();
    EXPECT_EQ(static_cast<int>(platform.written(meterPath).size()), written);
    EXPECT_EQ(listLines().size(), 3);
    find<QPushButton>("BitBtn8")->click();
    importLine(2);
    EXPECT_EQ(lastRecordRequest(), QByteArray::fromHex("0000000600000009"));
    ASSERT_EQ(rows().size(), 240u);
    EXPECT_EQ(rows()[0].RecNo, 0);
    EXPECT_EQ(rows()[60].NTime, "21:2:0");
    EXPECT_EQ(text("Edit1"), "81.2");
    EXPECT_EQ(text("Edit3"), "81.2");
    EXPECT_EQ(window->chart().range(Axis::Bottom), (AxisRange{180, 239}));
    EXPECT_EQ(messages.texts().size(), 1);
}

TEST_F(ImportWindowTest, ALongDayGivesItsFirst43200RowsSavedAsTheCommandLineToolSavesThem)
{
    const QByteArray memory = generateMemory({{QDateTime::fromString("2024-05-17T00:00:00", Qt::ISODate), 730, 650, 150}});
    start(memory);
    importLine(0);
    const std::vector<ReadingRow> imported = rows();
    ASSERT_EQ(imported.size(), 43200u);
    EXPECT_EQ(imported.front().RecNo, 0);
    EXPECT_EQ(imported.back().RecNo, 43199);
    EXPECT_EQ(imported.back().NTime, "23:59:58");
    EXPECT_EQ(text("Edit4"), "43200");
    EXPECT_EQ(window->chart().range(Axis::Bottom), (AxisRange{43140, 43199}));
    form->resize(1280, 800);
    find<QPushButton>("BitBtn4")->click();  // Reset Zoom: the whole day
    saveScreenshot(form.get(), "import-window-full-day");

    QTemporaryDir out;
    dialogs.choose(out.filePath("day"));
    form->everySecond();
    form->saveActiveWindow();  // File > Save performs the window's Save
    const QString saved = out.filePath("day.qrv");
    EXPECT_EQ(text("Edit5"), saved);
    EXPECT_FALSE(enabled("BitBtn5"));
    EXPECT_FALSE(shown("Panel3"));
    EXPECT_EQ(dialogs.filters().last(), "*.QRV|*.QRV|*.qrv|*.qrv");

    // The command-line tool on the same memory writes the same bytes.
    QFile bin(out.filePath("memory.bin"));
    ASSERT_TRUE(bin.open(QIODevice::WriteOnly));
    bin.write(memory);
    bin.close();
    QFile json(out.filePath("meter.json"));
    ASSERT_TRUE(json.open(QIODevice::WriteOnly));
    json.write("{\"memory\": \"memory.bin\"}");
    json.close();
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", out.path());
    cli.setProcessEnvironment(env);
    cli.start(CLI_PATH, {"import", "2024/05/17", "-o", out.filePath("cli.qrv"), "--meter", "sim:" + json.fileName()});
    ASSERT_TRUE(cli.waitForFinished(120000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    QFile a(saved), b(out.filePath("cli.qrv"));
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    const QByteArray windowBytes = a.readAll();
    EXPECT_TRUE(windowBytes.startsWith("@Sonavistor File\r\nTotal:43200\r\n"));
    EXPECT_TRUE(windowBytes == b.readAll());

    // Saved: closing asks nothing.
    messages.clear();
    closeWindow();
    EXPECT_TRUE(windowGone());
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(ImportWindowTest, ACountWithoutItsMarkOrWithoutRecordsIsNoRecords)
{
    start(threeDays, 0x00);
    window->openDayList();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].text, " No recordes !");
    EXPECT_EQ(messages.shown()[0].caption, "Error Infromation");
    EXPECT_EQ(messages.shown()[0].icon, MessageIcon::Information);
    EXPECT_EQ(MeterLink.RecordCount, 0);  // the count bytes said 9
    EXPECT_FALSE(shown("Panel4"));
    expectUsable();
    window->openDayList();  // asks the meter again
    EXPECT_EQ(sent(ReadCount), 2);
    EXPECT_EQ(sent(ReadDates), 0);

    unplug();
    window->openDayList();
    EXPECT_EQ(messages.texts().last(), " Deviceis not connected ");
    plug(QByteArray());
    window->openDayList();
    EXPECT_EQ(messages.texts().last(), " No recordes !");
    EXPECT_FALSE(shown("Panel4"));
}

TEST_F(ImportWindowTest, AFailingDayIsTriedFourTimesThenReportedOnce)
{
    start(threeDays);
    meter->badHeaders = 1000;
    importLine(1);
    EXPECT_EQ(sent(ReadRecords), 4);
    EXPECT_EQ(messages.texts(), QStringList({"Import Failed! try again"}));
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(window->failedAttempts(), 0);
    expectUsable();

    // A header that fails once: the first automatic retry imports the day.
    meter->badHeaders = 1;
    importLine(1);
    EXPECT_EQ(sent(ReadRecords), 6);
    EXPECT_EQ(rows().size(), 120u);
    EXPECT_EQ(messages.texts().size(), 1);

    // A staging file that cannot be written: the error shows, nothing is loaded.
    QFile::remove(folder.file("AsciiDBF.TXT"));
    ASSERT_TRUE(QDir(folder.path()).mkdir("AsciiDBF.TXT"));
    importLine(0);
    EXPECT_EQ(messages.shown().last().icon, MessageIcon::Error);
    EXPECT_TRUE(rows().empty());
    EXPECT_FALSE(enabled("BitBtn5"));
    expectUsable();
}

TEST_F(ImportWindowTest, RecordsTheMeterDidNotSendAreNeverDecoded)
{
    start(threeDays);
    importLine(2);  // four records in the image
    ASSERT_EQ(rows().size(), 240u);
    // Two records asked, one sent: the image still holds valid records of
    // the earlier transfer behind it, which must not become rows.
    meter->missingRecords = 1;
    importLine(1);
    EXPECT_EQ(sent(ReadRecords), 5);
    EXPECT_EQ(messages.texts(), QStringList({"Import Failed! try again"}));
    EXPECT_TRUE(rows().empty());
    EXPECT_FALSE(enabled("BitBtn5"));
}

TEST_F(ImportWindowTest, AMeterUnpluggedAtAnyStepLeavesTheWindowUsable)
{
    const auto check = [this](const char* during) {
        SCOPED_TRACE(during);
        const bool importing = QByteArray(during) == "records";
        ASSERT_TRUE(waitUntil([] { return !MeterLink.Connected; }));
        ASSERT_FALSE(messages.shown().isEmpty());
        EXPECT_TRUE(messages.texts().last().contains("the meter was disconnected")) << messages.texts().last().toStdString();
        if (importing) {
            EXPECT_TRUE(rows().empty());
        }
        EXPECT_FALSE(shown("Panel4"));
        expectUsable();
        // Plugged back in, the next Import reads the days and imports.
        plug(threeDays);
        importLine(0);
        EXPECT_EQ(rows().size(), 180u);
        platform.unplug(meterPath);
        ASSERT_TRUE(waitUntil([] { return !MeterLink.Connected; }));
        messages.clear();
    };

    start(QByteArray());
    unplug();
    plug(threeDays, kCountMark, 300);  // during the count
    once(window, [this] { return sent(ReadCount) == 1; }, [this] { platform.unplug(meterPath); });
    window->openDayList();
    check("count");

    unplug();
    plug(threeDays, kCountMark, 0, 1 + 10);  // during the dates
    window->openDayList();
    check("dates");

    unplug();
    plug(threeDays, kCountMark, 0, 1 + 65 + 3);  // during the records
    window->openDayList();
    find<QListWidget>("ListBox1")->setCurrentRow(2);
    find<QPushButton>("BitBtn7")->click();
    ASSERT_TRUE(waitUntil([this] { return window->operation() == ImportWindow::Operation::None; }));
    check("records");
}

TEST_F(ImportWindowTest, TheMeterIsBusyForOthersWhileTheWindowUsesIt)
{
    start(QByteArray());
    form->measureInRealTime();
    auto* live = qobject_cast<RealtimeWindow*>(ShellState.MeasureWindowHandle.data());
    ASSERT_NE(live, nullptr);
    unplug();
    plug(slowDay, kCountMark, 2);

    // During the date read: busy 30, Import disabled and a second press ignored.
    bool checkedDates = false;
    once(window, [this] { return sent(ReadDates) == 1; }, [&] {
        EXPECT_EQ(window->operation(), ImportWindow::Operation::ReadingDates);
        EXPECT_EQ(MeterLink.Busy, 30);
        EXPECT_FALSE(enabled("BitBtn1"));
        EXPECT_FALSE(form->toolBar()->isEnabled());
        window->openDayList();
        EXPECT_FALSE(shown("Panel4"));
        checkedDates = true;
    });
    window->openDayList();
    EXPECT_TRUE(checkedDates);
    EXPECT_EQ(sent(ReadCount), 1);

    // During the import the live window's Start is refused, and a saved file
    // opened meanwhile (through the same staging file) spoils nothing.
    folder.write("open.qrv", "@Sonavistor File\r\nTotal:1\r\n2024/5/17 ,9:5:3   ,65.3  ,A\r\n");
    bool checkedImport = false;
    once(window, [this] { return sent(ReadRecords) == 1; }, [&] {
        EXPECT_EQ(MeterLink.Busy, 30);
        live->startMeasurement();
        EXPECT_FALSE(live->isMeasuring());
        loadSavedFile(form->database(), folder.path(), folder.file("open.qrv"));
        checkedImport = true;
    });
    find<QListWidget>("ListBox1")->setCurrentRow(0);
    find<QPushButton>("BitBtn7")->click();
    EXPECT_TRUE(checkedImport);
    EXPECT_EQ(rows().size(), 3600u);
    EXPECT_EQ(form->database().rowCount(TableLoadData), 1);

    // While the live window measures, Import refuses and leaves its marker.
    live->startMeasurement();
    ASSERT_EQ(MeterLink.Busy, 10);
    window->openDayList();
    EXPECT_EQ(messages.texts().last(), " Deviceis not connected ");
    EXPECT_EQ(MeterLink.Busy, 10);
    live->stopMeasurement();
}

TEST_F(ImportWindowTest, ClosingDuringAReadEndsItAndCloses)
{
    start(QByteArray());
    unplug();
    plug(slowDay, kCountMark, 2);
    once(window, [this] { return sent(ReadDates) == 1; }, [this] { closeWindow(); });
    window->openDayList();  // the window must still be here when the read returns
    ASSERT_TRUE(window);
    EXPECT_TRUE(windowGone());
    EXPECT_TRUE(form->toolBar()->isEnabled());
    EXPECT_EQ(MeterLink.Busy, 0);
    EXPECT_TRUE(messages.shown().isEmpty());

    form->importData();
    window = qobject_cast<ImportWindow*>(ShellState.ImportWindowHandle.data());
    ASSERT_NE(window, nullptr);
    window->openDayList();
    find<QListWidget>("ListBox1")->setCurrentRow(0);
    once(window, [this] { return sent(ReadRecords) == 1; }, [this] { closeWindow(); });
    find<QPushButton>("BitBtn7")->click();
    EXPECT_TRUE(windowGone());
    EXPECT_TRUE(rows().empty());
    EXPECT_TRUE(form->toolBar()->isEnabled());
    EXPECT_EQ(MeterLink.Busy, 0);
    EXPECT_TRUE(messages.shown().isEmpty());
    form->everySecond();
    EXPECT_TRUE(form->findChild<QAction*>("N16")->isEnabled());
}

TEST_F(ImportWindowTest, ClosingUnsavedAsksAndSaveAsksBeforeReplacing)
{
    start(threeDays);
    importLine(1);
    messages.answer(Cancel);
    closeWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ(messages.shown().last().text, "Up-load data have not save yet!\rDo you want to save data?");
    EXPECT_EQ(messages.shown().last().caption, "Query Information");
    EXPECT_EQ(messages.shown().last().buttons, Yes | No | Cancel);
    EXPECT_TRUE(window->parentWidget()->isMinimized());
    form->everySecond();
    EXPECT_FALSE(form->findChild<QAction*>("N16")->isEnabled());

    // An existing file: No writes nothing and Save stays enabled.
    QTemporaryDir out;
    const QString path = out.filePath("day.qrv");
    QFile existing(path);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("keep me");
    existing.close();
    dialogs.choose(path);
    messages.answer(No);
    window->saveDay();
    EXPECT_EQ(messages.shown().last().text, "Filename  already exits!\rAre you sure to replace it?");
    EXPECT_TRUE(enabled("BitBtn5"));
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), "keep me");
    existing.close();
    // A target that cannot be written: the error is shown and the rows stay unsaved.
    dialogs.choose(path + "/inside.qrv");
    window->saveDay();
    EXPECT_EQ(messages.shown().last().icon, MessageIcon::Error);
    EXPECT_TRUE(enabled("BitBtn5"));
    EXPECT_FALSE(shown("Panel3"));

    // Closing, Yes: saves (replacing after a Yes), then closes.
    messages.answer(Yes);
    messages.answer(Yes);
    dialogs.choose(path);
    closeWindow();
    EXPECT_TRUE(windowGone());
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_TRUE(existing.readAll().startsWith("@Sonavistor File\r\nTotal:120\r\n"));
    form->everySecond();
    EXPECT_TRUE(form->findChild<QAction*>("N16")->isEnabled());
    EXPECT_FALSE(form->findChild<QMenu*>("N20")->actions().contains(form->findChild<QAction*>("importdata")));
}

TEST_F(ImportWindowTest, ExportAndDataSheetHoldTheImportedDay)
{
    start(threeDays);
    ScriptedPrintDialogs printDialogs;
    installPrintCommands(*form, printDialogs);
    importLine(2);
    ASSERT_EQ(rows().size(), 240u);
    QTemporaryDir out;
    dialogs.choose(out.filePath("day.xls"));
    form->exportToExcel();
    EXPECT_TRUE(messages.shown().back().text.startsWith("Exported  240  records total."));
    const BiffSheet sheet = readBiffFile(out.filePath("day.xls"));
    EXPECT_EQ(sheet.lastRow, 241);
    const std::vector<ReadingRow> day = rows();
    for (int i : {0, 59, 60, 239}) {
        EXPECT_EQ(sheet.cell(2 + i, 0).toInt(), day[i].RecNo);
        EXPECT_EQ(sheet.text(2 + i, 1), day[i].MeaValue);
        EXPECT_EQ(sheet.text(2 + i, 3), day[i].NTime);
        EXPECT_EQ(sheet.text(2 + i, 4), day[i].NDate);
    }
    if (!pdfToTextInstalled())
        GTEST_SKIP() << "pdftotext is not installed";
    printDialogs.answer = {ReportOutput::PdfFile, out.filePath("day.pdf")};
    form->printDataSheet();
    const QString text = pdfText(out.filePath("day.pdf"));
    EXPECT_TRUE(text.contains("Page 1 of")) << text.left(400).toStdString();
    EXPECT_TRUE(text.contains(day.back().NTime));
}

TEST_F(ImportWindowTest, AMeterThatNeverAnswersIsSaidAndClosingEndsTheWait)
{
    start(QByteArray());
    unplug();
    plug(threeDays, kCountMark, 0, -1, 0);
    QElapsedTimer clock;
    clock.start();
    find<QPushButton>("BitBtn1")->click();
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(messages.texts(), QStringList("The list of recorded days could not be read: the meter did not answer."));
    expectUsable();

    // Closed while it waits: the wait ends there, nothing more is said.
    once(window, [this] { return sent(ReadCount) == 2; }, [this] { closeWindow(); });
    find<QPushButton>("BitBtn1")->click();
    EXPECT_TRUE(windowGone());
    EXPECT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(form->toolBar()->isEnabled());
    EXPECT_EQ(MeterLink.Busy, 0);
}

TEST_F(ImportWindowTest, ADeviceChangeAfterTheListAsksTheCountAgainBeforeImporting)
{
    start(threeDays);
    window->openDayList();
    platform.plug(keyboardSetup());
    ASSERT_TRUE(waitUntil([] { return MeterLink.RecordCount == 0; }));
    ASSERT_TRUE(shown("Panel4"));
    find<QListWidget>("ListBox1")->setCurrentRow(2);
    find<QPushButton>("BitBtn7")->click();
    ASSERT_TRUE(waitUntil([this] { return window->operation() == ImportWindow::Operation::None; }));
    EXPECT_EQ(sent(ReadCount), 2);
    EXPECT_EQ(lastRecordRequest(), QByteArray::fromHex("0000000600000009"));
    EXPECT_EQ(rows().size(), 240u);
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(ImportWindowTest, SilentTransfersAreRetriedAndFailuresLeaveTheWindowUsable)
{
    start(threeDays);
    form->meter().setSilenceLimitMs(100);
    meter->silentTransfers = 3;  // the last retry brings the day
    importLine(1);
    EXPECT_EQ(sent(ReadRecords), 4);
    EXPECT_EQ(rows().size(), 120u);
    meter->silentTransfers = 1000;
    importLine(1);
    EXPECT_EQ(sent(ReadRecords), 8);
    EXPECT_EQ(messages.texts(), QStringList({"Import Failed! try again"}));
    expectUsable();

    // The table cannot be cleared: said, and the window works as before.
    meter->silentTransfers = 0;
    bool fail = true;
    QObject::connect(&form->database(), &MeasurementDatabase::tableReset, window, [&fail](TableId table) {
        if (fail && table == TableGetRecorde) {
            fail = false;
            throw Error("disk I/O error");
        }
    });
    importLine(0);
    EXPECT_EQ(messages.texts().last(), "disk I/O error");
    expectUsable();
    importLine(0);
    EXPECT_EQ(rows().size(), 180u);

    // A close asked for while a box is open happens after the box.
    bool aliveUnderTheBox = false;
    messages.onShow([&](const MessageRequest&) {
        closeWindow();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        aliveUnderTheBox = !window.isNull();
    });
    messages.answer(Ok);
    messages.answer(No);  // the rows are not saved: closing asks, and they are let go
    find<QListWidget>("ListBox1")->clearSelection();
    find<QPushButton>("BitBtn7")->click();
    messages.onShow(nullptr);
    EXPECT_TRUE(aliveUnderTheBox);
    EXPECT_TRUE(windowGone());
}

TEST_F(ImportWindowTest, GridsShowWholeDatesAndTimesAt10And14Points)
{
    const QFont before = QApplication::font();
    for (const int points : {10, 14}) {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSize(points);
        QApplication::setFont(font);
        start(QByteArray());
        form->openDataView();  // the data view, no file chosen
        for (QObject* view : {static_cast<QObject*>(window.data()), ShellState.AnalyzeWindowHandle.data()}) {
            auto* grid = view->findChild<QTableView*>("DataGrid1");
            ASSERT_NE(grid, nullptr);
            EXPECT_EQ(grid->font().pointSize(), points);
            // The cell's text keeps a margin on each side, as the style draws it.
            const int margin = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1);
            const QFontMetrics metrics(grid->font());
            EXPECT_LE(metrics.horizontalAdvance("23:59:58") + margin, grid->columnWidth(3)) << points;
            EXPECT_LE(metrics.horizontalAdvance("2024/12/28") + margin, grid->columnWidth(4)) << points;
        }
        messages.answer(Yes);
        form->close();
        form.reset();
    }
    QApplication::setFont(before);
}
