// Test programs run with a real QApplication on the offscreen platform, so
// window tests drive real widgets without a display.
#include "app/application.h"
#include "tests/support/skip_report.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Instance locks of the tests never meet a running program's.
    QTemporaryDir runtime(QDir::tempPath() + QStringLiteral("/sonavistor-test-XXXXXX"));
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());

    sonavistor::SonavistorApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return sonavistor::test::runAllTestsReportingSkips();
}
