#pragma once
// The report engine's dialogs for tests: every output question gets the
// scripted answer, the preview runs a hook instead of blocking, and the
// printer set-up pretends printers are installed when asked to.

#include "print/print_dialogs.h"
#include "print/report_preview.h"

#include <functional>

namespace sonavistor::test {

class ScriptedPrintDialogs : public PrintDialogService {
public:
    ReportOutput answer;
    std::function<void(ReportPreview&)> onPreview;
    bool installed = false;
    std::function<void(QPrinter&)> onSetUp;

    int outputsAsked = 0;
    QString printerOffered;
    int pagesOffered = 0;
    int setUps = 0;

    ReportOutput chooseReportOutput(QWidget*, const QString& printerName, int pageCount) override
    {
        ++outputsAsked;
        printerOffered = printerName;
        pagesOffered = pageCount;
        return answer;
    }
    void runPreview(ReportPreview& preview) override
    {
        preview.show();
        if (onPreview)
            onPreview(preview);
    }
    bool printersInstalled() const override { return installed; }
    bool setUpPrinter(QWidget*, QPrinter& printer) override
    {
        ++setUps;
        if (onSetUp)
            onSetUp(printer);
        return true;
    }
};

}  // namespace sonavistor::test
