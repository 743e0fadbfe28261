#include "app/child_windows.h"

#include "app/main_window.h"

namespace sonavistor {

void installStandardWindows(TForm1& form)
{
    // Each child window registers its factory or command here as it arrives.
    (void)form;
}

}  // namespace sonavistor
