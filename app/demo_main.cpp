// sonavistor-demo: the whole program with a simulated meter plugged into an
// in-memory HID platform instead of the real USB one, for anybody without a
// meter. Its side files (settings, database, sounds) live in its own folder,
// and it has its own instance lock, so it runs beside the real program.
// "--scenario FILE.json" makes the meter play that scenario instead of the
// built-in street, for instance to look at a meter's memory dump in the windows.
#include "app/application.h"
#include "app/program_main.h"
#include "common/error.h"
#include "meter/fake_hid_platform.h"
#include "sim/demo_scenario.h"
#include "sim/simulated_device.h"

#include <cstdio>

int main(int argc, char** argv)
{
    using namespace sonavistor;
    SonavistorApplication app(argc, argv);
    MeterScenario scenario;
    try {
        scenario = demoScenarioFor(QCoreApplication::arguments().mid(1));
    } catch (const Error& error) {
        std::fprintf(stderr, "sonavistor-demo: %s\n", qPrintable(error.message()));
        return 2;
    }
    FakeHidPlatform hid;
    plugSimulatedMeter(hid, scenario);
    return runMainWindow(app, &hid, QStringLiteral("sonavistor-demo"));
}
