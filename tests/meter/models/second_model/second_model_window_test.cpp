// The import window imports a day from a simulated meter of the second model.
#include "second_model.h"

#include "app/application.h"
#include "app/child_windows.h"
#include "app/main_window.h"
#include "common/shell_state.h"
#include "import_window/import_window.h"
#include "meter/meter_connection.h"
#include "sim/simulated_device.h"
#include "store/measurement_db.h"
#include "tests/meter/meter_test_support.h"
#include "tests/support/program_folder_fixture.h"
#include "tests/support/scripted_file_dialogs.h"
#include "tests/support/scripted_messages.h"

#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sonavistor;
using namespace sonavistor::test;

TEST(SecondModelImportWindow, ImportsTheChosenDay)
{
    MeterScenario scenario;
    scenario.countMark = SecondModel::kCountMark;
    const QDateTime first = QDateTime::fromString("2024-05-17T08:00:00", Qt::ISODate);
    scenario.memory = secondModelRecord(first, 650) + secondModelRecord(first.addSecs(86400), 700) +
                      secondModelRecord(first.addSecs(86490), 712);

    ProgramFolder folder;
    QTemporaryDir locks;
    ScriptedMessages messages;
    ScriptedFileDialogs dialogs;
    FakeHidPlatform platform;
    AppEnvironment env{folder.path(), "sonavistor", locks.path(), &messages, &dialogs, &platform};
    auto form = std::make_unique<MainWindow>(env);
    installStandardWindows(*form);
    form->show();
    plugSimulatedMeter(platform, scenario, nullptr, secondModel());
    ASSERT_TRUE(waitUntil([] { return MeterLink.Connected; }));
    form->importData();
    QPointer<ImportWindow> window = qobject_cast<ImportWindow*>(ShellState.ImportWindowHandle.data());
    ASSERT_NE(window, nullptr);
    auto* app = static_cast<SonavistorApplication*>(QCoreApplication::instance());
    app->setMessageService(&messages);

    window->openDayList();
    auto* list = window->findChild<QListWidget*>("ListBox1");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(1)->text(), "2024/05/18");
    list->setCurrentRow(1);
    window->findChild<QPushButton*>("BitBtn7")->click();
    ASSERT_TRUE(waitUntil([&] { return window->operation() == ImportWindow::Operation::None; }, 20000));
    const std::vector<ReadingRow> rows = form->database().rows(TableGetRecorde);
    ASSERT_EQ(rows.size(), 2u * SecondModel::kLevels);
    EXPECT_EQ(rows.front().NTime, "8:0:0");
    EXPECT_EQ(rows.back().NTime, "8:2:58");
    EXPECT_EQ(rows.back().MeaValue, "71.2");

    app->setMessageService(nullptr);
    messages.answer(Yes);
    form->close();
}
