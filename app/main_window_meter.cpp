// The main window's meter link: the HID controller and the meter discovery. Its first
// scan runs as soon as the event loop runs; the status bar follows Connected.
#include "app/main_window.h"

#include "meter/meter_connection.h"

namespace sonavistor {

void MainWindow::createMeterLink()
{
    meter_ = std::make_unique<MeterConnection>(env_.hid);
    connect(meter_.get(), &MeterConnection::connectionChanged, this, [this] {
        refreshCommands();
        announceConnection();
    });
}

}  // namespace sonavistor
