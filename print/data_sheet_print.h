#pragma once
// Print Data Sheet and Printer Setup: the report project file read anew at
// every print, the active window's whole table bound to
// ReportDataConnection1, and the report sent to the preview, the current
// printer or a PDF file through the engine's dialogs.

#include "common/window_context.h"
#include "print/report_project.h"

class QWidget;

namespace sonavistor {

class ChildWindow;
class MeasurementDatabase;
class PrintDialogService;

class DataSheetPrint {
public:
    static constexpr char kProjectFile[] = "Quorvane_en.rav";

    DataSheetPrint(const MeasurementDatabase& database, const WindowContext& context, PrintDialogService& dialogs);

    // Print Data Sheet, once the main window has stopped a measurement.
    void printDataSheet(QWidget* parent, const ChildWindow* active);
    // Printer Setup.
    void setUpPrinter(QWidget* parent);

    TReportProject& project() { return project_; }
    ReportDataConnection& connection() { return connection_; }

private:
    void output(QWidget* parent, const ReportDocument& document);
    void toPrinter(QWidget* parent, const ReportDocument& document);
    void toPdf(QWidget* parent, const ReportDocument& document, const QString& path);
    void askPdf(QWidget* parent, const ReportDocument& document);
    bool replaceAllowed(const QString& path);

    WindowContext context_;
    PrintDialogService& dialogs_;
    TReportProject project_;
    ReportDataConnection connection_;
};

}  // namespace sonavistor
