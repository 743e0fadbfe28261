// sonavistor-cli live [-n COUNT] [--interval SECONDS] [--json] [--meter ...]
#include "cli/meter_session.h"

#include "meter/live_reading.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimer>

namespace sonavistor::cli {

namespace {

// Prints each live reading the meter announces.
class LinePrinter {
public:
    LinePrinter(QTextStream& out, bool json) : out_(out), json_(json) {}
    int printed = 0;

    void print(int rawLevel, int status)
    {
        const QDateTime now = QDateTime::currentDateTime();
        const int level = limitedLevel(rawLevel);
        const LiveStatus s = decodeLiveStatus(status);
        const auto range = rangeLimits(status);
        QStringList marks;
        if (s.maxShown)
            marks << QStringLiteral("MAX");
        if (s.minShown)
            marks << QStringLiteral("MIN");
        if (json_) {
            QJsonObject o{{"date", now.toString("yyyy-MM-dd")},
                          {"time", now.toString("HH:mm:ss")},
                          {"level", level / 10.0},
                          {"weighting", s.weightingC ? "C" : "A"},
                          {"timeWeighting", s.fast ? "FAST" : "SLOW"},
                          {"range", range ? QJsonValue(QJsonArray{range->first, range->second}) : QJsonValue()},
                          {"max", s.maxShown},
                          {"min", s.minShown}};
            out_ << QJsonDocument(o).toJson(QJsonDocument::Compact) << '\n';
        } else {
            out_ << now.toString("yyyy-MM-dd") << '\t' << now.toString("HH:mm:ss") << '\t' << levelDisplayText(level)
                 << '\t' << (s.weightingC ? "C" : "A") << '\t' << (s.fast ? "FAST" : "SLOW") << '\t'
                 << (range ? QStringLiteral("%1-%2").arg(range->first).arg(range->second) : QStringLiteral("-"))
                 << '\t' << (marks.isEmpty() ? QStringLiteral("-") : marks.join(',')) << '\n';
        }
        out_.flush();
        ++printed;
    }

private:
    QTextStream& out_;
    bool json_;
};

}  // namespace

int liveCommand(const QStringList& arguments, Output io)
{
    QStringList args = arguments;
    const bool json = args.removeAll(QStringLiteral("--json")) > 0;
    int count = -1;
    double interval = 1.0;
    for (const char* option : {"-n", "--interval"}) {
        const qsizetype at = args.indexOf(QString::fromLatin1(option));
        if (at < 0)
            continue;
        bool ok = false;
        const double value = at + 1 < args.size() ? args[at + 1].toDouble(&ok) : 0;
        if (!ok || value <= 0)
            return io.err << "live: " << option << " needs a positive number" << Qt::endl, kUsage;
        (QLatin1String(option) == QLatin1String("-n") ? void(count = static_cast<int>(value)) : void(interval = value));
        args.remove(at, 2);
    }
    MeterSession session;
    if (const int status = session.open(args, io))
        return status;
    if (!args.isEmpty())
        return io.err << "live: unexpected " << args.join(' ') << Qt::endl, kUsage;

    LinePrinter printer(io.out, json);
    MeterConnection& meter = session.meter();
    QObject::connect(&meter, &MeterConnection::liveReading, &meter,
                     [&printer](const LiveReading& reading) { printer.print(reading.level, reading.status); },
                     Qt::DirectConnection);
    int status = kOk;
    bool silent = false;  // said once per stretch of silence
    while (count < 0 || printer.printed < count) {
        const RequestResult result = meter.readLevel().result;
        if (result == RequestResult::NoReply && !session.interrupted()) {
            // A meter that is plugged in may answer again: keep asking.
            if (!silent)
                io.err << describe(result) << " while reading live levels; still asking" << Qt::endl;
            silent = true;
        } else if (result != RequestResult::Answered) {
            if (!session.interrupted()) {
                io.err << describe(result) << " while reading live levels" << Qt::endl;
                status = kFailed;
            }
            break;
        } else {
            silent = false;
        }
        if (count >= 0 && printer.printed >= count)
            break;
        // Pause till the next reading, handling events (Ctrl-C, unplug).
        QTimer tick;
        tick.setSingleShot(true);
        tick.start(static_cast<int>(interval * 1000));
        while (tick.isActive() && meter.connected() && !session.interrupted())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (session.interrupted())
            break;
    }
    return status;
}

}  // namespace sonavistor::cli
