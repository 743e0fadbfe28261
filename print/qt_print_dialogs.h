#pragma once
// The report engine's dialogs and the printer set-up as Qt shows them.

#include "print/print_dialogs.h"

namespace sonavistor {

class FileDialogService;

class QtPrintDialogs : public PrintDialogService {
public:
    explicit QtPrintDialogs(FileDialogService& files) : files_(files) {}

    ReportOutput chooseReportOutput(QWidget* parent, const QString& printerName, int pageCount) override;
    void runPreview(ReportPreview& preview) override;
    bool printersInstalled() const override;
    bool setUpPrinter(QWidget* parent, QPrinter& printer) override;

private:
    FileDialogService& files_;
};

}  // namespace sonavistor
