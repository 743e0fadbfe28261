#include "app/print_commands.h"

#include "app/main_window.h"
#include "print/data_sheet_print.h"
#include "export/export_command.h"
#include "print/qt_print_dialogs.h"

#include <memory>

namespace sonavistor {

namespace {

void install(MainWindow& form, PrintDialogService& dialogs, std::shared_ptr<PrintDialogService> owned)
{
    // The report components live as long as the main window's commands.
    auto print = std::make_shared<DataSheetPrint>(form.database(), form.windowContext(), dialogs);
    form.setCommand(QStringLiteral("N7"), [](MainWindow& main) {
        exportActiveWindow(&main, main.activeChildWindow(), main.database(), main.messages(), main.dialogs());
    });
    form.setCommand(QStringLiteral("N8"), [print, owned](MainWindow& main) { print->printDataSheet(&main, main.activeChildWindow()); });
    form.setCommand(QStringLiteral("N13"), [print, owned](MainWindow& main) { print->setUpPrinter(&main); });
}

}  // namespace

void installPrintCommands(MainWindow& form)
{
    auto dialogs = std::make_shared<QtPrintDialogs>(form.dialogs());
    install(form, *dialogs, dialogs);
}

void installPrintCommands(MainWindow& form, PrintDialogService& dialogs)
{
    install(form, dialogs, nullptr);
}

}  // namespace sonavistor
