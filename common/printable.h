#pragma once
// Text from files and devices as it may appear inside a one-line message:
// control characters (and, for bytes, everything outside printable ASCII)
// written as \xHH, so a message never breaks a line or a terminal.

#include <QByteArrayView>
#include <QString>

namespace sonavistor {

QString printable(QByteArrayView bytes);
QString printable(const QString& text);

}  // namespace sonavistor
