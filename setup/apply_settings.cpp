#include "setup/apply_settings.h"

#include "setup/alarm_level.h"

namespace sonavistor {

namespace {

constexpr qint16 kBusyMeasuring = 10;
constexpr qint16 kBusyImporting = 30;

}  // namespace

void applySetupChoices(const SetupChoices& choices, MeterSettingsData& settings,
                       const std::function<void()>& setupClock)
{
    settings.CompanyName = choices.companyName;
    if (choices.setClock && setupClock)
        setupClock();
    settings.AlarmOn = choices.alarmOn;
    if (choices.levelsPageShown) {
        // Both are read before either is stored, so a bad high level does not
        // leave a new low level behind.
        const double low = alarmLevelValue(choices.lowLevelText);
        const double high = alarmLevelValue(choices.highLevelText);
        settings.SystemLal = low;
        settings.SystemHal = high;
    }
}

qint16 busyAfterApply(qint16 busy)
{
    return busy == kBusyMeasuring || busy == kBusyImporting ? busy : qint16(0);
}

}  // namespace sonavistor
