#include "meter/live_reading.h"

namespace sonavistor {

namespace {

constexpr std::pair<int, int> RangeTable[5] = {{30, 130}, {30, 80}, {50, 100}, {60, 110}, {80, 130}};

}  // namespace

std::optional<std::pair<int, int>> rangeLimits(int status)
{
    const int index = status & 7;
    if (index >= 5)
        return std::nullopt;
    return RangeTable[index];
}

LiveStatus decodeLiveStatus(int status)
{
    return {status & 7, (status & 8) != 0, (status & 16) != 0, (status & 32) != 0, (status & 64) != 0};
}

LiveReading decodeLiveReading(int level, int status)
{
    const LiveStatus flags = decodeLiveStatus(status);
    return {level, status, flags.weightingC, rangeLimits(status), flags.fast, flags.maxShown, flags.minShown};
}

int limitedLevel(int tenths)
{
    return tenths > kLevelLimit ? kLevelLimit : tenths;
}

QString levelDisplayText(int tenths)
{
    const int q = tenths / 10;
    return QString::number(q) + QLatin1Char('.') + QString::number(tenths - 10 * q);
}

}  // namespace sonavistor
