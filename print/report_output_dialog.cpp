#include "print/report_output_dialog.h"

#include "common/file_dialogs.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace sonavistor {

namespace {

constexpr char kDataSheetCaption[] = "Print Data Sheet";
constexpr char kPdfFileFilter[] = "*.pdf|*.pdf";

}  // namespace

ReportOutputDialog::ReportOutputDialog(FileDialogService& files, const QString& printerName, int pageCount,
                                       QWidget* parent)
    : QDialog(parent), files_(files)
{
    setObjectName(QStringLiteral("ReportOutputDialog"));
    setWindowTitle(QString::fromLatin1(kDataSheetCaption));
    auto* grid = new QGridLayout(this);
    auto* pages = new QLabel(QStringLiteral("The data sheet has %1 page(s).").arg(pageCount), this);
    grid->addWidget(pages, 0, 0, 1, 3);
    PreviewChoice = new QRadioButton(QStringLiteral("Pre&view on screen"), this);
    PreviewChoice->setObjectName(QStringLiteral("PreviewChoice"));
    grid->addWidget(PreviewChoice, 1, 0, 1, 3);
    PrinterChoice = new QRadioButton(printerName.isEmpty()
                                         ? QStringLiteral("&Printer: no printer is installed")
                                         : QStringLiteral("&Printer: ") + printerName,
                                     this);
    PrinterChoice->setObjectName(QStringLiteral("PrinterChoice"));
    PrinterChoice->setEnabled(!printerName.isEmpty());
    grid->addWidget(PrinterChoice, 2, 0, 1, 3);
    PdfChoice = new QRadioButton(QStringLiteral("P&DF file:"), this);
    PdfChoice->setObjectName(QStringLiteral("PdfChoice"));
    grid->addWidget(PdfChoice, 3, 0);
    PdfPath = new QLineEdit(this);
    PdfPath->setObjectName(QStringLiteral("PdfPath"));
    PdfPath->setAccessibleName(QStringLiteral("PDF file name"));
    PdfPath->setMinimumWidth(320);
    grid->addWidget(PdfPath, 3, 1);
    auto* browse = new QPushButton(QStringLiteral("&Browse..."), this);
    browse->setObjectName(QStringLiteral("BrowseButton"));
    browse->setAutoDefault(false);
    grid->addWidget(browse, 3, 2);
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    grid->addWidget(buttons_, 4, 0, 1, 3);
    PreviewChoice->setChecked(true);

    connect(browse, &QPushButton::clicked, this, &ReportOutputDialog::browse);
    connect(PdfPath, &QLineEdit::textChanged, this, [this] {
        PdfChoice->setChecked(true);
        updateOk();
    });
    for (QRadioButton* b : {PreviewChoice, PrinterChoice, PdfChoice})
        connect(b, &QRadioButton::toggled, this, &ReportOutputDialog::updateOk);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void ReportOutputDialog::browse()
{
    const QString path = files_.getSaveFileName(this, QString::fromLatin1(kPdfFileFilter), QStringLiteral("pdf"));
    if (!path.isEmpty())
        PdfPath->setText(path);
}

void ReportOutputDialog::updateOk()
{
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(!PdfChoice->isChecked() || !PdfPath->text().trimmed().isEmpty());
}

ReportOutput ReportOutputDialog::choice() const
{
    if (PrinterChoice->isChecked())
        return {ReportOutput::Printer, {}};
    if (PdfChoice->isChecked())
        return {ReportOutput::PdfFile, PdfPath->text().trimmed()};
    return {ReportOutput::Preview, {}};
}

}  // namespace sonavistor
