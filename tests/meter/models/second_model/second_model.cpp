#include "second_model.h"

#include <QDateTime>

namespace sonavistor::test {

namespace {

// The commands, deliberately unlike the first meter's.
constexpr quint8 kCommands[] = {0x11, 0x12, 0x13, 0x14, 0x15};

void appendLittleEndian32(QByteArray& out, quint32 value)
{
    for (int shift = 0; shift <= 24; shift += 8)
        out.append(static_cast<char>((value >> shift) & 0xFF));
}

quint32 littleEndian32(const quint8* at)
{
    return at[0] | static_cast<quint32>(at[1]) << 8 | static_cast<quint32>(at[2]) << 16 |
           static_cast<quint32>(at[3]) << 24;
}

char bcd(int value)
{
    return static_cast<char>((value / 10) << 4 | value % 10);
}

}  // namespace

QByteArray SecondModel::encode(MeterCommand command) const
{
    if (command == MeterCommand::Unknown)
        return {};
    return QByteArray(1, static_cast<char>(kCommands[static_cast<int>(command)]));
}

QByteArray SecondModel::encodeRecords(quint32 first, quint32 last) const
{
    QByteArray out = encode(MeterCommand::Records);
    appendLittleEndian32(out, first);
    appendLittleEndian32(out, last);
    return out;
}

QByteArray SecondModel::encodeClock(const std::array<quint8, 6>& bcd) const
{
    QByteArray out = encode(MeterCommand::Clock);
    out.append(reinterpret_cast<const char*>(bcd.data()), static_cast<qsizetype>(bcd.size()));
    return out;
}

MeterCommand SecondModel::commandOf(const quint8* payload, int size) const
{
    if (size < 1)
        return MeterCommand::Unknown;
    for (int c = 0; c < 5; ++c) {
        if (payload[0] == kCommands[c]) {
            const auto command = static_cast<MeterCommand>(c);
            return command == MeterCommand::Records && size < 9 ? MeterCommand::Unknown : command;
        }
    }
    return MeterCommand::Unknown;
}

std::pair<quint32, quint32> SecondModel::recordsAsked(const quint8* payload, int size) const
{
    if (size < 9)
        return {1, 0};
    return {littleEndian32(payload + 1), littleEndian32(payload + 5)};
}

QByteArray SecondModel::encodeLive(int level, int status) const
{
    QByteArray out(3, '\0');
    out[0] = static_cast<char>(level & 0xFF);
    out[1] = static_cast<char>((level >> 8) & 0xFF);
    out[2] = static_cast<char>(status);
    return out;
}

std::pair<int, qint32> SecondModel::decodeCount(const int* reply) const
{
    const quint32 count = static_cast<quint32>(reply[1]) | static_cast<quint32>(reply[2]) << 8 |
                          static_cast<quint32>(reply[3]) << 16 | static_cast<quint32>(reply[4]) << 24;
    return {reply[0], static_cast<qint32>(count)};
}

QByteArray SecondModel::encodeCount(quint8 mark, quint32 count) const
{
    QByteArray out(1, static_cast<char>(mark));
    appendLittleEndian32(out, count);
    return out;
}

const SecondModel& secondModel()
{
    static const SecondModel model;
    registerMeterModel(&model);
    return model;
}

QByteArray secondModelRecord(const QDateTime& stamp, int level)
{
    QByteArray record(SecondModel::kRecordBytes, '\0');
    const QDate d = stamp.date();
    const QTime t = stamp.time();
    const int fields[6] = {d.year() % 100, d.month(), d.day(), t.hour(), t.minute(), t.second()};
    for (int i = 0; i < 6; ++i)
        record[i] = bcd(fields[i]);
    for (int k = 0; k < SecondModel::kLevels; ++k) {
        record[SecondModel::kFirstLevel + 2 * k] = static_cast<char>(level & 0xFF);
        record[SecondModel::kFirstLevel + 2 * k + 1] = static_cast<char>(level >> 8);
    }
    return record;
}

}  // namespace sonavistor::test
