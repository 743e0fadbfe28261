#pragma once
// The common file dialogs of the program go through one service, like the
// message boxes: the windows get the Qt one, tests a scripted one.

#include <QString>

class QWidget;

namespace sonavistor {

class FileDialogService {
public:
    virtual ~FileDialogService() = default;
    // The chosen path, or an empty string when the user cancelled.
    // filter uses the "description|pattern|description|pattern" form.
    virtual QString getSaveFileName(QWidget* parent, const QString& filter,
                                    const QString& defaultSuffix = QString()) = 0;
    virtual QString getOpenFileName(QWidget* parent, const QString& filter) = 0;
};

// "*.QRV|*.QRV|*.qrv|*.qrv" -> "*.QRV (*.QRV);;*.qrv (*.qrv)"
QString toQtFilter(const QString& filter);

}  // namespace sonavistor
