// sonavistor-cli days [--json] [--meter usb|sim:FILE]
#include "cli/meter_days.h"

#include "import/day_import.h"
#include "import/day_list.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace sonavistor::cli {

int readDays(MeterSession& session, Output io, MeterDays& days)
{
    TerminalProgress progress("reading the date list");
    DayListOutcome list = readDayList(session.meter(), &progress);
    switch (list.status) {
    case DayListStatus::Ready:
        days = std::move(list.days);
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
    return io.err << session.failure(list.request) << " while reading the date list (" << list.days.reportsReceived
                  << " of " << list.days.reportsExpected << " reports)" << Qt::endl, kFailed;
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
    MeterDays days;
    if (const int status = readDays(session, io, days))
        return status;

    QJsonArray list;
    for (int i = 0; i < days.size(); ++i) {
        const DayRange range = days.range(i);
        const QString date = days.text(i);
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
