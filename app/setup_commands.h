#pragma once
// The setup window, the help and the About window as main-window commands.

namespace sonavistor {

class TForm1;

// "N5" (System Setup), "Help" (Quorvane Help), "HelpCloseAll" (at closing)
// and "A1" (About).
void installSetupCommands(TForm1& form);

}  // namespace sonavistor
