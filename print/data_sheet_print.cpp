#include "print/data_sheet_print.h"

#include "common/child_window.h"
#include "common/file_dialogs.h"
#include "common/message_service.h"
#include "common/meter_settings.h"
#include "common/program_folder.h"
#include "widgets/print_graph.h"
#include "print/print_dialogs.h"
#include "print/report_preview.h"

#include <QFileInfo>
#include <QPrinter>
#include <QProgressDialog>

#include <optional>

namespace sonavistor {

namespace {

constexpr char kNoData[] = "Have No Data in Database,Can not to Print!";
constexpr char kNoDataCaption[] = "Print Error";
constexpr char kNoPrinter[] = "No printer is installed. Print Data Sheet and Print Graph write PDF files instead.";
constexpr char kSetupCaption[] = "Printer Setup";
constexpr char kReplaceQuestion[] = "  already exists!\rDo you want to replace it?";
constexpr char kQueryCaption[] = "Query  Information";
constexpr char kPdfFilter[] = "*.pdf|*.pdf";
constexpr char kProgressText[] = "Printing the data sheet...";

// The table each window prints: the whole table, not the ordered query the
// import window's grid shows.
std::optional<TableId> printedTable(const ChildWindow* active)
{
    return active ? active->dataTable() : std::nullopt;
}

// Closes the project on every way out of a print.
struct ProjectCloser {
    TReportProject& project;
    ~ProjectCloser() { project.Close(); }
};

// The printer's own page and full-page setting come back after a data sheet.
class PrinterKeeper {
public:
    explicit PrinterKeeper(QPrinter& printer)
        : printer_(printer), layout_(printer.pageLayout()), fullPage_(printer.fullPage())
    {
    }
    ~PrinterKeeper()
    {
        printer_.setFullPage(fullPage_);
        printer_.setPageLayout(layout_);
    }

private:
    QPrinter& printer_;
    QPageLayout layout_;
    bool fullPage_;
};

QString printerLabel(const QPrinter* printer)
{
    if (!printerReady(printer))
        return QString();
    if (printer->outputFormat() == QPrinter::PdfFormat)
        return QStringLiteral("PDF file ") + printer->outputFileName();
    return printer->printerName();
}

}  // namespace

DataSheetPrint::DataSheetPrint(const MeasurementDatabase& database, const WindowContext& context,
                               PrintDialogService& dialogs)
    : context_(context), dialogs_(dialogs), connection_(database)
{
}

void DataSheetPrint::printDataSheet(QWidget* parent, const ChildWindow* active)
{
    project_.setProjectFile(sideFilePath(context_.programFolder, QString::fromLatin1(kProjectFile)));
    project_.Open();  // a missing or invalid file goes to the standard error box
    ProjectCloser closer{project_};
    const std::optional<TableId> table = printedTable(active);
    if (!table)
        return;
    connection_.bind(*table);
    if (connection_.rowCount() == 0) {
        context_.messages.show({QString::fromLatin1(kNoData), QString::fromLatin1(kNoDataCaption),
                                MessageIcon::Error, Ok, Ok});
        return;
    }
    const ReportDocument document =
        project_.runDefaultReport(connection_, MeterSettings.CompanyName, QDateTime::currentDateTime());
    output(parent, document);
}

void DataSheetPrint::output(QWidget* parent, const ReportDocument& document)
{
    const ReportOutput choice = dialogs_.chooseReportOutput(parent, printerLabel(context_.printer), document.pageCount());
    switch (choice.kind) {
    case ReportOutput::Cancelled:
        return;
    case ReportOutput::Printer:
        toPrinter(parent, document);
        return;
    case ReportOutput::PdfFile:
        if (replaceAllowed(choice.pdfPath))
            toPdf(parent, document, choice.pdfPath);
        return;
    case ReportOutput::Preview: {
        // The preview is the parent of what its buttons open: its progress
        // dialogs keep its buttons from being pressed again while a write runs.
        QWidget* previewWidget = nullptr;
        ReportPreview::Actions actions;
        if (printerReady(context_.printer))
            actions.print = [this, &document, &previewWidget] { toPrinter(previewWidget, document); };
        actions.savePdf = [this, &document, &previewWidget] { askPdf(previewWidget, document); };
        ReportPreview preview(document, std::move(actions), parent);
        previewWidget = &preview;
        dialogs_.runPreview(preview);
        return;
    }
    }
}

void DataSheetPrint::askPdf(QWidget* parent, const ReportDocument& document)
{
    const QString path = context_.dialogs.getSaveFileName(parent, QString::fromLatin1(kPdfFilter), QStringLiteral("pdf"));
    if (!path.isEmpty() && replaceAllowed(path))
        toPdf(parent, document, path);
}

bool DataSheetPrint::replaceAllowed(const QString& path)
{
    return mayReplaceFile(context_.messages, path, path + QString::fromLatin1(kReplaceQuestion),
                          QString::fromLatin1(kQueryCaption));
}

void DataSheetPrint::toPdf(QWidget* parent, const ReportDocument& document, const QString& path)
{
    QProgressDialog progress(QString::fromLatin1(kProgressText), QStringLiteral("Cancel"), 0, document.pageCount(), parent);
    progress.setWindowModality(Qt::WindowModal);
    const ReportOutcome outcome = writeReportPdf(path, document, [&progress](int done, int) {
        progress.setValue(done);
        return !progress.wasCanceled();
    });
    progress.reset();
    if (!outcome.error.isEmpty())
        context_.messages.showError(QStringLiteral("The data sheet could not be written to %1: %2").arg(path, outcome.error));
}

void DataSheetPrint::toPrinter(QWidget* parent, const ReportDocument& document)
{
    QPrinter& printer = *context_.printer;
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
        // Printing to a file: the file is replaced whole, as a saved PDF is.
        toPdf(parent, document, printer.outputFileName());
        return;
    }
    PrinterKeeper keep(printer);
    printer.setFullPage(true);
    printer.setDocName(QStringLiteral("Data Sheet"));
    QProgressDialog progress(QString::fromLatin1(kProgressText), QStringLiteral("Cancel"), 0, document.pageCount(), parent);
    progress.setWindowModality(Qt::WindowModal);
    const ReportOutcome outcome = paintReport(printer, document, [&progress, &printer](int done, int) {
        progress.setValue(done);
        if (!progress.wasCanceled())
            return true;
        printer.abort();  // what was sent so far is not printed
        return false;
    });
    progress.reset();
    if (!outcome.error.isEmpty())
        context_.messages.showError(
            QStringLiteral("The data sheet could not be printed on %1: %2").arg(printerLabel(&printer), outcome.error));
}

void DataSheetPrint::setUpPrinter(QWidget* parent)
{
    if (!dialogs_.printersInstalled()) {
        context_.messages.show({QString::fromLatin1(kNoPrinter), QString::fromLatin1(kSetupCaption),
                                MessageIcon::Information, Ok, Ok});
        return;
    }
    if (context_.printer)
        dialogs_.setUpPrinter(parent, *context_.printer);
}

}  // namespace sonavistor
