#include "print/qt_print_dialogs.h"

#include "print/report_output_dialog.h"
#include "print/report_preview.h"

#include <QPrintDialog>
#include <QPrinterInfo>

namespace sonavistor {

namespace {

constexpr char kPrinterSetupCaption[] = "Printer Setup";

}  // namespace

ReportOutput QtPrintDialogs::chooseReportOutput(QWidget* parent, const QString& printerName, int pageCount)
{
    ReportOutputDialog dialog(files_, printerName, pageCount, parent);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.choice();
}

void QtPrintDialogs::runPreview(ReportPreview& preview)
{
    preview.exec();
}

bool QtPrintDialogs::printersInstalled() const
{
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

bool QtPrintDialogs::setUpPrinter(QWidget* parent, QPrinter& printer)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QString::fromLatin1(kPrinterSetupCaption));
    // A set-up, not a print: no page range or copies to choose.
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace sonavistor
