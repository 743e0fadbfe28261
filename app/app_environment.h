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
    QString programFolder;                             // side files live here
    QString applicationTitle = QStringLiteral("sonavistor");  // names the instance lock
    QString lockFolder;                                // empty: the user's runtime folder
    MessageService* messages = nullptr;                // required
    FileDialogService* dialogs = nullptr;              // required by windows that save or open files
    HidPlatform* hid = nullptr;                        // null: no HID devices at all
};

}  // namespace sonavistor
