#include "app/program_main.h"

#include "app/application.h"
#include "app/child_windows.h"
#include "app/main_window.h"
#include "common/program_folder.h"
#include "app/qt_file_dialogs.h"
#include "app/qt_message_service.h"
#include "app/signal_watcher.h"

#include <QDir>
#include <QStandardPaths>

namespace sonavistor {

int runMainWindow(SonavistorApplication& app, HidPlatform* hid, const QString& title)
{
    QtMessageService messages;
    QtFileDialogs dialogs;
    app.setMessageService(&messages);

    AppEnvironment env;
    env.programFolder = programFolder();
    env.applicationTitle = title;
    env.messages = &messages;
    env.dialogs = &dialogs;
    env.hid = hid;

    int status = 0;
    {
        TForm1 form(env);
        if (form.startedUp()) {
            form.setRecoveryFolder(
                QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).filePath(title));
            SignalWatcher endSignals;
            QObject::connect(&endSignals, &SignalWatcher::endRequested, &form, &TForm1::endWithoutAsking);
            installStandardWindows(form);
            form.show();
            status = app.exec();
        }
    }
    // The message service goes with this function.
    app.setMessageService(nullptr);
    return status;
}

}  // namespace sonavistor
