#pragma once
// Installs the program's child windows and commands into the main window.

namespace sonavistor {

class TForm1;

void installStandardWindows(TForm1& form);

}  // namespace sonavistor
