#include "app/application.h"
#include "app/main_window.h"
#include "common/meter_settings.h"
#include "app/panel_status_bar.h"
#include "common/shell_state.h"
#include "meter/meter_link.h"
#include "tests/app/stand_in_children.h"
#include "tests/support/program_folder_fixture.h"
#include "tests/support/scripted_messages.h"
#include "tests/support/screenshot.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

using namespace sonavistor;
using namespace sonavistor::test;

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    explicit MainWindowTest(bool withReportProject = true) : folder(withReportProject) {}

    MainWindow& start()
    {
        AppEnvironment env{folder.path(), "sonavistor", locks.path(), &messages, nullptr};
        form = std::make_unique<MainWindow>(env);
        form->setChildFactory(kMeasureWindow, [this](MainWindow&) {
            measure = new StandInMeasure;
            return measure.data();
        });
        form->setChildFactory(kImportWindow, [this](MainWindow&) {
            import = new StandInImport;
            return import.data();
        });
        form->setChildFactory(kDataViewWindow, [this](MainWindow&) {
            analyze = new StandInAnalyze;
            return analyze.data();
        });
        form->show();
        QApplication::processEvents();
        return *form;
    }

    void TearDown() override
    {
        if (form) {
            messages.answer(Yes);
            form->close();
            form.reset();
        }
    }

    QAction* action(const char* name) { return form->findChild<QAction*>(name); }
    QMenu* windowMenu() { return form->findChild<QMenu*>("N20"); }
    int entriesNamed(const char* name)
    {
        int n = 0;
        for (QAction* a : windowMenu()->actions())
            n += a->objectName() == QLatin1String(name);
        return n;
    }
    PanelStatusBar* statusBar() { return form->findChild<PanelStatusBar*>("StatusBar1"); }
    void refresh()
    {
        QApplication::processEvents();
        form->everySecond();
    }

    ProgramFolder folder;
    QTemporaryDir locks;
    ScriptedMessages messages;
    std::unique_ptr<MainWindow> form;
    QPointer<StandInMeasure> measure;
    QPointer<StandInImport> import;
    QPointer<StandInAnalyze> analyze;
};

class MainWindowWithoutReportProject : public MainWindowTest {
protected:
    MainWindowWithoutReportProject() : MainWindowTest(false) {}
};

QStringList captionsOf(QMenu* menu)
{
    QStringList captions;
    for (QAction* a : menu->actions())
        captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return captions;
}

}  // namespace

TEST_F(MainWindowTest, ShowsTheFrameWithMenusToolBarAndStatusBar)
{
    start();
    EXPECT_EQ(form->windowTitle(), "Sonavistor");
    EXPECT_TRUE(messages.shown().isEmpty());

    QStringList menus;
    for (QAction* a : form->menuBar()->actions())
        menus << a->text();
    EXPECT_EQ(menus, QStringList({"&File", "&Option", "&Window", "&Help"}));
    EXPECT_EQ(captionsOf(form->findChild<QMenu*>("N2")),
              QStringList({"&Real Time Measure", "&Open", "Noise &History...", "&Save", "-", "&Import Data",
                           "&Export to Excel", "-", "Printer Se&tup", "Print &Data Sheet", "&Noise Report", "-",
                           "E&xit"}));
    EXPECT_EQ(captionsOf(form->findChild<QMenu*>("N4")),
              QStringList({"S&ystem Setup", "-", "&Language"}));
    EXPECT_EQ(captionsOf(form->findChild<QMenu*>("N17")), QStringList({"&Chinese", "&English"}));
    EXPECT_EQ(captionsOf(windowMenu()), QStringList({"&Cascade", "&Horizontally", "&Vertically", "-"}));
    EXPECT_EQ(captionsOf(form->findChild<QMenu*>("N10")),
              QStringList({"Quorvane Help", "Our &Web-Site", "-", "&About"}));
    EXPECT_FALSE(action("N18")->isEnabled());
    EXPECT_FALSE(action("N1")->isEnabled());

    const std::pair<const char*, const char*> buttons[] = {
        {"ToolButton1", "Real Time Measure"}, {"ToolButton2", "Import Data"},
        {"ToolButton3", "Open"}, {"ToolButton5", "Export to Excel"},
        {"ToolButton6", "Print Data Sheet"}, {"ToolButton7", "System Option"},
        {"ToolButton10", "About..."}, {"ToolButton9", "Exit"}};
    int lastX = -1;
    for (const auto& [name, hint] : buttons) {
        auto* b = form->findChild<QToolButton*>(name);
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->toolTip(), hint);
        EXPECT_EQ(b->size(), QSize(39, 38));
        EXPECT_GT(b->x(), lastX) << name << " out of order";
        lastX = b->x();
    }

    PanelStatusBar* bar = statusBar();
    EXPECT_EQ(bar->height(), 28);
    EXPECT_EQ(bar->panelWidth(0), 80);
    EXPECT_EQ(bar->panelWidth(1), 150);
    EXPECT_EQ(bar->panelWidth(2), 350);
    EXPECT_EQ(bar->panelText(1), "Disconnect!");
    EXPECT_EQ(form->statusProgress()->geometry(), QRect(231, 2, 350, 26));

    EXPECT_TRUE(action("N3")->isEnabled());
    EXPECT_TRUE(action("N5")->isEnabled());
    EXPECT_TRUE(action("N16")->isEnabled());
    EXPECT_TRUE(action("A1")->isEnabled());
    EXPECT_FALSE(action("N7")->isEnabled());
    EXPECT_FALSE(action("N8")->isEnabled());
    EXPECT_FALSE(action("N15")->isEnabled());

    saveScreenshot(form.get(), "main-window");
}

TEST_F(MainWindowWithoutReportProject, MeasureSetupAndImportStayDisabled)
{
    folder.write("Quorvane.INI", "[Calyxor OPTIONS]\r\nSYSTEMHAL=853\r\nCOMPANY_NAME=Acme\r\n");
    const QByteArray before = folder.read("Quorvane.INI");
    start();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].text, "quorvane_en.rav Destroied");
    EXPECT_EQ(messages.shown()[0].caption, "");
    EXPECT_EQ(messages.shown()[0].icon, MessageIcon::Error);
    EXPECT_EQ(MeterSettings.CompanyName, "");  // the file was not read
    EXPECT_DOUBLE_EQ(MeterSettings.SystemHal, 0.0);

    refresh();
    EXPECT_FALSE(action("N3")->isEnabled());
    EXPECT_FALSE(action("N5")->isEnabled());
    EXPECT_FALSE(action("N16")->isEnabled());
    EXPECT_TRUE(action("N6")->isEnabled());
    EXPECT_TRUE(action("A1")->isEnabled());

    // Opening and closing a child window changes nothing about them.
    form->openDataView();
    ASSERT_TRUE(analyze);
    analyze->parentWidget()->close();
    refresh();
    EXPECT_FALSE(action("N3")->isEnabled());
    EXPECT_FALSE(action("N16")->isEnabled());

    messages.answer(Yes);
    form->close();
    form.reset();
    EXPECT_EQ(folder.read("Quorvane.INI"), before);
}

TEST_F(MainWindowTest, SettingsAreReadAtStartAndWrittenAtClose)
{
    folder.write("Quorvane.INI", "[Calyxor OPTIONS]\r\nSYSTEMHAL=853\r\nCOMPANY_NAME=Acme\r\n");
    start();
    EXPECT_EQ(MeterSettings.CompanyName, "Acme");
    EXPECT_DOUBLE_EQ(MeterSettings.SystemHal, 85.3);
    MeterSettings.SystemLal = 45.5;
    messages.answer(Yes);
    form->close();
    form.reset();
    const QByteArray text = folder.read("Quorvane.INI");
    EXPECT_TRUE(text.contains("SYSTEMHAL=853\r\n")) << text.constData();
    EXPECT_TRUE(text.contains("SYSTEMLAL=455\r\n"));
    EXPECT_TRUE(text.contains("SAMPLE_PERIOD=5\r\n"));
}

TEST_F(MainWindowTest, ExitQuestionNoKeepsRunningYesWritesAndCloses)
{
    start();
    messages.answer(No);
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(folder.exists("Quorvane.INI"));
    ASSERT_EQ(messages.shown().size(), 1);
    const MessageRequest& question = messages.shown()[0];
    EXPECT_EQ(question.text, "Are You Sure to Exit This Program?");
    EXPECT_EQ(question.caption, "System Exit Query");
    EXPECT_EQ(question.icon, MessageIcon::Question);
    EXPECT_EQ(question.buttons, Yes | No);

    messages.answer(Yes);
    form->exitProgram();
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(folder.exists("Quorvane.INI"));
    form.reset();
}

TEST_F(MainWindowTest, UnwritableSettingsAtCloseAreReportedAndTheProgramStillEnds)
{
    start();
    QDir(folder.path()).mkdir("Quorvane.INI");  // nobody can write a file there
    messages.answer(Yes);
    EXPECT_TRUE(form->close());
    ASSERT_EQ(messages.shown().size(), 2);
    EXPECT_TRUE(messages.shown()[1].text.contains("Quorvane.INI"));
    EXPECT_EQ(messages.shown()[1].icon, MessageIcon::Error);
    form.reset();
}

TEST_F(MainWindowTest, ExitWhileMeasuringStopsBeforeTheQuestion)
{
    start();
    form->measureInRealTime();
    ASSERT_TRUE(measure);
    measure->measure();
    int stopsWhenAsked = -1;
    messages.onShow([&](const MessageRequest&) { stopsWhenAsked = measure->stops; });
    messages.answer(No);
    form->exitProgram();
    EXPECT_EQ(stopsWhenAsked, 1);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(measure->isMeasuring());  // the measurement stays stopped
    messages.onShow(nullptr);
}

TEST_F(MainWindowTest, CommandsThatStopMeasuringDoSo)
{
    start();
    form->measureInRealTime();
    ASSERT_TRUE(measure);
    form->importData();  // Import Data stops measuring
    EXPECT_EQ(measure->stops, 1);
    form->openDataView();   // Open
    form->exportToExcel();   // Export to Excel
    form->printDataSheet();   // Print Data Sheet
    form->openSystemSetup();   // System Setup
    form->openAbout();   // About
    EXPECT_EQ(measure->stops, 6);
    form->setUpPrinter();  // Printer Setup does not
    form->measureInRealTime();   // nor does Real Time Measure
    EXPECT_EQ(measure->stops, 6);
}

TEST_F(MainWindowTest, OpeningTwiceMakesOneWindowAndOneEntry)
{
    start();
    form->measureInRealTime();
    QPointer<StandInMeasure> first = measure;
    form->measureInRealTime();
    EXPECT_EQ(measure, first);
    EXPECT_EQ(form->mdiArea()->subWindowList().size(), 1);
    EXPECT_EQ(entriesNamed("menumeasure"), 1);

    form->importData();
    form->importData();
    EXPECT_EQ(form->mdiArea()->subWindowList().size(), 2);
    EXPECT_EQ(entriesNamed("importdata"), 1);
    refresh();
    EXPECT_EQ(action("menumeasure")->text(), "Real Time Measure  Window");
    EXPECT_EQ(action("importdata")->text(), "Data Import Window");
    EXPECT_TRUE(action("importdata")->isChecked());  // the import window is active
    EXPECT_FALSE(action("menumeasure")->isChecked());

    action("menumeasure")->trigger();  // the entry shows its window
    refresh();
    EXPECT_EQ(form->activeChildName(), "Form5");
    EXPECT_TRUE(action("menumeasure")->isChecked());
    EXPECT_FALSE(action("importdata")->isChecked());
}

TEST_F(MainWindowTest, WindowEntryGoesAfterARealCloseAndStaysAfterACancelledOne)
{
    start();
    form->importData();
    ASSERT_TRUE(import);
    QMdiSubWindow* sub = qobject_cast<QMdiSubWindow*>(import->parentWidget());

    import->cancelClose = true;
    sub->close();
    refresh();
    EXPECT_EQ(entriesNamed("importdata"), 1);
    EXPECT_FALSE(action("N16")->isEnabled());
    EXPECT_TRUE(import);

    import->cancelClose = false;
    sub->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(import);  // destroyed
    refresh();
    EXPECT_EQ(entriesNamed("importdata"), 0);
    EXPECT_TRUE(action("N16")->isEnabled());
    EXPECT_EQ(ShellState.ImportWindowHandle, nullptr);

    // A new window after the real close gets a new entry.
    form->importData();
    EXPECT_TRUE(import);
    EXPECT_EQ(entriesNamed("importdata"), 1);

    // The data view window: its entry goes the same way.
    form->openDataView();
    ASSERT_TRUE(analyze);
    EXPECT_EQ(entriesNamed("menuanalyze"), 1);
    analyze->parentWidget()->close();
    refresh();
    EXPECT_EQ(entriesNamed("menuanalyze"), 0);
    EXPECT_FALSE(ShellState.AnalyzeWindowOpen);
}

TEST_F(MainWindowTest, MenuRefreshFollowsTheActiveChild)
{
    start();
    form->measureInRealTime();
    ASSERT_TRUE(measure);

    measure->setCanSave(true);
    refresh();
    EXPECT_TRUE(action("N15")->isEnabled());   // Save: not measuring, Save enabled
    EXPECT_FALSE(action("N7")->isEnabled());   // no rows in MeaData
    EXPECT_FALSE(action("N8")->isEnabled());

    measure->measure();
    refresh();
    EXPECT_FALSE(action("N15")->isEnabled());  // measuring

    form->importData();
    ASSERT_TRUE(import);
    refresh();
    EXPECT_FALSE(action("N15")->isEnabled());
    import->setCanSave(true);
    refresh();
    EXPECT_TRUE(action("N15")->isEnabled());
    form->saveActiveWindow();
    EXPECT_EQ(import->saves, 1);

    form->openDataView();
    refresh();
    EXPECT_EQ(form->activeChildName(), "Form7");
    EXPECT_TRUE(action("N7")->isEnabled());
    EXPECT_TRUE(action("N8")->isEnabled());
    EXPECT_FALSE(action("N15")->isEnabled());

    // While a window is being built nothing child-dependent is enabled.
    ShellState.ChildReady = false;
    refresh();
    EXPECT_FALSE(action("N7")->isEnabled());
    ShellState.ChildReady = true;
}

TEST_F(MainWindowTest, SaveExportAndPrintFollowActivationAndTheWindowsOwnChangesAtOnce)
{
    start();
    form->measureInRealTime();
    form->openDataView();
    ASSERT_TRUE(measure && analyze);
    // No refresh in this test: nothing may wait for the menu timer.
    EXPECT_TRUE(action("N7")->isEnabled());  // the data view is active
    form->mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(measure->parentWidget()));
    EXPECT_FALSE(action("N7")->isEnabled());
    EXPECT_FALSE(action("N15")->isEnabled());

    measure->setCanSave(true);
    EXPECT_TRUE(action("N15")->isEnabled());
    form->database().appendRow(TableMeaData, {"2024/5/17", "9:5:3", "65.0", "A", 1});
    EXPECT_TRUE(action("N7")->isEnabled());
    EXPECT_TRUE(action("N8")->isEnabled());
    measure->measure();
    EXPECT_FALSE(action("N15")->isEnabled());
    EXPECT_FALSE(action("N8")->isEnabled());
}

TEST_F(MainWindowTest, AboutFollowsItsFlag)
{
    start();
    ShellState.AboutEnabled = false;
    refresh();
    EXPECT_FALSE(action("A1")->isEnabled());
    ShellState.AboutEnabled = true;
    refresh();
    EXPECT_TRUE(action("A1")->isEnabled());
}

TEST_F(MainWindowTest, StatusBarFollowsTheMeterAndTheCompanyName)
{
    start();
    refresh();
    const int paints = statusBar()->paintCount();
    MeterLink.Connected = true;
    refresh();
    EXPECT_EQ(statusBar()->panelText(1), "Connect OK!");
    QApplication::processEvents();
    EXPECT_GT(statusBar()->paintCount(), paints);

    MeterSettings.CompanyName = "Acme Acoustics";
    refresh();
    EXPECT_EQ(statusBar()->panelText(3), "Acme Acoustics");

    MeterLink.Connected = false;
    refresh();
    EXPECT_EQ(statusBar()->panelText(1), "Disconnect!");

    ShellState.ProgressPosition = 40;
    refresh();
    EXPECT_EQ(form->statusProgress()->value(), 40);
    ShellState.ProgressPosition = 0;
}

TEST_F(MainWindowTest, WindowArrangementsCheckOneItemAndTile)
{
    start();
    form->measureInRealTime();
    form->importData();
    form->openDataView();
    const QRect area = form->mdiArea()->viewport()->rect();

    action("H2")->trigger();
    EXPECT_TRUE(action("H2")->isChecked());
    EXPECT_FALSE(action("C1")->isChecked());
    EXPECT_FALSE(action("V1")->isChecked());
    for (QMdiSubWindow* sub : form->mdiArea()->subWindowList()) {
        EXPECT_EQ(sub->width(), area.width());
        EXPECT_LE(sub->height(), area.height() / 3 + 2);
    }

    action("V1")->trigger();
    EXPECT_TRUE(action("V1")->isChecked());
    EXPECT_FALSE(action("H2")->isChecked());
    for (QMdiSubWindow* sub : form->mdiArea()->subWindowList())
        EXPECT_EQ(sub->height(), area.height());

    action("C1")->trigger();
    EXPECT_TRUE(action("C1")->isChecked());
    EXPECT_FALSE(action("V1")->isChecked());
}

TEST(ChildTiling, RectanglesFillTheAreaWithoutGaps)
{
    const auto rows = tileRects(3, QRect(0, 0, 900, 301), TileMode::Horizontal);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], QRect(0, 0, 900, 100));
    EXPECT_EQ(rows[1], QRect(0, 100, 900, 100));
    EXPECT_EQ(rows[2], QRect(0, 200, 900, 101));
    const auto columns = tileRects(2, QRect(0, 0, 901, 300), TileMode::Vertical);
    EXPECT_EQ(columns[0], QRect(0, 0, 450, 300));
    EXPECT_EQ(columns[1], QRect(450, 0, 451, 300));
    EXPECT_TRUE(tileRects(0, QRect(0, 0, 10, 10), TileMode::Vertical).empty());
}

namespace {

class ThrowingObject : public QObject {
protected:
    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::User)
            throw std::runtime_error("database is locked");
        return QObject::event(e);
    }
};

}  // namespace

TEST(StandardErrorBox, AnErrorEscapingAHandlerIsShownAndTheProgramGoesOn)
{
    auto* app = static_cast<SonavistorApplication*>(QCoreApplication::instance());
    ScriptedMessages messages;
    app->setMessageService(&messages);
    ThrowingObject target;
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    app->setMessageService(nullptr);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].text, "database is locked");
    EXPECT_EQ(messages.shown()[0].icon, MessageIcon::Error);
}
