// The settings file against any bytes: it reads without failing, and what is
// written back reads as the same settings.
#include "common/meter_settings.h"
#include "tests/fuzz/fuzz_support.h"

#include <cstdlib>

using namespace sonavistor;

namespace {

bool same(const MeterSettingsData& a, const MeterSettingsData& b)
{
    return a.CompanyName == b.CompanyName && a.SerialPort == b.SerialPort && a.MachineMode == b.MachineMode &&
           a.MeasureMode == b.MeasureMode && a.HalValue == b.HalValue && a.LalValue == b.LalValue && a.Ems == b.Ems &&
           a.SamplePeriod == b.SamplePeriod && a.UnitCf == b.UnitCf && a.SystemLal == b.SystemLal &&
           a.SystemHal == b.SystemHal && a.AlarmOn == b.AlarmOn;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::ensureApplication();
    const QString path = fuzz::writeInput(QStringLiteral("Quorvane.INI"), data, size);
    const MeterSettingsData read = readMeterSettings(path);
    QString error;
    if (!writeMeterSettings(path, read, &error))
        return 0;
    if (!same(readMeterSettings(path), read))
        std::abort();
    return 0;
}
