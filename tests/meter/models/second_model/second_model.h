#pragma once
// A meter model that exists only for the tests: another product id, 32-byte
// reports, 96-byte records (three reports) of 45 levels with the time stamp
// first, little-endian numbers and commands of its own. It shows that
// nothing outside the model assumes the first meter's geometry.

#include "meter/meter_model.h"

#include <QDateTime>

namespace sonavistor::test {

class SecondModel : public MeterModel {
public:
    static constexpr quint16 kVendorId = 0x0483;
    static constexpr quint16 kProductId = 0x5760;
    static constexpr int kReportSize = 32;
    static constexpr int kRecordBytes = 96;
    static constexpr int kLevels = 45;
    static constexpr int kFirstLevel = 6;
    static constexpr quint8 kCountMark = 0xA5;

    const char* name() const override { return "second_model"; }
    quint16 vendorId() const override { return kVendorId; }
    quint16 productId() const override { return kProductId; }
    int reportSize() const override { return kReportSize; }
    RecordLayout recordLayout() const override { return {kRecordBytes, 0, kFirstLevel, kLevels}; }
    DateLayout dateLayout() const override { return {3, 680, 2048, 64}; }
    int memoryRecords() const override { return 680 * 64; }
    quint8 countMark() const override { return kCountMark; }

    QByteArray encode(MeterCommand command) const override;
    QByteArray encodeRecords(quint32 first, quint32 last) const override;
    QByteArray encodeClock(const std::array<quint8, 6>& bcd) const override;
    MeterCommand commandOf(const quint8* payload, int size) const override;
    std::pair<quint32, quint32> recordsAsked(const quint8* payload, int size) const override;

    std::pair<int, int> decodeLive(const int* reply) const override { return {reply[0] + 256 * reply[1], reply[2]}; }
    QByteArray encodeLive(int level, int status) const override;
    std::pair<int, qint32> decodeCount(const int* reply) const override;
    QByteArray encodeCount(quint8 mark, quint32 count) const override;
    bool isEndMarker(const int* reply) const override { return reply[0] == 0xEE && reply[1] == 0xEE; }
    QByteArray endMarker() const override { return QByteArray("\xEE\xEE", 2); }
};

// The model, registered with the program's table on first use.
const SecondModel& secondModel();

// A record of this model: the stamp's BCD bytes, then the levels (tenths of a dB).
QByteArray secondModelRecord(const QDateTime& stamp, int level);

}  // namespace sonavistor::test
