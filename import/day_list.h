#pragma once
// The list of recording days: the meter's record count (with its 0xEF mark)
// and the date area, from which the DateIndex is built. The import window
// reads it once per window and connection; the command-line tool once per run.

#include "common/progress.h"
#include "meter/meter_connection.h"

namespace sonavistor {

enum class DayListStatus {
    Ready,        // DateIndex holds the days of RecordCount records
    NoCountMark,  // the count reply does not begin with 0xEF
    NoRecords,    // the meter holds no records
    CountFailed,  // the count request failed (request says why)
    DatesFailed,  // the date read failed (request says why)
};

struct DayListOutcome {
    DayListStatus status = DayListStatus::Ready;
    RequestResult request = RequestResult::Answered;
    int reportsReceived = 0;  // date-area reports stored
    int reportsExpected = 0;  // 64 per started block of 1,365 records
};

// Asks the count (into RecordCount, 0 unless usable): Ready when there are
// records. The import asks again when a device change has cleared the count
// since the list was read.
DayListOutcome readUsableRecordCount(MeterConnection& meter);

// Asks the count and, when it is usable, reads the dates. RecordCount is 0
// afterwards unless the count was usable. progress follows the date read.
DayListOutcome readDayList(MeterConnection& meter, Progress* progress = nullptr);

}  // namespace sonavistor
