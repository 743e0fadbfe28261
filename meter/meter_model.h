#pragma once
// What makes one meter model: how it is found (vendor and product id), the
// size of its reports, how its requests are encoded and its replies decoded,
// how its records and its date list are laid out, and how much memory it
// has. The connection asks the model; the simulator answers with it.

#include <QByteArray>
#include <QtGlobal>

#include <array>
#include <utility>
#include <vector>

namespace sonavistor {

// The requests a meter understands.
enum class MeterCommand { Live, Count, Dates, Records, Clock, Unknown };

// A logged record: a packed-BCD time stamp and levels a fixed time apart.
struct RecordLayout {
    int bytes = 128;           // one record
    int stampOffset = 2;       // year within the century, month, day, hour, minute, second
    int firstLevelOffset = 8;  // levels low byte first, in tenths of a dB
    int levels = 60;
};

// The date list: one entry of the record's date per record, in blocks.
struct DateLayout {
    int entryBytes = 3;          // year, month, day in BCD
    int entriesPerBlock = 1365;
    int blockBytes = 4096;
    int maxBlocks = 193;
    // Where record r's (0-based) entry starts.
    int entryOffset(int r) const { return blockBytes * (r / entriesPerBlock) + entryBytes * (r % entriesPerBlock); }
};

class MeterModel {
public:
    virtual ~MeterModel() = default;

    virtual const char* name() const = 0;
    virtual quint16 vendorId() const = 0;
    virtual quint16 productId() const = 0;
    // Data bytes of one input report (the record memory and the date list
    // come in reports of this size).
    virtual int reportSize() const = 0;
    virtual RecordLayout recordLayout() const = 0;
    virtual DateLayout dateLayout() const = 0;
    // The records the memory holds at the most.
    virtual int memoryRecords() const = 0;
    // The first byte of a record-count reply that carries a count.
    virtual quint8 countMark() const = 0;

    // ---- requests: the output report's payload (byte 0, the report id, not included)
    virtual QByteArray encode(MeterCommand command) const = 0;
    virtual QByteArray encodeRecords(quint32 first, quint32 last) const = 0;
    virtual QByteArray encodeClock(const std::array<quint8, 6>& bcd) const = 0;
    // What an output payload asks for (the simulator's side).
    virtual MeterCommand commandOf(const quint8* payload, int size) const = 0;
    // The first and last record of a record request.
    virtual std::pair<quint32, quint32> recordsAsked(const quint8* payload, int size) const = 0;

    // ---- replies
    // Level (tenths of a dB) and status byte of a live reading.
    virtual std::pair<int, int> decodeLive(const int* reply) const = 0;
    virtual QByteArray encodeLive(int level, int status) const = 0;
    // The mark and the count of a record-count reply.
    virtual std::pair<int, qint32> decodeCount(const int* reply) const = 0;
    virtual QByteArray encodeCount(quint8 mark, quint32 count) const = 0;
    // The report that ends a bulk read.
    virtual bool isEndMarker(const int* reply) const = 0;
    virtual QByteArray endMarker() const = 0;
};

// The meter models the program knows, looked up by their ids.
const MeterModel* findMeterModel(quint16 vendorId, quint16 productId);
// Adds a model to the table (a model of a test, for instance).
void registerMeterModel(const MeterModel* model);
// The model of the meter the program was first made for.
const MeterModel& defaultMeterModel();

}  // namespace sonavistor
