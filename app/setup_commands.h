#pragma once
// The setup window, the help and the About window as main-window commands.

namespace sonavistor {

class MainWindow;

// "N5" (System Setup), "Help" (Quorvane Help), "HelpCloseAll" (at closing)
// and "A1" (About).
void installSetupCommands(MainWindow& form);

}  // namespace sonavistor
