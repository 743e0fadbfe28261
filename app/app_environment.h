#pragma once
// What a run of the program is given from outside: where its side files are,
// what it is called, how it shows messages, and which HID platform it uses.
// The real program, the demo and the tests each fill this in their own way.

#include <QString>

namespace sonavistor {

class FileDialogService;
class MessageService;
class HidPlatform;

struct AppEnvironment {
    QString programFolder;                             // side files live here (an installed program: its defaults)
    QString applicationTitle = QStringLiteral("sonavistor");  // names the instance lock
    QString lockFolder;                                // empty: the user's runtime folder
    MessageService* messages = nullptr;                // required
    FileDialogService* dialogs = nullptr;              // required by windows that save or open files
    HidPlatform* hid = nullptr;                        // null: no HID devices at all
    // An installed program writes its settings and working database in the
    // user's folders, made and filled from the defaults at its first start.
    // Empty: the program folder, as a program in a folder of its own does.
    QString settingsFolder{};
    QString workingFolder{};
    bool userFolders = false;

    QString settingsDir() const { return settingsFolder.isEmpty() ? programFolder : settingsFolder; }
    QString workingDir() const { return workingFolder.isEmpty() ? programFolder : workingFolder; }
};

}  // namespace sonavistor
