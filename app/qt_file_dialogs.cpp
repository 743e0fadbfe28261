#include "app/qt_file_dialogs.h"

#include <QFileDialog>
#include <QFileInfo>

namespace sonavistor {

QString QtFileDialogs::getSaveFileName(QWidget* parent, const QString& filter,
                                       const QString& defaultSuffix)
{
    QFileDialog dialog(parent, QString(), lastFolder_, toQtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The program asks its own overwrite question.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString path = dialog.selectedFiles().constFirst();
    lastFolder_ = QFileInfo(path).absolutePath();
    return path;
}

QString QtFileDialogs::getOpenFileName(QWidget* parent, const QString& filter)
{
    const QString path = QFileDialog::getOpenFileName(parent, QString(), lastFolder_, toQtFilter(filter));
    if (!path.isEmpty())
        lastFolder_ = QFileInfo(path).absolutePath();
    return path;
}

}  // namespace sonavistor
