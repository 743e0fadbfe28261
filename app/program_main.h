#pragma once
// What the program and the demo share after choosing their HID platform:
// message boxes and file dialogs on screen, the main window, the event loop.

#include <QString>

namespace sonavistor {

class HidPlatform;
class SonavistorApplication;

// title names the instance lock. Returns the exit status.
int runMainWindow(SonavistorApplication& app, HidPlatform* hid, const QString& title);

}  // namespace sonavistor
