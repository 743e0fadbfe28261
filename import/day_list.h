#pragma once
// The list of recording days: the meter's record count (with its count
// mark) and the days of its date area. The import window reads it once per
// window and connection; the command-line tool once per run.

#include "common/progress.h"
#include "meter/meter_connection.h"

namespace sonavistor {

enum class DayListStatus {
    Ready,        // days holds the days of the counted records
    NoCountMark,  // the count reply does not carry the count mark
    NoRecords,    // the meter holds no records
    CountFailed,  // the count request failed (request says why)
    DatesFailed,  // the date read failed (request says why)
};

struct DayListOutcome {
    DayListStatus status = DayListStatus::Ready;
    RequestResult request = RequestResult::Answered;
    MeterDays days;  // reportsReceived and reportsExpected also after a failed date read
};

// Asks the count: Ready when there are records, and days.recordCount holds
// them. The connection forgets a count that is not usable. The import asks
// again when a device change has cleared the count since the list was read.
DayListOutcome readUsableRecordCount(MeterConnection& meter);

// Asks the count and, when it is usable, reads the dates. progress follows
// the date read.
DayListOutcome readDayList(MeterConnection& meter, Progress* progress = nullptr);

}  // namespace sonavistor
