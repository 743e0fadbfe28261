// The noise history window offscreen, opened from the main window's File menu.
#include "data_view/data_view_window.h"
#include "app/application.h"
#include "app/child_windows.h"
#include "app/history_command.h"
#include "app/main_window.h"
#include "common/meter_settings.h"
#include "common/shell_state.h"
#include "history/history_index.h"
#include "tests/history/logged_days.h"
#include "tests/support/file_bytes.h"
#include "tests/support/program_folder_fixture.h"
#include "tests/support/scripted_file_dialogs.h"
#include "tests/support/scripted_messages.h"
#include "tests/support/screenshot.h"

#include <QAccessible>
#include <QAction>
#include <QDir>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace sonavistor;
using namespace sonavistor::test;

namespace {

// A day as the calendar should show it: hour h at 40 + h dB on the 1st, one
// dB louder each further day; a reading every minute.
int minuteLevel(int day, int second)
{
    return second % 60 ? -1 : (40 + second / 3600 + day - 1) * 10;
}

// A month that looks like one: quiet nights, a building site from 7 on
// weekdays, an evening rush; levels vary a little from day to day.
int monthLevel(const QDate& date, int second)
{
    if (second % 60)
        return -1;
    const int hour = second / 3600;
    const bool weekday = date.dayOfWeek() <= 5;
    int level = hour < 6 || hour >= 23 ? 36 : hour < 7 ? 48 : 56;
    if (weekday && hour >= 7 && hour < 17)
        level = 72;
    if (hour >= 17 && hour < 19)
        level = 66;
    return level * 10 + (date.day() * 7 + hour * 3 + second / 60) % 40;
}

class HistoryWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppEnvironment env{program.path(), "sonavistor", locks.path(), &messages, &dialogs, nullptr};
        form = std::make_unique<MainWindow>(env);
        installStandardWindows(*form);
        installHistoryCommand(*form, cache.filePath("history.db"),
                              [this](QWidget*, const QString&) { return folder.path(); });
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

    QString day(int d)
    {
        return writeLoggedDay(folder.filePath(QStringLiteral("2026-12-%1.qrv").arg(d, 2, 10, QLatin1Char('0'))),
                              {2026, 12, d}, [d](int s) { return minuteLevel(d, s); });
    }
    // File > Noise History..., then the first scan's end.
    NoiseHistoryWindow* openHistory()
    {
        form->findChild<QAction*>("NoiseHistory")->trigger();
        NoiseHistoryWindow* window = noiseHistoryWindow(*form);
        if (window && window->scanning())
            waitForRefresh(window);
        return window;
    }
    static bool waitForRefresh(NoiseHistoryWindow* window, int ms = 5000)
    {
        QSignalSpy refreshed(window, &NoiseHistoryWindow::refreshed);
        return refreshed.wait(ms);
    }
    static QString cellName(NoiseHistoryWindow* window, int row, int column)
    {
        auto* calendar = window->findChild<QTableView*>("Calendar");
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(calendar);
        QAccessibleInterface* cell = table->tableInterface()->cellAt(row, column);
        return cell ? cell->text(QAccessible::Name) : QString();
    }
    long long reads(const QString& path)
    {
        const auto f = HistoryIndex(cache.filePath("history.db")).file(QDir::cleanPath(path));
        return f ? f->reads : 0;
    }

    ProgramFolder program;
    QTemporaryDir locks;
    QTemporaryDir cache;
    QTemporaryDir folder;
    ScriptedMessages messages;
    ScriptedFileDialogs dialogs;
    std::unique_ptr<MainWindow> form;
};

}  // namespace

TEST_F(HistoryWindow, CellsNameTheirHourlyLevelsAndBadFilesGiveTheirReason)
{
    for (int d : {1, 2, 4})
        ASSERT_FALSE(day(d).isEmpty());
    QFile broken(folder.filePath("broken.qrv"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("@Sonavistor File\r\nTotal:1\r\n2026/12/5 ,1:0:0   ,6x.4  ,A\r\n");
    broken.close();

    NoiseHistoryWindow* window = openHistory();
    ASSERT_NE(window, nullptr);
    // Four dates from the 1st to the 4th; the 3rd is empty.
    EXPECT_EQ(cellName(window, 0, 0), "2026-12-01 00:00, 40.0 dB");
    EXPECT_EQ(cellName(window, 0, 23), "2026-12-01 23:00, 63.0 dB");
    EXPECT_EQ(cellName(window, 1, 2), "2026-12-02 02:00, 43.0 dB");
    EXPECT_EQ(cellName(window, 2, 2), "2026-12-03 02:00, no readings");
    EXPECT_EQ(cellName(window, 3, 12), "2026-12-04 12:00, 55.0 dB");
    EXPECT_EQ(window->findChild<QTableView*>("DayTable")->model()->rowCount(), 3);

    auto* problems = window->findChild<QTableWidget*>("Problems");
    ASSERT_EQ(problems->rowCount(), 1);
    EXPECT_TRUE(problems->item(0, 0)->text().endsWith("broken.qrv"));
    EXPECT_TRUE(problems->item(0, 1)->text().contains("6x.4")) << problems->item(0, 1)->text().toStdString();

    // Enter on a day opens its file in the data view.
    auto* days = window->findChild<QTableView*>("DayTable");
    days->setFocus();
    days->setCurrentIndex(days->model()->index(1, 0));
    QTest::keyClick(days, Qt::Key_Return);
    auto* view = qobject_cast<DataViewWindow*>(ShellState.AnalyzeWindowHandle.data());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->fileCount(), 1);
}

TEST_F(HistoryWindow, TheChosenFolderIsKeptInTheSettingsFile)
{
    const QString settings = program.file(kSettingsFileName);
    NoiseHistoryWindow* window = openHistory();
    ASSERT_NE(window, nullptr);
    // The meter's options, written at closing, keep it; the next window starts there.
    QString error;
    ASSERT_TRUE(writeMeterSettings(settings, MeterSettings, &error)) << error.toStdString();
    NoiseHistoryWindow next(messages, dialogs, {}, cache.filePath("history.db"), settings);
    EXPECT_EQ(next.rememberedFolder(), QDir::cleanPath(folder.path()));
    EXPECT_TRUE(program.read(kSettingsFileName).contains("COMPANY_NAME="));
}

TEST_F(HistoryWindow, ChangedFilesAreReadAgainAndDeletedOnesDisappear)
{
    const QString first = day(1);
    const QString second = day(2);
    NoiseHistoryWindow* window = openHistory();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->lastRead(), 2);

    // The logger adds to its day: the watcher reads that file again, and only it.
    ASSERT_FALSE(writeLoggedDay(second, {2026, 12, 2}, [](int s) { return s % 60 ? -1 : 900; }).isEmpty());
    ASSERT_TRUE(waitForRefresh(window));
    EXPECT_EQ(reads(second), 2);
    EXPECT_EQ(reads(first), 1);
    EXPECT_EQ(cellName(window, 1, 5), "2026-12-02 05:00, 90.0 dB");

    ASSERT_TRUE(QFile::remove(first));
    ASSERT_TRUE(waitForRefresh(window));
    EXPECT_EQ(window->findChild<QTableView*>("DayTable")->model()->rowCount(), 1);
    EXPECT_EQ(window->findChild<QTableView*>("Calendar")->model()->rowCount(), 1);
    EXPECT_EQ(reads(first), 0);
}

TEST_F(HistoryWindow, CancelLeavesAUsableWindowAndAWholeIndex)
{
    // Whole days: reading them takes far longer than the click below, which
    // comes right after the scan has started.
    for (int d = 1; d <= 8; ++d)
        writeLoggedDay(folder.filePath(QStringLiteral("2026-12-%1.qrv").arg(d, 2, 10, QLatin1Char('0'))),
                       {2026, 12, d}, [](int s) { return 500 + s % 100; });
    form->findChild<QAction*>("NoiseHistory")->trigger();
    NoiseHistoryWindow* window = noiseHistoryWindow(*form);
    ASSERT_NE(window, nullptr);
    auto* cancel = window->findChild<QPushButton*>("CancelButton");
    ASSERT_TRUE(cancel->isVisible());
    QTest::mouseClick(cancel, Qt::LeftButton);
    ASSERT_TRUE(waitForRefresh(window));
    EXPECT_FALSE(cancel->isVisible());
    EXPECT_LT(window->lastRead(), 8);
    EXPECT_LT(window->findChild<QTableView*>("DayTable")->model()->rowCount(), 8);
    // Whatever was read is whole: each file with its one day of 86,400 readings.
    for (const IndexedFile& f : HistoryIndex(cache.filePath("history.db")).files(folder.path())) {
        ASSERT_EQ(f.days.size(), 1u);
        EXPECT_EQ(f.days[0].rows, 86400);
    }
    // The window goes on: choosing the folder again completes it.
    ASSERT_TRUE(window->chooseFolder());
    ASSERT_TRUE(waitForRefresh(window));
    EXPECT_EQ(window->findChild<QTableView*>("DayTable")->model()->rowCount(), 8);
}

TEST_F(HistoryWindow, MonthForTheReadme)
{
    for (int d = 1; d <= 31; ++d) {
        const QDate date(2026, 12, d);
        writeLoggedDay(folder.filePath(date.toString(Qt::ISODate) + ".qrv"), date,
                       [date](int s) { return monthLevel(date, s); });
    }
    NoiseHistoryWindow* window = openHistory();
    ASSERT_NE(window, nullptr);
    window->resize(1200, 820);
    auto* calendar = window->findChild<QTableView*>("Calendar");
    calendar->setCurrentIndex(calendar->model()->index(9, 8));
    EXPECT_EQ(calendar->model()->rowCount(), 31);
    EXPECT_FALSE(saveScreenshot(window, "noise_history_month").isEmpty());
}

TEST_F(HistoryWindow, ExportCsvReplacesAFileOnlyAfterAYes)
{
    day(1);
    NoiseHistoryWindow* window = openHistory();
    ASSERT_NE(window, nullptr);
    const QString csv = cache.filePath("days.csv");
    ASSERT_TRUE(putFileBytes(csv, "kept\n"));
    auto* exportButton = window->findChild<QPushButton*>("ExportButton");
    dialogs.choose(csv);
    messages.answer(No);
    exportButton->click();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown().front().text, csv + "  already exists!\rDo you want to replace it?");
    EXPECT_EQ(fileBytes(csv), "kept\n");

    dialogs.choose(csv);
    messages.answer(Yes);
    exportButton->click();
    EXPECT_TRUE(fileBytes(csv).startsWith("Date,Rows,"));
}
