#include "import/day_list.h"

namespace sonavistor {

DayListOutcome readUsableRecordCount(MeterConnection& meter)
{
    DayListOutcome out;
    meter.forgetRecordCount();
    const MeterAnswer<RecordCountReply> count = meter.readRecordCount();
    out.request = count.result;
    if (!count.answered())
        out.status = DayListStatus::CountFailed;
    else if (!count.value.marked)
        out.status = DayListStatus::NoCountMark;
    else if (count.value.count <= 0)
        out.status = DayListStatus::NoRecords;
    if (out.status != DayListStatus::Ready)
        meter.forgetRecordCount();
    else
        out.days.recordCount = count.value.count;
    return out;
}

DayListOutcome readDayList(MeterConnection& meter, Progress* progress)
{
    DayListOutcome out = readUsableRecordCount(meter);
    if (out.status != DayListStatus::Ready)
        return out;
    MeterAnswer<MeterDays> list = meter.readDayList(progress);
    out.request = list.result;
    out.days = std::move(list.value);
    if (!list.answered())
        out.status = DayListStatus::DatesFailed;
    return out;
}

}  // namespace sonavistor
