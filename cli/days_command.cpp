// sonavistor-cli days [--json] [--meter usb|sim:FILE]
#include "cli/meter_days.h"

#include "import/day_import.h"
#include "import/day_list.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace sonavistor::cli {

int readDays(MeterSession& session, Output io)
{
    TerminalProgress progress("reading the date list");
    const DayListOutcome list = readDayList(session.meter(), &progress);
    switch (list.status) {
    case DayListStatus::Ready:
        return kOk;
    case DayListStatus::NoCountMark:
        return io.err << "the meter's record count reply carries no count mark" << Qt::endl, kFailed;
    case DayListStatus::NoRecords:
        return io.err << "the meter holds no records" << Qt::endl, kFailed;
    case DayListStatus::CountFailed:
        return io.err << session.failure(list.request) << " while asking for the record count" << Qt::endl, kFailed;
    case DayListStatus::DatesFailed:
        break;
    }
    return io.err << session.failure(list.request) << " while reading the date list (" << list.reportsReceived
                  << " of " << list.reportsExpected << " reports)" << Qt::endl, kFailed;
}

int daysCommand(const QStringList& arguments, Output io)
{
    QStringList args = arguments;
    const bool json = args.removeAll(QStringLiteral("--json")) > 0;
    MeterSession session;
    if (const int status = session.open(args, io))
        return status;
    if (!args.isEmpty())
        return io.err << "days: unexpected " << args.join(' ') << Qt::endl, kUsage;
    if (const int status = readDays(session, io))
        return status;

    QJsonArray list;
    for (int i = 0; i < DateIndex.DateCount; ++i) {
        const DayRange range = dayRange(DateIndex, i, MeterLink.RecordCount);
        const QString date = dateIndexText(DateIndex.Dates[static_cast<size_t>(i)]);
        const int records = range.last - range.first + 1;
        if (json)
            list.append(QJsonObject{{"date", date}, {"first", range.first}, {"records", records}});
        else
            io.out << date << '\t' << range.first << '\t' << records << '\n';
    }
    if (json)
        io.out << QJsonDocument(list).toJson(QJsonDocument::Indented);
    io.out.flush();
    return kOk;
}

}  // namespace sonavistor::cli
