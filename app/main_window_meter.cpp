// TForm1's meter-link seam: the HID controller and the meter discovery.
#include "app/main_window.h"

namespace sonavistor {

void TForm1::createMeterLink()
{
    // The HID controller arrives with the meter link; until then no meter is found.
}

}  // namespace sonavistor
