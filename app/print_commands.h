#pragma once
// Export to Excel (N7), Print Data Sheet (N8) and Printer Setup (N13).

namespace sonavistor {

class PrintDialogService;
class TForm1;

// With the report engine's Qt dialogs.
void installPrintCommands(TForm1& form);
// With the given dialogs (tests script them); they must outlive the form's commands.
void installPrintCommands(TForm1& form, PrintDialogService& dialogs);

}  // namespace sonavistor
