#include "setup/clock_setting.h"

#include "meter/meter_connection.h"
#include "meter/meter_link.h"
#include "setup/meter_clock.h"

namespace sonavistor {

namespace {

constexpr char kMeterInUse[] =
    "The meter's clock was not set: the meter is busy with a measurement or an import.\r"
    "Stop it, then press Apply again.";
constexpr char kNotSet[] = "The meter's clock was not set: %1.";

// Holds the busy marker for the set-clock request and gives it back after.
class BusyWhileSettingClock {
public:
    BusyWhileSettingClock() : before_(MeterLink.Busy) { MeterLink.Busy = kBusySettingClock; }
    ~BusyWhileSettingClock() { MeterLink.Busy = before_; }
    BusyWhileSettingClock(const BusyWhileSettingClock&) = delete;
    BusyWhileSettingClock& operator=(const BusyWhileSettingClock&) = delete;

private:
    qint16 before_;
};

}  // namespace

QString setMeterClockFromPc(MeterConnection& meter, const QDateTime& now)
{
    if (!MeterLink.Connected)
        return QString();
    if (meter.requestInProgress() || MeterLink.Busy != 0)
        return QString::fromLatin1(kMeterInUse);
    const auto bytes = setClockBytes(meterClockTime(now));
    RequestResult result;
    {
        BusyWhileSettingClock busy;
        result = meter.setClock(bytes);
    }
    if (result == RequestResult::Answered || result == RequestResult::NoMeter)
        return QString();
    return QString::fromLatin1(kNotSet).arg(describe(result));
}

}  // namespace sonavistor
