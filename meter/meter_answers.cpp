#include "meter/meter_answers.h"

namespace sonavistor {

QString describe(RequestResult result)
{
    switch (result) {
    case RequestResult::Answered:
        return QStringLiteral("the meter answered");
    case RequestResult::NoMeter:
        return QStringLiteral("no meter connected");
    case RequestResult::WriteFailed:
        return QStringLiteral("the request could not be written to the meter (write usb error)");
    case RequestResult::MeterGone:
        return QStringLiteral("the meter was disconnected");
    case RequestResult::Stopped:
        return QStringLiteral("stopped");
    case RequestResult::NoAnswer:
        return QStringLiteral("the meter stopped answering");
    case RequestResult::NoReply:
        return QStringLiteral("the meter did not answer");
    }
    return QString();
}

DayRange MeterDays::range(int entry) const
{
    DayRange range;
    range.first = days[static_cast<size_t>(entry)].firstRecord;
    range.last = entry == size() - 1 ? recordCount : days[static_cast<size_t>(entry) + 1].firstRecord - 1;
    return range;
}

QString MeterDays::text(int entry) const
{
    return dateIndexText(days[static_cast<size_t>(entry)].date);
}

QString dateIndexText(qint32 packedDate)
{
    return QStringLiteral("20%1/%2/%3")
        .arg((packedDate >> 16) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((packedDate >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg(packedDate & 0xFF, 2, 16, QLatin1Char('0'))
        .toUpper();
}

}  // namespace sonavistor
