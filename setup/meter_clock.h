#pragma once
// The meter's clock as the set-clock command carries it: the PC clock in UTC
// plus eight hours, as six packed-BCD bytes: second, minute, hour, day of
// month, month, year within the century.

#include <QDateTime>

#include <array>

namespace sonavistor {

// The time the meter is set to for a PC clock reading (UTC + 8 hours; the
// date rolls over by the calendar).
QDateTime meterClockTime(const QDateTime& now);

std::array<quint8, 6> setClockBytes(const QDateTime& time);

}  // namespace sonavistor
