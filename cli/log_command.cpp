// sonavistor-cli log --dir DIR [--interval SECONDS] [--meter usb|sim:FILE] [monitoring options]
// Logs the live level once a second into one saved file a day, for as long
// as it runs (a systemd user service: packaging/sonavistor-log.service).
// Optionally it publishes interval figures over MQTT and serves metrics
// (cli/log_monitoring.h).
#include "cli/durations.h"
#include "cli/log_monitoring.h"
#include "cli/meter_session.h"

#include "common/error.h"
#include "common/single_instance.h"
#include "logging/meter_logger.h"
#include "store/reading_row.h"

#include <QDateTime>

#include <cmath>

namespace sonavistor::cli {

namespace {

constexpr char kLogUsage[] = "sonavistor-cli log --dir DIR [--interval SECONDS] [--meter usb|sim:SCENARIO.json] "
                              "[--mqtt URL ...] [--influx URL ...] [--metrics [ADDR:]PORT] [--threshold DB ...] (see the man page)";

}  // namespace

int logCommand(const QStringList& arguments, Output io)
{
    // A stop while the options are read or the meter is looked for still
    // ends with the day files written and the "Logged" line.
    MeterSession::catchInterrupts();
    QStringList args;
    QString folder;
    double interval = 1.0;
    LogMonitoring monitoring;
    for (int i = 0; i < arguments.size(); ++i) {
        QString value;
        int monitoringStatus = kOk;
        if (takeOption(arguments, i, QStringLiteral("--dir"), value)) {
            if (value.isEmpty())
                return io.err << "log: --dir needs a folder (" << kLogUsage << ")" << Qt::endl, kUsage;
            folder = value;
        } else if (takeOption(arguments, i, QStringLiteral("--interval"), value)) {
            bool ok = false;
            interval = value.toDouble(&ok);
            if (!ok || !(interval >= 0.01 && interval <= 3600))
                return io.err << "log: --interval takes seconds from 0.01 to 3600, not '" << value << "'"
                              << Qt::endl, kUsage;
        } else if (takeMonitoringOption(arguments, i, monitoring, io, monitoringStatus)) {
            if (monitoringStatus != kOk)
                return monitoringStatus;
        } else {
            args << arguments[i];
        }
    }
    if (folder.isEmpty())
        return io.err << "log: no folder given (" << kLogUsage << ")" << Qt::endl, kUsage;
    const qsizetype meterAt = args.indexOf(QStringLiteral("--meter"));
    const QString meterArgument = meterAt >= 0 ? args.value(meterAt + 1) : QStringLiteral("usb");
    if (const int status = completeMonitoring(monitoring, meterArgument, io))
        return status;
    monitoring.options.readingSeconds = interval;

    MeterSession session;
    // Without a meter now: the logger waits for it.
    if (const int status = session.open(args, io, false))
        return status;
    if (!args.isEmpty())
        return io.err << "log: unexpected " << args.join(' ') << " (" << kLogUsage << ")" << Qt::endl, kUsage;
    SingleInstance meterLock(loggerLockTitle(meterArgument));
    if (!meterLock.acquire())
        return io.err << "another sonavistor-cli log uses the meter" << Qt::endl, kFailed;

    const auto say = [&io](const QString& text) { io.err << "sonavistor-cli log: " << text << Qt::endl; };
    MeterLogger* running = nullptr;
    session.setInterruptHandler([&running] {
        if (running)
            running->stop();
    });
    LevelLog log(folder);
    try {
        log.open();
    } catch (const Error& e) {
        for (const QString& message : log.takeMessages())
            say(message);
        return io.err << e.message() << Qt::endl, kFailed;
    }
    for (const QString& message : log.takeMessages())
        say(message);

    MeterLoggerOptions options;
    options.intervalMs = static_cast<int>(std::lround(interval * 1000));
    MeterLogger logger(session.meter(), log, [] { return QDateTime::currentDateTime(); }, options);
    logger.meterTakenByProgram = [] { return SingleInstance::heldByAnother(QString::fromLatin1(kProgramLockTitle)); };
    logger.onMessage = say;
    LoggerMonitor monitor(folder, monitoring.options, [] { return QDateTime::currentDateTime(); });
    monitor.onMessage = say;
    try {
        monitor.start();
    } catch (const Error& e) {
        io.err << e.message() << Qt::endl;
        log.close();
        return kFailed;
    }
    logger.onReading = [&monitor](const ReadingRow& row) { monitor.reading(row); };
    logger.afterTick = [&monitor, &logger] { monitor.update(logger.readings(), logger.gaps(), !logger.inGap()); };
    running = &logger;
    say(QStringLiteral("logging to %1, one reading every %2 s (Ctrl-C or SIGTERM ends it)").arg(folder).arg(interval));
    int status = kOk;
    try {
        if (!session.interrupted())  // a signal during the start: nothing to log
            logger.run();
    } catch (const Error& e) {
        io.err << e.message() << Qt::endl;
        status = kFailed;
    }
    running = nullptr;
    session.setInterruptHandler({});
    monitor.finish();
    log.close();
    for (const QString& message : log.takeMessages())
        say(message);
    io.out << "Logged " << logger.readings() << " readings to " << folder << Qt::endl;
    return status;
}

}  // namespace sonavistor::cli
