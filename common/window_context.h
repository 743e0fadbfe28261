#pragma once
// What the main window gives each child window besides the database and the
// meter: its message boxes, file dialogs, current printer and side folders.

#include <QString>

class QPrinter;

namespace sonavistor {

class FileDialogService;
class MessageService;

struct WindowContext {
    MessageService& messages;
    FileDialogService& dialogs;
    QPrinter* printer = nullptr;  // the current printer; Printer Setup changes it for the run
    QString programFolder;  // read-only side files: report project, sounds, help
    QString workingFolder{};  // beside the working database: the staging file
};

}  // namespace sonavistor
