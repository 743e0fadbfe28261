#pragma once
// The simulated meter as a device of the in-memory HID platform.

#include "meter/fake_hid_platform.h"
#include "sim/simulated_meter.h"

#include <memory>
#include <mutex>

namespace sonavistor {

class SimulatedMeterDevice : public FakeDeviceBehaviour {
public:
    explicit SimulatedMeterDevice(MeterScenario scenario, const MeterModel& model = defaultMeterModel())
        : meter_(std::move(scenario), model)
    {
    }
    std::vector<FakeInputReport> onOutputReport(const quint8* report, int size) override;
    SimulatedMeter& meter() { return meter_; }

private:
    std::mutex mutex_;
    SimulatedMeter meter_;
};

// Plugs a meter of the model (by default the first one, vendor 0x0483,
// product 0x5750) that answers from scenario. Returns its path; *device
// (optional) receives the behaviour for inspection.
QString plugSimulatedMeter(FakeHidPlatform& platform, const MeterScenario& scenario,
                           std::shared_ptr<SimulatedMeterDevice>* device = nullptr,
                           const MeterModel& model = defaultMeterModel());

}  // namespace sonavistor
