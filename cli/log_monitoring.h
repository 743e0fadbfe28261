#pragma once
// The log command's monitoring options: --mqtt URL, --mqtt-ca FILE,
// --mqtt-password-file FILE, --mqtt-id NAME, --mqtt-live,
// --mqtt-outbox MESSAGES, --publish-interval DURATION, --metrics [ADDR:]PORT,
// --influx URL, --influx-token-file FILE, --influx-id NAME.

#include "cli/cli_command.h"
#include "monitor/logger_monitor.h"

#include <QString>
#include <QStringList>

namespace sonavistor::cli {

inline constexpr char kMonitoringUsage[] =
    "[--mqtt mqtt://[USER@]HOST[:PORT]/PREFIX [--mqtt-ca FILE] [--mqtt-password-file FILE] [--mqtt-id NAME] "
    "[--mqtt-live] [--mqtt-outbox MESSAGES] [--publish-interval 1m]] [--metrics [ADDR:]PORT] "
    "[--influx URL [--influx-token-file FILE] [--influx-id NAME]]";

struct LogMonitoring {
    MonitorOptions options;
    QString url;
    QString caFile;
    QString passwordFile;
    QString meterId;  // --mqtt-id; else the meter's serial number
    QString influxUrl;
    QString influxTokenFile;
    QString influxId;  // --influx-id; else the meter id of the topics
    bool publishIntervalGiven = false;
};

// When args[i] is a monitoring option: takes it (and its value), sets
// `status` to nonzero on a bad value (said on io.err), and returns true.
bool takeMonitoringOption(const QStringList& args, int& i, LogMonitoring& m, Output io, int& status);

// Checks the options together and reads the password. 0, or the exit status
// after saying what is wrong. `meterArgument` is what --meter named.
int completeMonitoring(LogMonitoring& m, const QString& meterArgument, Output io);

// The lock `log` holds for one meter, so that two meters log at once and
// the other meter commands keep off a meter that logs: "sonavistor-log-"
// and the meter's serial number (a simulated meter's scenario "serial"),
// else its device (hidraw node, or the scenario file); "sonavistor-log"
// for a USB meter not yet plugged in.
QString loggerLockTitle(const QString& meterArgument);

// The meter's id in topics: "sim" for a simulated meter, else the USB serial
// number of the first meter found (letters, digits, - and _); empty when
// there is none to read (no meter plugged in, or one without a serial).
QString meterTopicId(const QString& meterArgument);

}  // namespace sonavistor::cli
