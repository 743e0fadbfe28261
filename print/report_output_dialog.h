#pragma once
// The report engine's first dialog: preview on screen, print on the current
// printer (when there is one), or write a PDF file.

#include "print/print_dialogs.h"

#include <QDialog>

class QDialogButtonBox;
class QLineEdit;
class QRadioButton;

namespace sonavistor {

class FileDialogService;

class ReportOutputDialog : public QDialog {
    Q_OBJECT
public:
    ReportOutputDialog(FileDialogService& files, const QString& printerName, int pageCount,
                       QWidget* parent = nullptr);
    ReportOutput choice() const;

private:
    void browse();
    void updateOk();

    FileDialogService& files_;
    QRadioButton* PreviewChoice = nullptr;
    QRadioButton* PrinterChoice = nullptr;
    QRadioButton* PdfChoice = nullptr;
    QLineEdit* PdfPath = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
};

}  // namespace sonavistor
