#include "sim/simulated_device.h"

namespace sonavistor {

std::vector<FakeInputReport> SimulatedMeterDevice::onOutputReport(const quint8* report, int size)
{
    std::lock_guard lock(mutex_);
    std::vector<FakeInputReport> out;
    for (const SimReport& r : meter_.handleOutputReport(report, size))
        out.push_back({r.data, r.delayMs});
    return out;
}

QString plugSimulatedMeter(FakeHidPlatform& platform, const MeterScenario& scenario,
                           std::shared_ptr<SimulatedMeterDevice>* device)
{
    auto behaviour = std::make_shared<SimulatedMeterDevice>(scenario);
    if (device)
        *device = behaviour;
    FakeDeviceSetup setup;
    setup.attributes = {0x0483, 0x5750, 0x0100};
    setup.caps = {65, 65};
    setup.unplugAfterReports = scenario.unplugAfterReports;
    setup.behaviour = behaviour;
    return platform.plug(setup);
}

}  // namespace sonavistor
