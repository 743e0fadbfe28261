#include "cli/log_monitoring.h"

#include "cli/durations.h"
#include "cli/log_event_options.h"
#include "cli/meter_session.h"
#include "common/error.h"
#include "monitor/metrics_server.h"
#include "sim/scenario.h"

#include <QCryptographicHash>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace sonavistor::cli {

namespace {

struct HidrawMeter {
    QString node;    // hidraw3
    QString serial;  // may be empty
};

// The HID serial number of the first hidraw node of the meter (vendor
// 0483, product 5750), from the kernel's uevent file: HID_UNIQ=...
HidrawMeter firstMeter()
{
    const QDir hidraw(QStringLiteral("/sys/class/hidraw"));
    for (const QString& node : hidraw.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        QFile uevent(hidraw.filePath(node + QStringLiteral("/device/uevent")));
        if (!uevent.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = uevent.readAll();
        if (!text.contains("HID_ID=0003:00000483:00005750"))
            continue;
        for (const QByteArray& line : text.split('\n')) {
            if (line.startsWith("HID_UNIQ="))
                return {node, QString::fromUtf8(line.mid(9)).trimmed()};
        }
        return {node, QString()};
    }
    return {};
}

}  // namespace

bool takeMonitoringOption(const QStringList& args, int& i, LogMonitoring& m, Output io, int& status)
{
    const auto bad = [&](const QString& text) {
        io.err << "log: " << text << Qt::endl;
        status = kUsage;
        return true;
    };
    if (takeLogEventOption(args, i, m.options.noise, io, status))
        return true;
    QString value;
    if (args[i] == QLatin1String("--mqtt-live")) {
        m.options.live = true;
        return true;
    }
    if (takeOption(args, i, QStringLiteral("--mqtt"), value)) {
        m.url = value;
        return value.isEmpty() ? bad(QStringLiteral("--mqtt needs a URL such as mqtt://localhost/sonavistor")) : true;
    }
    if (takeOption(args, i, QStringLiteral("--mqtt-ca"), value)) {
        m.caFile = value;
        return value.isEmpty() ? bad(QStringLiteral("--mqtt-ca needs a file")) : true;
    }
    if (takeOption(args, i, QStringLiteral("--mqtt-password-file"), value)) {
        m.passwordFile = value;
        return value.isEmpty() ? bad(QStringLiteral("--mqtt-password-file needs a file")) : true;
    }
    if (takeOption(args, i, QStringLiteral("--mqtt-id"), value)) {
        m.meterId = value;
        return topicSafeId(value) != value ? bad(QStringLiteral("--mqtt-id takes letters, digits, - and _, not '%1'").arg(value))
                                          : true;
    }
    if (takeOption(args, i, QStringLiteral("--mqtt-outbox"), value)) {
        bool ok = false;
        m.options.outboxCapacity = value.toLongLong(&ok);
        return !ok || m.options.outboxCapacity < 1
                   ? bad(QStringLiteral("--mqtt-outbox takes a number of messages, not '%1'").arg(value))
                   : true;
    }
    if (takeOption(args, i, QStringLiteral("--publish-interval"), value)) {
        const auto seconds = parseDuration(value);
        // Intervals start on the clock: the length divides a day.
        if (!seconds || *seconds < 1 || *seconds != std::floor(*seconds) || 86400 % static_cast<qint64>(*seconds) != 0)
            return bad(QStringLiteral("--publish-interval takes a whole number of seconds that divides a day, such as "
                                      "10s, 1m or 15m, not '%1'")
                           .arg(value));
        m.options.publishSeconds = static_cast<qint64>(*seconds);
        m.publishIntervalGiven = true;
        return true;
    }
    if (takeOption(args, i, QStringLiteral("--influx"), value)) {
        m.influxUrl = value;
        return value.isEmpty() ? bad(QStringLiteral("--influx needs a URL such as http://localhost:8086/write?db=noise"))
                               : true;
    }
    if (takeOption(args, i, QStringLiteral("--influx-token-file"), value)) {
        m.influxTokenFile = value;
        return value.isEmpty() ? bad(QStringLiteral("--influx-token-file needs a file")) : true;
    }
    if (takeOption(args, i, QStringLiteral("--influx-id"), value)) {
        m.influxId = value;
        return topicSafeId(value) != value ? bad(QStringLiteral("--influx-id takes letters, digits, - and _, not '%1'").arg(value))
                                           : true;
    }
    if (takeOption(args, i, QStringLiteral("--metrics"), value)) {
        try {
            metricsListenAddress(value);
        } catch (const Error& e) {
            return bad(e.message());
        }
        m.options.metricsAddress = value;
        return true;
    }
    return false;
}

int completeMonitoring(LogMonitoring& m, const QString& meterArgument, Output io)
{
    const auto refuse = [&io](const std::vector<std::pair<const char*, bool>>& options, const char* needed) {
        QStringList given;
        for (const auto& [option, isGiven] : options) {
            if (isGiven)
                given << QLatin1String(option);
        }
        if (!given.isEmpty())
            io.err << "log: " << given.join(QStringLiteral(", ")) << (given.size() == 1 ? " needs " : " need ")
                   << needed << Qt::endl;
        return !given.isEmpty();
    };
    if (m.influxUrl.isEmpty() &&
        refuse({{"--influx-token-file", !m.influxTokenFile.isEmpty()}, {"--influx-id", !m.influxId.isEmpty()}},
               "--influx URL"))
        return kUsage;
    if (m.url.isEmpty()) {
        // The pace and the outbox's cap serve --influx too.
        const bool shared = m.influxUrl.isEmpty();
        const bool mqttOnly = !m.caFile.isEmpty() || !m.passwordFile.isEmpty() || !m.meterId.isEmpty() || m.options.live;
        if (refuse({{"--mqtt-ca", !m.caFile.isEmpty()}, {"--mqtt-password-file", !m.passwordFile.isEmpty()},
                    {"--mqtt-id", !m.meterId.isEmpty()}, {"--mqtt-live", m.options.live},
                    {"--mqtt-outbox", shared && m.options.outboxCapacity > 0},
                    {"--publish-interval", shared && m.publishIntervalGiven}},
                   mqttOnly ? "--mqtt URL" : "--mqtt URL or --influx URL"))
            return kUsage;
    }
    if (!m.influxUrl.isEmpty()) {
        try {
            m.options.influx = parseInfluxUrl(m.influxUrl);
            if (!m.influxTokenFile.isEmpty())
                m.options.influx->token = readPasswordFile(m.influxTokenFile).toUtf8();
        } catch (const Error& e) {
            io.err << "log: " << e.message() << Qt::endl;
            return e.message().startsWith(QLatin1String("Cannot")) ? kFailed : kUsage;
        }
        m.options.influxMeter = m.influxId;
    }
    if (m.url.isEmpty()) {
        if (m.options.influx && m.influxId.isEmpty()) {
            m.options.meterId = meterTopicId(meterArgument);
            if (m.options.meterId.isEmpty())
                return io.err << "log: the meter's serial number is not known (no meter is plugged in, or it has none); "
                                 "give --influx-id NAME to name it in the meter tag"
                              << Qt::endl, kFailed;
        }
        return kOk;
    }
    try {
        MqttSettings settings = parseMqttUrl(m.url);
        if (!m.caFile.isEmpty()) {
            if (!settings.tls)
                return io.err << "log: --mqtt-ca goes with an mqtts:// URL" << Qt::endl, kUsage;
            if (!QFileInfo(m.caFile).isReadable())
                return io.err << "log: cannot read the certificate file " << m.caFile << Qt::endl, kFailed;
            settings.caFile = QFileInfo(m.caFile).absoluteFilePath();
        }
        if (!m.passwordFile.isEmpty()) {
            settings.password = readPasswordFile(m.passwordFile);
            // Said, not refused: a logger that would not start loses readings.
            if (QFileInfo(m.passwordFile).permissions() & QFileDevice::ReadOther)
                io.err << "log: every user of this computer can read the password file " << m.passwordFile
                       << " (chmod o-r it)" << Qt::endl;
        } else if (qEnvironmentVariableIsSet(kMqttPasswordVariable))
            settings.password = qEnvironmentVariable(kMqttPasswordVariable);
        m.options.mqtt = settings;
    } catch (const Error& e) {
        io.err << "log: " << e.message() << Qt::endl;
        return e.message().startsWith(QLatin1String("Cannot")) ? kFailed : kUsage;
    }
    m.options.meterId = m.meterId.isEmpty() ? meterTopicId(meterArgument) : m.meterId;
    // A made-up name would become a second Home Assistant device once the
    // real serial number is known: better to ask for one now.
    if (m.options.meterId.isEmpty())
        return io.err << "log: the meter's serial number is not known (no meter is plugged in, or it has none); "
                         "give --mqtt-id NAME to name it in the topics and in Home Assistant"
                      << Qt::endl, kFailed;
    return kOk;
}

QString meterTopicId(const QString& meterArgument)
{
    if (meterArgument.startsWith(QLatin1String("sim:")))
        return QStringLiteral("sim");
    const QString serial = firstMeter().serial;
    return serial.isEmpty() ? QString() : topicSafeId(serial);
}

QString loggerLockTitle(const QString& meterArgument)
{
    const QString base = QString::fromLatin1(kLoggerLockTitle);
    if (meterArgument.startsWith(QLatin1String("sim:"))) {
        QString serial;
        try {
            serial = loadScenario(meterArgument.mid(4)).serial;
        } catch (const Error&) {
            // Said by the meter session, which reads the scenario next.
        }
        if (!serial.isEmpty())
            return base + QLatin1Char('-') + topicSafeId(serial);
        const QByteArray file = QFileInfo(meterArgument.mid(4)).absoluteFilePath().toUtf8();
        return base + QStringLiteral("-sim-") +
               QString::fromLatin1(QCryptographicHash::hash(file, QCryptographicHash::Sha1).toHex().left(12));
    }
    const HidrawMeter meter = firstMeter();
    if (!meter.serial.isEmpty())
        return base + QLatin1Char('-') + topicSafeId(meter.serial);
    return meter.node.isEmpty() ? base : base + QLatin1Char('-') + meter.node;
}

}  // namespace sonavistor::cli
