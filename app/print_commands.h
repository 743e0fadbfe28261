#pragma once
// Export to Excel, Print Data Sheet and Printer Setup (the menu items named N7, N8 and N13).

namespace sonavistor {

class PrintDialogService;
class MainWindow;

// With the report engine's Qt dialogs.
void installPrintCommands(MainWindow& form);
// With the given dialogs (tests script them); they must outlive the form's commands.
void installPrintCommands(MainWindow& form, PrintDialogService& dialogs);

}  // namespace sonavistor
