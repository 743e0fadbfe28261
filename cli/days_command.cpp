// sonavistor-cli days [--json] [--meter usb|sim:FILE]
#include "cli/meter_days.h"

#include "import/day_import.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace sonavistor::cli {

namespace {
constexpr quint8 kCountMark = 0xEF;
}

int readDays(MeterSession& session, Output io)
{
    MeterLink.RecordCount = 0;
    // The count request attaches its handler first, then writes.
    if (!session.request({0, ReadCount}, KindCount, true))
        return io.err << (session.interrupted() ? "interrupted" : "the meter was disconnected")
                      << " while asking for the record count" << Qt::endl, kFailed;
    if (MeterLink.Reply[0] != kCountMark || MeterLink.RecordCount == 0) {
        const bool marked = MeterLink.Reply[0] == kCountMark;
        MeterLink.RecordCount = 0;
        return io.err << (marked ? "the meter holds no records" : "the meter's record count reply carries no count mark")
                      << Qt::endl, kFailed;
    }
    {
        TerminalProgress progress("reading the date list");
        session.connection().GetDate(&progress);
    }
    if (!MeterLink.Connected || session.interrupted())
        return io.err << (session.interrupted() ? "interrupted" : "the meter was disconnected")
                      << " while reading the date list (" << MeterLink.PageIndex << " of "
                      << ((MeterLink.RecordCount + 1364) / 1365) * 64 << " reports)" << Qt::endl, kFailed;
    return kOk;
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
