#include "app/main_window.h"
#include "common/shell_state.h"
#include "store/measurement_db.h"
#include "tests/app/stand_in_children.h"
#include "tests/support/program_folder_fixture.h"
#include "tests/support/scripted_messages.h"

#include <QAction>
#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sonavistor;
using namespace sonavistor::test;

namespace {

void fillAllTables(const QString& folder)
{
    MeasurementDatabase db;
    ASSERT_TRUE(db.ConnectAccess(folder));
    for (TableId t : {TableMeaData, TableGetRecorde, TableLoadData})
        db.appendRow(t, {"2024/5/17", "9:5:3", "65.0", "A", 1});
}

}  // namespace

TEST(MainWindowDatabase, StartEmptiesTheTablesOfTheLastRun)
{
    ProgramFolder folder;
    fillAllTables(folder.path());
    QTemporaryDir locks;
    ScriptedMessages messages;
    MainWindow form({folder.path(), "sonavistor", locks.path(), &messages, nullptr, nullptr});
    EXPECT_TRUE(messages.shown().isEmpty());
    ASSERT_TRUE(form.database().isOpen());
    for (TableId t : {TableMeaData, TableGetRecorde, TableLoadData})
        EXPECT_TRUE(form.database().isEmpty(t));
    messages.answer(Yes);
    form.close();
}

TEST(MainWindowDatabase, MissingDatabaseIsReportedAndStartGoesOn)
{
    ProgramFolder folder(true, false);
    QTemporaryDir locks;
    ScriptedMessages messages;
    MainWindow form({folder.path(), "sonavistor", locks.path(), &messages, nullptr, nullptr});
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].text, "Connect Access Failed!");
    EXPECT_TRUE(form.startedUp());
    EXPECT_FALSE(form.database().isOpen());
    EXPECT_FALSE(folder.exists("Quorvane.db"));
    messages.answer(Yes);
    form.close();
}

TEST(MainWindowDatabase, ExportAndPrintNeedRowsOfTheActiveWindow)
{
    ProgramFolder folder;
    QTemporaryDir locks;
    ScriptedMessages messages;
    MainWindow form({folder.path(), "sonavistor", locks.path(), &messages, nullptr, nullptr});
    QPointer<StandInMeasure> measure;
    form.setChildFactory(kMeasureWindow, [&](MainWindow&) { return (measure = new StandInMeasure).data(); });
    form.setChildFactory(kImportWindow, [&](MainWindow&) { return new StandInImport; });
    form.show();
    const auto enabled = [&](const char* name) { return form.findChild<QAction*>(name)->isEnabled(); };

    form.measureInRealTime();
    form.everySecond();
    EXPECT_FALSE(enabled("N7"));
    form.database().appendRow(TableMeaData, {"2024/5/17", "9:5:3", "65.0", "A", 1});
    form.everySecond();
    EXPECT_TRUE(enabled("N7"));
    EXPECT_TRUE(enabled("N8"));
    measure->measure();  // measuring: the rows are not final yet
    form.everySecond();
    EXPECT_FALSE(enabled("N7"));
    EXPECT_FALSE(enabled("N8"));

    form.importData();
    form.everySecond();
    EXPECT_FALSE(enabled("N7"));  // GetRecorde is empty
    form.database().appendRow(TableGetRecorde, {"2024/5/17", "9:5:3", "65.0", "A", 0});
    form.everySecond();
    EXPECT_TRUE(enabled("N7"));
    EXPECT_TRUE(enabled("N8"));
    messages.answer(Yes);
    form.close();
}
