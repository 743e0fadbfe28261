#pragma once
// The set-clock step of the setup window: sets the meter's clock from the PC clock (UTC + 8 hours) with
// the set-clock request.

#include "meter/meter_reservation.h"

#include <QDateTime>
#include <QString>

namespace sonavistor {

class MeterConnection;

// The busy marker while the set-clock request waits, so that neither a
// measurement nor an import starts its meter work in the middle of it.
inline constexpr qint16 kBusySettingClock = static_cast<qint16>(MeterUse::SettingClock);

// Sends the clock for the PC clock reading now and waits for the meter's
// answer. Returns what the user is to be told, empty when there is nothing
// to say: without a meter nothing is sent and nothing said. The request is
// refused while another one waits or while a measurement or an import holds
// the meter, since its answer would be taken for theirs.
QString setMeterClockFromPc(MeterConnection& meter, const QDateTime& now);

}  // namespace sonavistor
