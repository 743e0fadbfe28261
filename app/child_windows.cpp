#include "app/child_windows.h"

#include "app/history_command.h"
#include "app/main_window.h"
#include "app/print_commands.h"
#include "app/setup_commands.h"
#include "data_view/data_view_window.h"
#include "import_window/import_window.h"
#include "measure/realtime_window.h"
#include "store/measurement_db.h"

#include <QMdiSubWindow>
#include <QToolBar>

namespace sonavistor {

const std::vector<WindowRegistration>& registeredWindows()
{
    static const std::vector<WindowRegistration> windows{
        {kMeasureWindow, QStringLiteral("N3"), QStringLiteral("menumeasure"),
         QStringLiteral("Real Time Measure  Window"), false, false, &ShellStateData::MeasureWindowHandle,
         [](MainWindow& main) {
             auto* window = new RealtimeWindow(main.database(), main.meter(), main.windowContext());
             main.addChildWindow(window)->showMaximized();  // opens maximised
             return window;
         }},
        {kImportWindow, QStringLiteral("N16"), QStringLiteral("importdata"), QStringLiteral("Data Import Window"),
         true, false, &ShellStateData::ImportWindowHandle,
         [](MainWindow& main) {
             auto* window = new ImportWindow(main.database(), main.meter(), main.windowContext(), main.toolBar());
             main.addChildWindow(window)->showMaximized();  // opens maximised
             return window;
         }},
        {kDataViewWindow, QStringLiteral("N6"), QStringLiteral("menuanalyze"),
         QStringLiteral("Reprot Analyzing Window"), true, true, &ShellStateData::AnalyzeWindowHandle,
         [](MainWindow& main) {
             auto* window = new DataViewWindow(main.database(), main.windowContext());
             main.addChildWindow(window)->showMaximized();  // opens maximised
             // A new data view starts from an empty table: its first file's RecNo is 1.
             ShellState.AnalyzeWindowOpen = true;
             main.database().ClearTable(TableLoadData);
             return window;
         }},
    };
    return windows;
}

void installStandardWindows(MainWindow& form)
{
    for (const WindowRegistration& window : registeredWindows())
        form.setChildFactory(window.key, window.factory);
    installPrintCommands(form);
    installSetupCommands(form);
    installHistoryCommand(form);
}

}  // namespace sonavistor
