#include "app/program_main.h"

#include "app/application.h"
#include "app/child_windows.h"
#include "app/close_on_signal.h"
#include "app/main_window.h"
#include "common/program_folder.h"
#include "app/qt_file_dialogs.h"
#include "app/qt_message_service.h"

#include <QDir>
#include <QStandardPaths>

#include <QGuiApplication>

namespace sonavistor {

int runMainWindow(SonavistorApplication& app, HidPlatform* hid, const QString& title)
{
    CloseOnSignal closeOnSignal;
    // Desktops match the windows with the desktop entry (and its icon).
    QGuiApplication::setDesktopFileName(title);
    QtMessageService messages;
    QtFileDialogs dialogs;
    app.setMessageService(&messages);

    // In its own folder or installed: where the side files are.
    const ProgramFiles files = locateProgramFiles(programFolder(), title);
    AppEnvironment env;
    env.programFolder = files.defaultsFolder;
    env.settingsFolder = files.settingsFolder;
    env.workingFolder = files.workingFolder;
    env.userFolders = files.userFolders;
    env.applicationTitle = title;
    env.messages = &messages;
    env.dialogs = &dialogs;
    env.hid = hid;

    int status = 0;
    {
        MainWindow form(env);
        if (form.startedUp()) {
            form.setRecoveryFolder(
                QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).filePath(title));
            installStandardWindows(form);
            closeOnSignal.setTarget(&form);
            form.show();
            if (closeOnSignal.requested())
                form.endWithoutAsking();
            else
                status = app.exec();
        }
    }
    // The message service goes with this function.
    app.setMessageService(nullptr);
    return status;
}

}  // namespace sonavistor
