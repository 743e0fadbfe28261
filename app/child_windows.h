#pragma once
// The child windows the main window opens from its menus. Each registers
// itself once here: its key, what makes it, the File-menu command that shows
// it and its Window-menu entry. The main window builds its entries and
// commands from this list; installStandardWindows gives it the factories.

#include "common/shell_state.h"

#include <QPointer>
#include <QString>

#include <functional>
#include <vector>

class QWidget;

namespace sonavistor {

class MainWindow;

// The registry's keys, for the commands that name a window.
inline constexpr char kMeasureWindow[] = "measure";
inline constexpr char kImportWindow[] = "import";
inline constexpr char kDataViewWindow[] = "data view";

struct WindowRegistration {
    using Factory = std::function<QWidget*(MainWindow&)>;

    QString key;
    // The File-menu item (object name) that shows the window, made first
    // when none is open.
    QString command;
    // Its Window-menu entry: object name and caption.
    QString entryName;
    QString entryTitle;
    // Showing it ends a running measurement first.
    bool stopsMeasuring = false;
    // The command then opens a saved file in it (asking which).
    bool opensFile = false;
    // Where the other windows find it while it is open (null: nowhere).
    QPointer<QObject> ShellStateData::*handle = nullptr;
    Factory factory;
};

const std::vector<WindowRegistration>& registeredWindows();

// Installs the program's child windows and commands into the main window.
void installStandardWindows(MainWindow& form);

}  // namespace sonavistor
