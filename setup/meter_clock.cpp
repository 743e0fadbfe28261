#include "setup/meter_clock.h"



namespace sonavistor {

namespace {

quint8 bcd(int value)
{
    return static_cast<quint8>(((value / 10) % 10) << 4 | (value % 10));
}

}  // namespace

QDateTime meterClockTime(const QDateTime& now)
{
    const QDateTime utc = now.toUTC();
    return QDateTime(utc.date(), utc.time(), Qt::UTC).addSecs(8 * 3600);
}

std::array<quint8, 6> setClockBytes(const QDateTime& t)
{
    return {bcd(t.time().second()), bcd(t.time().minute()), bcd(t.time().hour()),
            bcd(t.date().day()), bcd(t.date().month()), bcd(t.date().year() % 100)};
}

}  // namespace sonavistor
