#include "tests/support/screenshot.h"

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <QWidget>

namespace sonavistor::test {

QString saveScreenshot(QWidget* widget, const QString& name)
{
    QCoreApplication::processEvents();
    const QDir dir(QStringLiteral(SONAVISTOR_BINARY_DIR "/screenshots"));
    dir.mkpath(QStringLiteral("."));
    const QString path = dir.filePath(name + QStringLiteral(".png"));
    return widget->grab().save(path) ? path : QString();
}

}  // namespace sonavistor::test
