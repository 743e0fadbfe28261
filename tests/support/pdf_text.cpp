#include "tests/support/pdf_text.h"

#include <QProcess>
#include <QStandardPaths>

namespace sonavistor::test {

bool pdfToTextInstalled()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}

QString pdfText(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

}  // namespace sonavistor::test
