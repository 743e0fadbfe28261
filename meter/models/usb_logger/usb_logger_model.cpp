#include "meter/models/usb_logger/usb_logger_model.h"

namespace sonavistor {

namespace {

void appendBigEndian32(QByteArray& out, quint32 value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(static_cast<char>((value >> shift) & 0xFF));
}

quint32 bigEndian32(const quint8* at)
{
    return static_cast<quint32>(at[0]) << 24 | static_cast<quint32>(at[1]) << 16 |
           static_cast<quint32>(at[2]) << 8 | at[3];
}

}  // namespace

QByteArray UsbLoggerModel::encode(MeterCommand command) const
{
    switch (command) {
    case MeterCommand::Live:
        return QByteArray(1, static_cast<char>(kReadLevel));
    case MeterCommand::Count:
        return QByteArray(1, static_cast<char>(kReadCount));
    case MeterCommand::Dates:
        return QByteArray(1, static_cast<char>(kReadDates));
    case MeterCommand::Records:
        return QByteArray(1, static_cast<char>(kReadRecords));
    case MeterCommand::Clock:
        return QByteArray(1, static_cast<char>(kSetClock));
    case MeterCommand::Unknown:
        break;
    }
    return {};
}

QByteArray UsbLoggerModel::encodeRecords(quint32 first, quint32 last) const
{
    QByteArray out = encode(MeterCommand::Records);
    appendBigEndian32(out, first);
    appendBigEndian32(out, last);
    return out;
}

QByteArray UsbLoggerModel::encodeClock(const std::array<quint8, 6>& bcd) const
{
    QByteArray out = encode(MeterCommand::Clock);
    out.append(reinterpret_cast<const char*>(bcd.data()), static_cast<qsizetype>(bcd.size()));
    return out;
}

MeterCommand UsbLoggerModel::commandOf(const quint8* payload, int size) const
{
    if (size < 1)
        return MeterCommand::Unknown;
    switch (payload[0]) {
    case kReadLevel:
        return MeterCommand::Live;
    case kReadCount:
        return MeterCommand::Count;
    case kReadDates:
        return MeterCommand::Dates;
    case kReadRecords:
        return size >= 9 ? MeterCommand::Records : MeterCommand::Unknown;
    case kSetClock:
        return MeterCommand::Clock;
    default:
        return MeterCommand::Unknown;
    }
}

std::pair<quint32, quint32> UsbLoggerModel::recordsAsked(const quint8* payload, int size) const
{
    if (size < 9)
        return {1, 0};
    return {bigEndian32(payload + 1), bigEndian32(payload + 5)};
}

std::pair<int, int> UsbLoggerModel::decodeLive(const int* reply) const
{
    return {reply[0] * 256 + reply[1], reply[2]};
}

QByteArray UsbLoggerModel::encodeLive(int level, int status) const
{
    QByteArray out(3, '\0');
    out[0] = static_cast<char>((level >> 8) & 0xFF);
    out[1] = static_cast<char>(level & 0xFF);
    out[2] = static_cast<char>(status);
    return out;
}

std::pair<int, qint32> UsbLoggerModel::decodeCount(const int* reply) const
{
    const quint32 count = static_cast<quint32>(reply[1]) << 24 | static_cast<quint32>(reply[2]) << 16 |
                          static_cast<quint32>(reply[3]) << 8 | static_cast<quint32>(reply[4]);
    return {reply[0], static_cast<qint32>(count)};
}

QByteArray UsbLoggerModel::encodeCount(quint8 mark, quint32 count) const
{
    QByteArray out(1, static_cast<char>(mark));
    appendBigEndian32(out, count);
    return out;
}

}  // namespace sonavistor
