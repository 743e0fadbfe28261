#pragma once
// What the meter's requests bring back, as values: the caller gets the
// outcome and the answer together and never looks into the connection's
// buffers.

#include <QString>
#include <QtGlobal>

#include <vector>

namespace sonavistor {

// What became of a request.
enum class RequestResult {
    Answered,     // the meter answered (a bulk read: it ran to its end)
    NoMeter,      // no meter was connected: nothing was sent
    WriteFailed,  // the output report could not be written: nothing was awaited
    MeterGone,    // the meter went away before the answer
    Stopped,      // stopWaiting() ended the wait
    NoAnswer,     // a bulk read: the meter stopped sending before the read was complete
    NoReply,      // a single-reply request: nothing came within the silence limit
};

// "the meter was disconnected", "the request could not be written to the meter", ...
QString describe(RequestResult result);

// A request's outcome and what it brought. value is meaningful when the
// request was answered, and for bulk reads also holds what came before a
// read was cut short.
template <typename T>
struct MeterAnswer {
    RequestResult result = RequestResult::NoMeter;
    T value{};

    bool answered() const { return result == RequestResult::Answered; }
    friend bool operator==(const MeterAnswer& answer, RequestResult r) { return answer.result == r; }
};

// The reply to the record-count request.
struct RecordCountReply {
    bool marked = false;  // the reply began with the model's count mark: it carries a count
    qint32 count = 0;     // records in the meter's memory, as sent
};

struct DayRange {
    qint32 first = 0;  // 1-based record numbers
    qint32 last = 0;
};

// One recording day of the meter's date list.
struct MeterDay {
    qint32 date = 0;         // (year << 16) | (month << 8) | day, each byte BCD as the meter stores it
    qint32 firstRecord = 0;  // 1-based number of the day's first record
};

// The meter's recording days, as read from its date area.
struct MeterDays {
    std::vector<MeterDay> days;
    qint32 recordCount = 0;   // the count the list was read for: the last day ends there
    int reportsReceived = 0;  // date-area reports stored
    int reportsExpected = 0;  // the reports that carry the dates of every record

    int size() const { return static_cast<int>(days.size()); }
    // Day `entry` (0-based): from its first record to the record before the
    // next day's, or to recordCount for the last day.
    DayRange range(int entry) const;
    // "2024/05/17"
    QString text(int entry) const;
};

// "2024/05/17" for the packed BCD date 0x240517.
QString dateIndexText(qint32 packedDate);

// The records a record read brought, from the first asked for.
struct RecordTransfer {
    int records = 0;         // whole records that arrived
    std::vector<int> bytes;  // what arrived, one value 0..255 a byte, whole records first
};

}  // namespace sonavistor
