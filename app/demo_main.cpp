// sonavistor-demo: the whole program with a simulated meter plugged into an
// in-memory HID platform instead of the real USB one, for anybody without a
// meter. Its side files (settings, database, sounds) live in its own folder,
// and it has its own instance lock, so it runs beside the real program.
#include "app/application.h"
#include "app/program_main.h"
#include "meter/fake_hid_platform.h"
#include "sim/demo_scenario.h"
#include "sim/simulated_device.h"

int main(int argc, char** argv)
{
    using namespace sonavistor;
    SonavistorApplication app(argc, argv);
    FakeHidPlatform hid;
    plugSimulatedMeter(hid, demoScenario());
    return runMainWindow(app, &hid, QStringLiteral("sonavistor-demo"));
}
