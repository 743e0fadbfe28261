#include "setup/clock_setting.h"

#include "meter/meter_connection.h"
#include "setup/meter_clock.h"

namespace sonavistor {

namespace {

constexpr char kMeterInUse[] =
    "The meter's clock was not set: the meter is busy with a measurement or an import.\r"
    "Stop it, then press Apply again.";
constexpr char kNotSet[] = "The meter's clock was not set: %1.";

}  // namespace

QString setMeterClockFromPc(MeterConnection& meter, const QDateTime& now)
{
    if (!meter.connected())
        return QString();
    if (meter.requestInProgress() || meter.inUse())
        return QString::fromLatin1(kMeterInUse);
    const auto bytes = setClockBytes(meterClockTime(now));
    RequestResult result;
    {
        const MeterReservation settingClock = meter.reserve(MeterUse::SettingClock);
        result = meter.setClock(bytes);
    }
    if (result == RequestResult::Answered || result == RequestResult::NoMeter)
        return QString();
    return QString::fromLatin1(kNotSet).arg(describe(result));
}

}  // namespace sonavistor
