#include "import/day_list.h"

#include "meter/meter_memory.h"

namespace sonavistor {

DayListOutcome readUsableRecordCount(MeterConnection& meter)
{
    DayListOutcome out;
    MeterLink.RecordCount = 0;
    out.request = meter.readRecordCount();
    if (out.request != RequestResult::Answered) {
        MeterLink.RecordCount = 0;
        out.status = DayListStatus::CountFailed;
    } else if (MeterLink.Reply[0] != kCountMark || MeterLink.RecordCount <= 0) {
        out.status = MeterLink.Reply[0] != kCountMark ? DayListStatus::NoCountMark : DayListStatus::NoRecords;
        MeterLink.RecordCount = 0;
    }
    return out;
}

DayListOutcome readDayList(MeterConnection& meter, Progress* progress)
{
    DayListOutcome out = readUsableRecordCount(meter);
    if (out.status != DayListStatus::Ready)
        return out;
    out.reportsExpected = ((MeterLink.RecordCount + kEntriesPerBlock - 1) / kEntriesPerBlock) * 64;
    out.request = meter.GetDate(progress);
    out.reportsReceived = MeterLink.PageIndex;
    if (out.request != RequestResult::Answered)
        out.status = DayListStatus::DatesFailed;
    return out;
}

}  // namespace sonavistor
