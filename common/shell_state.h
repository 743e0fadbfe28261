#pragma once
// Flags and window handles shared by the main window and its child windows.
// Written by: the main window (start-up, commands, menu refresh), the settings
// load, and each child window when it is created and when it closes.

#include <QObject>
#include <QPointer>

namespace sonavistor {

struct ShellStateData {
    bool ChildReady = false;
    bool AboutEnabled = false;
    bool MeasureEnabled = false;
    bool SetupEnabled = false;
    bool ImportEnabled = false;
    bool AnalyzeWindowOpen = false;
    // The window itself stands in for the platform handle; null means 0.
    // QPointer drops to null if a window goes without saying so.
    QPointer<QObject> MeasureWindowHandle;
    QPointer<QObject> ImportWindowHandle;
    QPointer<QObject> AnalyzeWindowHandle;
    qint32 ProgressPosition = 0;
};

extern ShellStateData ShellState;

// The child windows that have a handle.
enum class ChildSlot { Measure, Import, Analyze };

// A child window really closes: its handle becomes 0 (its Window-menu entry
// goes with it) and its command is enabled again.
void childClosed(ChildSlot slot);
// The user cancelled the closing: the handle stays the window's and its
// command stays disabled until the window really closes.
void childCloseCancelled(ChildSlot slot, QObject* window);

}  // namespace sonavistor
