#pragma once
// Export to Excel: the active window's rows to a spreadsheet file, and a
// closing message that tells what was really written.

class QWidget;

namespace sonavistor {

class ChildWindow;
class FileDialogService;
class MeasurementDatabase;
class MessageService;

// Export to Excel (MainWindow::exportToExcel), once the main window has stopped a measurement.
void exportActiveWindow(QWidget* parent, const ChildWindow* active, const MeasurementDatabase& database,
                        MessageService& messages, FileDialogService& dialogs);

}  // namespace sonavistor
