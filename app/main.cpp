// Sonavistor: the program entry.
#include "app/application.h"
#include "app/child_windows.h"
#include "app/main_window.h"
#include "app/program_folder.h"
#include "app/qt_file_dialogs.h"
#include "app/qt_message_service.h"
#include "meter/hid_platform.h"

#include <QFileInfo>

int main(int argc, char** argv)
{
    using namespace sonavistor;
    SonavistorApplication app(argc, argv);
    QtMessageService messages;
    QtFileDialogs dialogs;
    app.setMessageService(&messages);

    AppEnvironment env;
    env.programFolder = programFolder();
    env.applicationTitle = QFileInfo(QCoreApplication::applicationFilePath()).baseName();
    env.messages = &messages;
    env.dialogs = &dialogs;
    const std::unique_ptr<HidPlatform> hid = createSystemHidPlatform();
    env.hid = hid.get();

    TForm1 form(env);
    if (!form.startedUp())
        return 0;
    installStandardWindows(form);
    form.show();
    return app.exec();
}
