#pragma once
// What Ok and Apply of the setup window do with its controls, in their
// order: company name, meter clock, alarm sound, alarm levels.

#include "common/meter_settings.h"

#include <QString>

#include <functional>

namespace sonavistor {

struct SetupChoices {
    QString companyName;        // as typed
    bool setClock = false;      // "Setup System Time With PC Current Time" ticked
    bool alarmOn = false;       // "On" selected
    bool levelsPageShown = false;  // the "PC Software Setting" page has been shown
    QString lowLevelText;
    QString highLevelText;
};

// Applies the choices to the settings; setupClock runs as the second step
// when the clock box is ticked. The level edits are read only when their
// page has been shown. A level text that is not a number throws Error after
// the name, the clock and the alarm sound have been applied; both levels
// then keep their old values.
void applySetupChoices(const SetupChoices& choices, MeterSettingsData& settings,
                        const std::function<void()>& setupClock);

// The busy marker after Apply: back to idle, unless a measurement (10) or an
// import (30) holds the meter, which would then run on unguarded.
qint16 busyAfterApply(qint16 busy);

}  // namespace sonavistor
