#pragma once
// What the main window gives each child window besides the database and the
// meter: its message boxes, file dialogs, current printer and program folder.

#include <QString>

class QPrinter;

namespace sonavistor {

class FileDialogService;
class MessageService;

struct WindowContext {
    MessageService& messages;
    FileDialogService& dialogs;
    QPrinter* printer = nullptr;  // the current printer; Printer Setup changes it for the run
    QString programFolder;
};

}  // namespace sonavistor
