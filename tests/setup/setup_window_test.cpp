#include "app/child_windows.h"
#include "app/main_window.h"
#include "app/panel_status_bar.h"
#include "common/error.h"
#include "common/meter_settings.h"
#include "common/shell_state.h"
#include "meter/fake_hid_platform.h"
#include "meter/meter_connection.h"
#include "meter/meter_link.h"
#include "setup/clock_setting.h"
#include "setup_window/setup_window.h"
#include "setup_window/up_down.h"
#include "sim/simulated_device.h"
#include "tests/meter/meter_test_support.h"
#include "tests/support/program_folder_fixture.h"
#include "tests/support/scripted_messages.h"
#include "tests/support/screenshot.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

using namespace sonavistor;
using namespace sonavistor::test;

namespace {

const QDateTime kNewYearsEve(QDate(2026, 12, 31), QTime(16, 30, 5), Qt::UTC);

class SetupWindowTest : public ::testing::Test {
protected:
    void start(bool withMeter = true)
    {
        folder.write("Quorvane.INI", "[Calyxor OPTIONS]\r\nCOMPANY_NAME=Old Name\r\nSYSTEMLAL=400\r\n"
                                     "SYSTEMHAL=900\r\nALARMONOFF=0\r\n");
        AppEnvironment env{folder.path(), "sonavistor", locks.path(), &messages, nullptr, &platform};
        form = std::make_unique<MainWindow>(env);
        installStandardWindows(*form);
        form->show();
        if (withMeter) {
            meterPath = plugSimulatedMeter(platform, MeterScenario(), &device);
            ASSERT_TRUE(waitUntil([] { return MeterLink.Connected; }));
        }
    }
    void TearDown() override
    {
        if (form) {
            messages.answer(Yes);
            form->close();
            form.reset();
        }
    }
    // Opens the window as "S&ystem Setup" does, or with a PC clock of its own.
    SetupWindow* open(SetupWindow::Clock clock = {})
    {
        if (!clock) {
            form->openSystemSetup();
        } else {
            ShellState.SetupEnabled = false;
            form->addChildWindow(new SetupWindow(form->meter(), form->windowContext(), std::move(clock)))->show();
        }
        QMdiSubWindow* sub = form->mdiArea()->subWindowList().value(0);
        window = sub ? qobject_cast<SetupWindow*>(sub->widget()) : nullptr;
        return window;
    }
    template <typename T>
    T* find(const char* name) { return window->findChild<T*>(name); }
    QLineEdit* edit(const char* name) { return find<QLineEdit>(name); }
    void showLevelsPage() { find<QTabWidget>("PageControl1")->setCurrentIndex(1); }
    void closeDeferred() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
    void refresh()
    {
        QCoreApplication::processEvents();
        form->everySecond();
    }
    QByteArray clockSent() { return device->meter().clock(); }

    ProgramFolder folder;
    QTemporaryDir locks;
    ScriptedMessages messages;
    FakeHidPlatform platform;
    QString meterPath;
    std::shared_ptr<SimulatedMeterDevice> device;
    std::unique_ptr<MainWindow> form;
    QPointer<SetupWindow> window;
};

}  // namespace

TEST_F(SetupWindowTest, OpensWithItsPagesAndControls)
{
    start();
    ASSERT_NE(open(), nullptr);
    QMdiSubWindow* sub = qobject_cast<QMdiSubWindow*>(window->parentWidget());
    EXPECT_EQ(sub->size(), QSize(638, 428));
    EXPECT_EQ(sub->pos(), QPoint((form->width() - 638) / 2, (form->height() - 428) / 4));
    EXPECT_TRUE(sub->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(sub->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window->windowTitle(), "Software System Setup");
    refresh();
    EXPECT_FALSE(form->findChild<QAction*>("N5")->isEnabled());
    EXPECT_TRUE(ShellState.ChildReady);

    auto* pages = find<QTabWidget>("PageControl1");
    ASSERT_EQ(pages->count(), 3);
    EXPECT_EQ(pages->tabText(0), "SPL Unit Setting");
    EXPECT_EQ(pages->tabText(1), "PC Software Setting");
    EXPECT_EQ(pages->tabText(2), "Miscellaneous Option");
    EXPECT_EQ(pages->currentIndex(), 0);
    EXPECT_EQ(find<QCheckBox>("CheckBox2")->text(), "Setup System Time With PC Current Time");
    EXPECT_FALSE(find<QCheckBox>("CheckBox2")->isChecked());
    EXPECT_EQ(edit("Edit13")->text(), "30");
    EXPECT_EQ(edit("Edit15")->text(), "130");
    EXPECT_EQ(find<UpDown>("UpDown4")->position(), 30);
    EXPECT_EQ(find<UpDown>("UpDown5")->position(), 130);
    EXPECT_EQ(find<UpDown>("UpDown5")->maximum(), 135);
    EXPECT_TRUE(find<QRadioButton>("RadioButton4")->isChecked());  // ALARMONOFF=0
    EXPECT_EQ(edit("Edit8")->text(), "Old Name");
    EXPECT_FALSE(edit("Edit8")->testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_EQ(find<QPushButton>("BitBtn1")->text(), "Ok");
    EXPECT_EQ(find<QPushButton>("BitBtn2")->text(), "Cancel");
    EXPECT_EQ(find<QPushButton>("BitBtn3")->text(), "&Apply");
    EXPECT_EQ(find<QProgressBar>("ProgressBar1")->value(), 0);
    QStringList labels;
    for (QLabel* l : window->findChildren<QLabel*>())
        if (l->buddy())
            labels << l->text();
    EXPECT_TRUE(labels.contains("Low db  Alarm") && labels.contains("High db Alarm") &&
                labels.contains("Company's Name") && labels.contains("Alarm Sound"));
    saveScreenshot(sub, "setup-spl-unit-setting");

    showLevelsPage();
    EXPECT_EQ(edit("Edit13")->text(), "40");
    EXPECT_EQ(edit("Edit15")->text(), "90");
    find<UpDown>("UpDown4")->step(1);
    EXPECT_EQ(edit("Edit13")->text(), "41");
    saveScreenshot(sub, "setup-pc-software-setting");
    find<QTabWidget>("PageControl1")->setCurrentIndex(2);
    saveScreenshot(sub, "setup-miscellaneous-option");
    find<QTabWidget>("PageControl1")->setCurrentIndex(1);
    EXPECT_EQ(edit("Edit13")->text(), "40");  // filled again from the settings
}

TEST_F(SetupWindowTest, OkWithoutTheLevelsPageKeepsTheLevels)
{
    start();
    open();
    find<QRadioButton>("RadioButton3")->setChecked(true);
    window->applyAndClose();
    closeDeferred();
    EXPECT_FALSE(window);
    EXPECT_DOUBLE_EQ(MeterSettings.SystemLal, 40.0);
    EXPECT_DOUBLE_EQ(MeterSettings.SystemHal, 90.0);
    EXPECT_TRUE(MeterSettings.AlarmOn);
    EXPECT_TRUE(ShellState.SetupEnabled);
    EXPECT_TRUE(clockSent().isEmpty());  // clock box unticked
    refresh();
    EXPECT_TRUE(form->findChild<QAction*>("N5")->isEnabled());
}

TEST_F(SetupWindowTest, CompanyNameShowsAtTheNextRefreshAndIsWrittenAtClosing)
{
    start();
    open();
    // Long and not ASCII: kept whole.
    const QString name = QStringLiteral("Lärmschutz Øresund 騒音 ") + QString(10000, QLatin1Char('x'));
    edit("Edit8")->setText(name);
    window->apply();  // Apply
    EXPECT_TRUE(window);
    refresh();
    EXPECT_EQ(form->findChild<PanelStatusBar*>("StatusBar1")->panelText(3), name);
    EXPECT_TRUE(folder.read("Quorvane.INI").contains("COMPANY_NAME=Old Name"));

    window->cancel();  // Cancel after Apply keeps what Apply applied
    closeDeferred();
    EXPECT_EQ(MeterSettings.CompanyName, name);
    messages.answer(Yes);
    form->close();
    form.reset();
    EXPECT_EQ(readMeterSettings(folder.file("Quorvane.INI")).CompanyName, name);
}

TEST_F(SetupWindowTest, ALevelThatIsNoNumberStopsAtTheLevelsAndOkKeepsTheWindow)
{
    start();
    open();
    showLevelsPage();
    edit("Edit8")->setText("New Name");
    find<QRadioButton>("RadioButton3")->setChecked(true);
    for (const char* bad : {"abc", "", "1e309"}) {
        edit("Edit13")->setText("55");
        edit("Edit15")->setText(QString::fromLatin1(bad));
        messages.clear();
        find<QPushButton>("BitBtn1")->click();
        EXPECT_EQ(messages.texts(), QStringList(QString("'%1' is not a valid floating point value").arg(bad))) << bad;
        closeDeferred();
        ASSERT_TRUE(window) << bad;
        EXPECT_FALSE(ShellState.SetupEnabled);
        EXPECT_TRUE(find<QPushButton>("BitBtn1")->isEnabled());
    }
    EXPECT_EQ(MeterSettings.CompanyName, "New Name");
    EXPECT_TRUE(MeterSettings.AlarmOn);
    EXPECT_DOUBLE_EQ(MeterSettings.SystemLal, 40.0);
    EXPECT_DOUBLE_EQ(MeterSettings.SystemHal, 90.0);

    edit("Edit13")->setText("-5");
    edit("Edit15")->setText("135.5");
    window->applyAndClose();
    EXPECT_DOUBLE_EQ(MeterSettings.SystemLal, -5.0);
    EXPECT_DOUBLE_EQ(MeterSettings.SystemHal, 135.5);
}

TEST_F(SetupWindowTest, TheMeterReceivesThePcClockPlusEightHours)
{
    start();
    open([] { return kNewYearsEve; });
    find<QCheckBox>("CheckBox2")->setChecked(true);
    window->apply();
    EXPECT_EQ(clockSent(), QByteArray::fromHex("053000010127"));
    const QByteArray report = platform.written(meterPath).constLast();
    EXPECT_EQ(report.left(2), QByteArray::fromHex("007c"));
    EXPECT_EQ(MeterLink.Busy, 0);
    EXPECT_TRUE(messages.shown().isEmpty());

    EXPECT_TRUE(setMeterClockFromPc(form->meter(), QDateTime(QDate(2026, 8, 7), QTime(3, 4, 5), Qt::UTC)).isEmpty());
    EXPECT_EQ(clockSent(), QByteArray::fromHex("050411070826"));
}

TEST_F(SetupWindowTest, TheClockIsNotSentWhileTheMeterIsInUse)
{
    start();
    open([] { return kNewYearsEve; });
    find<QCheckBox>("CheckBox2")->setChecked(true);
    const int before = platform.written(meterPath).size();
    MeterLink.Busy = 10;  // a measurement runs
    window->apply();
    EXPECT_EQ(platform.written(meterPath).size(), before);
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_TRUE(messages.shown()[0].text.startsWith("The meter's clock was not set"));
    EXPECT_EQ(MeterLink.Busy, 10);  // Apply leaves the measurement's marker alone
    MeterLink.Busy = 0;
}

TEST_F(SetupWindowTest, NoMeterNothingSentNothingSaid)
{
    start(false);
    open([] { return kNewYearsEve; });
    find<QCheckBox>("CheckBox2")->setChecked(true);
    edit("Edit8")->setText("Offline");
    window->applyAndClose();
    EXPECT_TRUE(messages.shown().isEmpty());
    EXPECT_EQ(MeterSettings.CompanyName, "Offline");
}

TEST_F(SetupWindowTest, AnUnplugDuringTheClockWaitIsReportedAndTheWindowOutlivesIt)
{
    start(false);
    // A meter that never answers, unplugged while Ok waits; Cancel and the
    // close box pressed meanwhile wait for Ok to come back.
    const QString silent = platform.plug(meterSetup(std::make_shared<FixedAnswers>(std::vector<QByteArray>{})));
    ASSERT_TRUE(waitUntil([] { return MeterLink.Connected; }));
    open([] { return kNewYearsEve; });
    find<QCheckBox>("CheckBox2")->setChecked(true);
    edit("Edit8")->setText("Still applied");
    once(window, [this] { return form->meter().requestInProgress(); }, [this, silent] {
        EXPECT_FALSE(find<QPushButton>("BitBtn2")->isEnabled());
        window->parentWidget()->close();
        EXPECT_EQ(MeterLink.Busy, kBusySettingClock);
        platform.unplug(silent);
    });
    window->applyAndClose();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].text, "The meter's clock was not set: the meter was disconnected.");
    EXPECT_EQ(MeterSettings.CompanyName, "Still applied");
    EXPECT_EQ(MeterLink.Busy, 0);
    settle();
    closeDeferred();
    EXPECT_FALSE(window);
    EXPECT_TRUE(ShellState.SetupEnabled);
}
