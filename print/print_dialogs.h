#pragma once
// The report engine's dialogs and the printer set-up go through one service,
// like the message boxes and file dialogs: the program gets the Qt dialogs,
// tests a scripted one that never blocks.

#include <QString>

class QPrinter;
class QWidget;

namespace sonavistor {

class ReportPreview;

struct ReportOutput {
    enum Kind { Cancelled, Preview, Printer, PdfFile };
    Kind kind = Cancelled;
    QString pdfPath;  // for PdfFile
};

class PrintDialogService {
public:
    virtual ~PrintDialogService() = default;

    // Where a data sheet of pageCount pages goes. printerName is the current
    // printer's, empty when there is none to print on (then only the preview
    // and a PDF file are offered).
    virtual ReportOutput chooseReportOutput(QWidget* parent, const QString& printerName, int pageCount) = 0;
    // Shows the preview until the user closes it.
    virtual void runPreview(ReportPreview& preview) = 0;

    // Whether the system has any printer at all.
    virtual bool printersInstalled() const = 0;
    // The platform's printer set-up over printer; true when the user chose OK
    // (the printer then holds the choice).
    virtual bool setUpPrinter(QWidget* parent, QPrinter& printer) = 0;
};

}  // namespace sonavistor
