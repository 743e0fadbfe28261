#pragma once
// The hand-held USB sound level logger (vendor 0x0483, product 0x5750):
// 64-byte reports, 128-byte records of 60 levels two seconds apart, a date
// list of 1,365 three-byte dates per 4,096-byte block.

#include "meter/meter_model.h"

namespace sonavistor {

class UsbLoggerModel : public MeterModel {
public:
    static constexpr quint16 kVendorId = 0x0483;
    static constexpr quint16 kProductId = 0x5750;
    static constexpr quint8 kReadLevel = 0xB3;
    static constexpr quint8 kReadDates = 0xB4;
    static constexpr quint8 kReadCount = 0xB5;
    static constexpr quint8 kReadRecords = 0xC4;
    static constexpr quint8 kSetClock = 0x7C;
    static constexpr quint8 kCountMark = 0xEF;

    const char* name() const override { return "usb_logger"; }
    quint16 vendorId() const override { return kVendorId; }
    quint16 productId() const override { return kProductId; }
    int reportSize() const override { return 64; }
    RecordLayout recordLayout() const override { return {}; }
    DateLayout dateLayout() const override { return {}; }
    int memoryRecords() const override { return 6400; }
    quint8 countMark() const override { return kCountMark; }

    QByteArray encode(MeterCommand command) const override;
    QByteArray encodeRecords(quint32 first, quint32 last) const override;
    QByteArray encodeClock(const std::array<quint8, 6>& bcd) const override;
    MeterCommand commandOf(const quint8* payload, int size) const override;
    std::pair<quint32, quint32> recordsAsked(const quint8* payload, int size) const override;

    std::pair<int, int> decodeLive(const int* reply) const override;
    QByteArray encodeLive(int level, int status) const override;
    std::pair<int, qint32> decodeCount(const int* reply) const override;
    QByteArray encodeCount(quint8 mark, quint32 count) const override;
    bool isEndMarker(const int* reply) const override { return reply[0] == 0xFF && reply[1] == 0xFF; }
    QByteArray endMarker() const override { return QByteArray("\xFF\xFF", 2); }
};

}  // namespace sonavistor
