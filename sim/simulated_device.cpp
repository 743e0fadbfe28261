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
                           std::shared_ptr<SimulatedMeterDevice>* device, const MeterModel& model)
{
    auto behaviour = std::make_shared<SimulatedMeterDevice>(scenario, model);
    if (device)
        *device = behaviour;
    FakeDeviceSetup setup;
    setup.attributes = {model.vendorId(), model.productId(), 0x0100};
    // Report id and data bytes.
    setup.caps = {model.reportSize() + 1, model.reportSize() + 1};
    setup.unplugAfterReports = scenario.unplugAfterReports;
    setup.behaviour = behaviour;
    return platform.plug(setup);
}

}  // namespace sonavistor
