// Every window by keyboard alone: Tab reaches each control once in layout
// order, each command has a mnemonic or shortcut, no two share one (nor one
// of the menu bar's), and the import window's date panel takes Enter and
// Escape.
#include "app/child_windows.h"
#include "app/main_window.h"
#include "help/help_viewer_window.h"
#include "history_window/history_window.h"
#include "meter/fake_hid_platform.h"
#include "meter/meter_link.h"
#include "measure/measure_state.h"
#include "print/report_output_dialog.h"
#include "print/report_preview.h"
#include "print/report_render.h"
#include "sim/demo_scenario.h"
#include "sim/simulated_device.h"
#include "tests/meter/meter_test_support.h"
#include "tests/support/accessibility.h"
#include "tests/support/program_folder_fixture.h"
#include "tests/support/scripted_file_dialogs.h"
#include "tests/support/scripted_messages.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace sonavistor;
using namespace sonavistor::test;

namespace {

std::string joined(const QStringList& list)
{
    return list.join(QStringLiteral(" | ")).toStdString();
}

// A top-level window shown and active, then checked.
void expectKeyboardReach(QWidget* window, const char* name, const QList<QKeySequence>& taken = {})
{
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window)) << name;
    EXPECT_TRUE(tabOrderProblems(window).isEmpty()) << name << ": " << joined(tabOrderProblems(window));
    EXPECT_TRUE(keyProblems(window, taken).isEmpty()) << name << ": " << joined(keyProblems(window, taken));
}

class Keyboard : public ::testing::Test {
protected:
    void SetUp() override
    {
        AppEnvironment env{folder.path(), "sonavistor", locks.path(), &messages, &dialogs, &platform};
        form = std::make_unique<MainWindow>(env);
        installStandardWindows(*form);
        form->resize(1280, 860);
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        plugSimulatedMeter(platform, demoScenarioFor({}));
        ASSERT_TRUE(waitUntil([] { return MeterLink.Connected; }));
    }
    void TearDown() override
    {
        MeasureState.LiveDataSaved = true;
        messages.answer(No);
        form->close();
        form.reset();
    }
    // The active child window, maximised, with focus inside it.
    QWidget* child()
    {
        settle(100);
        QMdiSubWindow* sub = form->mdiArea()->activeSubWindow();
        if (!sub)
            return nullptr;
        sub->showMaximized();
        sub->widget()->setFocus();
        settle(50);
        return sub->widget();
    }
    void expectReach(QWidget* window, const char* name)
    {
        ASSERT_NE(window, nullptr) << name;
        const QList<QKeySequence> menus = menuMnemonics(form->menuBar());
        EXPECT_TRUE(tabOrderProblems(window).isEmpty()) << name << ": " << joined(tabOrderProblems(window));
        EXPECT_TRUE(keyProblems(window, menus).isEmpty()) << name << ": " << joined(keyProblems(window, menus));
    }

    std::string shownTexts() const
    {
        QStringList texts;
        for (const MessageRequest& m : messages.shown())
            texts << m.text;
        return joined(texts);
    }

    ProgramFolder folder;
    QTemporaryDir locks;
    ScriptedMessages messages;
    ScriptedFileDialogs dialogs;
    FakeHidPlatform platform;
    std::unique_ptr<MainWindow> form;
};

}  // namespace

TEST_F(Keyboard, ChildWindowsAreReachedInLayoutOrderAndByTheirKeys)
{
    form->measureInRealTime();
    expectReach(child(), "real time");
    form->openDataView();
    expectReach(child(), "data view");
    form->openSystemSetup();
    QWidget* setup = child();
    ASSERT_NE(setup, nullptr);
    auto* pages = setup->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    for (int page = 0; page < pages->count(); ++page) {
        pages->setCurrentIndex(page);
        settle(50);
        expectReach(setup, qPrintable(QStringLiteral("setup, ") + pages->tabText(page)));
    }
    auto* high = setup->findChild<QLineEdit*>(QStringLiteral("Edit15"));
    pages->setCurrentWidget(high->parentWidget());
    high->setText(QStringLiteral("60"));
    QTest::keyClick(high, Qt::Key_Down);  // the field steps as its arrows do
    EXPECT_EQ(high->text(), QStringLiteral("59"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);  // Cancel
    EXPECT_TRUE(waitUntil([this] { return !form->findChild<QWidget*>(QStringLiteral("Form8")); }));
    form->openAbout();
    expectReach(child(), "about");
}

TEST_F(Keyboard, ImportWindowAndItsDatePanel)
{
    form->importData();
    QWidget* window = child();
    expectReach(window, "import");
    auto* import = window->findChild<QPushButton*>(QStringLiteral("BitBtn1"));
    QTest::keyClick(window, Qt::Key_I, Qt::AltModifier);
    auto* panel = window->findChild<QWidget*>(QStringLiteral("Panel4"));
    ASSERT_TRUE(waitUntil([panel] { return panel->isVisible(); })) << shownTexts();
    auto* list = window->findChild<QListWidget*>(QStringLiteral("ListBox1"));
    ASSERT_GT(list->count(), 0);
    EXPECT_EQ(QApplication::focusWidget(), list);  // the panel opens at its list
    expectReach(window, "import, date panel");

    // Escape is Back; Enter on the list is the panel's Import.
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), import);
    import->click();
    ASSERT_TRUE(panel->isVisible());
    list->setCurrentRow(list->count() - 1);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_FALSE(panel->isVisible());
    auto* records = window->findChild<QLineEdit*>(QStringLiteral("Edit4"));
    ASSERT_TRUE(waitUntil([window] { return window->findChild<QPushButton*>(QStringLiteral("BitBtn5"))->isEnabled(); }))
        << shownTexts();
    EXPECT_GT(records->text().toInt(), 0);
    expectReach(window, "import, a day imported");  // Tab leaves the filled grid
}

TEST_F(Keyboard, NoiseHistoryAndHelpWindows)
{
    QTemporaryDir cache;
    NoiseHistoryWindow history(messages, dialogs, [](QWidget*, const QString&) { return QString(); },
                               cache.filePath(QStringLiteral("index")), QString());
    expectKeyboardReach(&history, "noise history");
    history.close();

    const QString help = QStringLiteral(SONAVISTOR_PROGRAM_DIR "/quorvane.chm");
    if (!QFile::exists(help))
        GTEST_SKIP() << "quorvane.chm was not built: chmcmd (package fp-utils) was missing at configure time";
    HelpViewerWindow viewer;
    viewer.showTopic(help.left(help.size() - 13) + QStringLiteral("/\\quorvane.chm::/readme\\welcome.doc"));
    expectKeyboardReach(&viewer, "help");
}

TEST_F(Keyboard, ReportDialogs)
{
    ReportOutputDialog output(dialogs, QStringLiteral("Office"), 3);
    expectKeyboardReach(&output, "report output");
    output.close();
    const ReportDocument document =
        makeReportDocument(readReportDefinition(QStringLiteral(SONAVISTOR_SOURCE_DIR "/resources/quorvane_en.rav")), {},
                           QStringLiteral("Company"), QDateTime::currentDateTime());
    ReportPreview preview(document, {[] {}, [] {}});
    expectKeyboardReach(&preview, "report preview");
}
