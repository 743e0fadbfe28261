// sonavistor-demo: the whole program with a simulated meter plugged into an
// in-memory HID platform instead of the real USB one, for anybody without a
// meter. Its side files (settings, database, sounds) live in its own folder,
// and it has its own instance lock, so it runs beside the real program.
#include "app/application.h"
#include "app/child_windows.h"
#include "app/main_window.h"
#include "app/program_folder.h"
#include "app/qt_file_dialogs.h"
#include "app/qt_message_service.h"
#include "meter/fake_hid_platform.h"
#include "sim/demo_scenario.h"
#include "sim/simulated_device.h"

int main(int argc, char** argv)
{
    using namespace sonavistor;
    SonavistorApplication app(argc, argv);
    QtMessageService messages;
    QtFileDialogs dialogs;
    app.setMessageService(&messages);

    FakeHidPlatform hid;
    plugSimulatedMeter(hid, demoScenario());

    AppEnvironment env;
    env.programFolder = programFolder();
    env.applicationTitle = QStringLiteral("sonavistor-demo");
    env.messages = &messages;
    env.dialogs = &dialogs;
    env.hid = &hid;

    TForm1 form(env);
    if (!form.startedUp())
        return 0;
    installStandardWindows(form);
    form.show();
    return app.exec();
}
