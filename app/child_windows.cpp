#include "app/child_windows.h"

#include "data_view/data_view_window.h"
#include "app/history_command.h"
#include "app/main_window.h"
#include "app/print_commands.h"
#include "app/setup_commands.h"
#include "import_window/import_window.h"
#include "measure/realtime_window.h"

#include <QMdiSubWindow>
#include <QToolBar>

namespace sonavistor {

void installStandardWindows(TForm1& form)
{
    // Each child window registers its factory or command here as it arrives.
    form.setChildFactory(TForm1::ChildKind::Measure, [](TForm1& main) {
        auto* window = new TForm5(main.database(), main.meter(), main.windowContext());
        main.addChildWindow(window)->showMaximized();  // opens maximised
        return window;
    });
    form.setChildFactory(TForm1::ChildKind::Import, [](TForm1& main) {
        auto* window = new TForm4(main.database(), main.meter(), main.windowContext(), main.toolBar());
        main.addChildWindow(window)->showMaximized();  // opens maximised
        return window;
    });
    form.setChildFactory(TForm1::ChildKind::Analyze, [](TForm1& main) {
        auto* window = new TForm7(main.database(), main.windowContext());
        main.addChildWindow(window)->showMaximized();  // opens maximised
        return window;
    });
    installPrintCommands(form);
    installSetupCommands(form);
    installHistoryCommand(form);
}

}  // namespace sonavistor
