// Sonavistor: the program entry.
#include "app/application.h"
#include "app/program_main.h"
#include "meter/hid_platform.h"

#include <QFileInfo>

int main(int argc, char** argv)
{
    using namespace sonavistor;
    SonavistorApplication app(argc, argv);
    const std::unique_ptr<HidPlatform> hid = createSystemHidPlatform();
    return runMainWindow(app, hid.get(), QFileInfo(QCoreApplication::applicationFilePath()).baseName());
}
