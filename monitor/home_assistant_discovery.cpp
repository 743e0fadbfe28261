#include "monitor/home_assistant_discovery.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <utility>

namespace sonavistor {

namespace {

constexpr char kDiscoveryPrefix[] = "homeassistant";
constexpr int kExpiringIntervals = 3;

// Letters, digits, - and _ only, as Home Assistant takes in ids; "_" doubled
// first, so that a prefix "a/b" and a prefix "a_b" give different ids.
QString safe(QString text)
{
    text.replace(QLatin1Char('_'), QLatin1String("__"));
    for (QChar& c : text) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('-') && c != QLatin1Char('_'))
            c = QLatin1Char('_');
    }
    return text;
}

struct Sensor {
    QString key;    // in unique ids and the config topic
    QString name;   // shown under the device's name
    QString leaf;   // the state topic under PREFIX/ID
    QString field;  // in the state's JSON
    qint64 expireAfter;
};

}  // namespace

QString discoveryNode(const QString& prefix, const QString& meterId)
{
    return QStringLiteral("sonavistor_%1_%2").arg(safe(prefix), safe(meterId));
}

std::vector<DiscoveryMessage> homeAssistantDiscovery(const DiscoverySettings& s)
{
    const QString node = discoveryNode(s.prefix, s.meterId);
    const QString base = s.prefix + QLatin1Char('/') + s.meterId + QLatin1Char('/');
    const QJsonObject device{{"identifiers", QJsonArray{node}},
                             {"name", QStringLiteral("Sound level meter %1").arg(s.meterId)},
                             {"model", QStringLiteral("sonavistor-cli log")},
                             {"sw_version", QStringLiteral(SONAVISTOR_VERSION)}};
    const QJsonObject origin{{"name", QStringLiteral("Sonavistor")}, {"sw_version", QStringLiteral(SONAVISTOR_VERSION)}};
    const QJsonArray availability{QJsonObject{{"topic", base + QStringLiteral("status")}},
                                  QJsonObject{{"topic", base + QStringLiteral("meter")}}};

    std::vector<Sensor> sensors;
    const qint64 intervalExpiry = kExpiringIntervals * s.publishSeconds;
    for (const char weighting : {'A', 'C'}) {
        const QString w = QString(QLatin1Char(weighting));
        const QString lower = w.toLower();
        const QString state = QStringLiteral("state/") + w;
        sensors.push_back({QStringLiteral("leq_") + lower, QStringLiteral("L%1eq").arg(w), state, QStringLiteral("leq"),
                           intervalExpiry});
        sensors.push_back({QStringLiteral("lmax_") + lower, QStringLiteral("L%1max").arg(w), state, QStringLiteral("lmax"),
                           intervalExpiry});
        sensors.push_back({QStringLiteral("l90_") + lower, QStringLiteral("L") + w + QStringLiteral("90"), state, QStringLiteral("l90"),
                           intervalExpiry});
    }
    const qint64 levelExpiry = std::max<qint64>(kExpiringIntervals,
                                                static_cast<qint64>(std::ceil(kExpiringIntervals * s.readingSeconds)));
    std::vector<DiscoveryMessage> out;
    for (const Sensor& sensor : sensors) {
        const QJsonObject config{
            {"name", sensor.name},
            {"unique_id", node + QLatin1Char('_') + sensor.key},
            {"default_entity_id", QStringLiteral("sensor.") + node + QLatin1Char('_') + sensor.key},
            {"state_topic", base + sensor.leaf},
            {"value_template", QStringLiteral("{{ value_json.%1 }}").arg(sensor.field)},
            {"device_class", QStringLiteral("sound_pressure")},
            {"unit_of_measurement", QStringLiteral("dB")},
            {"state_class", QStringLiteral("measurement")},
            {"expire_after", static_cast<double>(sensor.expireAfter)},
            {"availability", availability},
            {"availability_mode", QStringLiteral("all")},
            {"device", device},
            {"origin", origin},
        };
        out.push_back({QStringLiteral("%1/sensor/%2/%3/config").arg(kDiscoveryPrefix, node, sensor.key).toUtf8(),
                       QJsonDocument(config).toJson(QJsonDocument::Compact)});
    }
    QJsonObject level{
        {"name", QStringLiteral("Level")},
        {"unique_id", node + QStringLiteral("_level")},
        {"default_entity_id", QStringLiteral("sensor.") + node + QStringLiteral("_level")},
        {"state_topic", base + QStringLiteral("level")},
        {"value_template", QStringLiteral("{{ value_json.level }}")},
        {"device_class", QStringLiteral("sound_pressure")},
        {"unit_of_measurement", QStringLiteral("dB")},
        {"state_class", QStringLiteral("measurement")},
        {"expire_after", static_cast<double>(levelExpiry)},
        {"availability", availability},
        {"availability_mode", QStringLiteral("all")},
        {"device", device},
        {"origin", origin},
    };
    out.push_back({QStringLiteral("%1/sensor/%2/level/config").arg(kDiscoveryPrefix, node).toUtf8(),
                   s.live ? QJsonDocument(level).toJson(QJsonDocument::Compact) : QByteArray()});

    // The event sensor follows PREFIX/ID/noise; yesterday's figures are the
    // A-weighted ones (PREFIX/ID/yesterday/C has the C-weighted day too).
    const QJsonObject noise{
        {"name", QStringLiteral("Noise event")},
        {"unique_id", node + QStringLiteral("_noise_event")},
        {"default_entity_id", QStringLiteral("binary_sensor.") + node + QStringLiteral("_noise_event")},
        {"state_topic", base + QStringLiteral("noise")},
        {"payload_on", QStringLiteral("ON")},
        {"payload_off", QStringLiteral("OFF")},
        {"device_class", QStringLiteral("sound")},
        {"availability", availability},
        {"availability_mode", QStringLiteral("all")},
        {"device", device},
        {"origin", origin},
    };
    out.push_back({QStringLiteral("%1/binary_sensor/%2/noise_event/config").arg(kDiscoveryPrefix, node).toUtf8(),
                   QJsonDocument(noise).toJson(QJsonDocument::Compact)});
    for (const auto& [key, name] : {std::pair{"lden", "Lden yesterday"}, std::pair{"lnight", "Lnight yesterday"}}) {
        const QString id = node + QStringLiteral("_yesterday_") + QLatin1String(key);
        const QJsonObject config{
            {"name", QLatin1String(name)},
            {"unique_id", id},
            {"default_entity_id", QStringLiteral("sensor.") + id},
            {"state_topic", base + QStringLiteral("yesterday/A")},
            {"value_template", QStringLiteral("{{ value_json.%1 }}").arg(QLatin1String(key))},
            {"device_class", QStringLiteral("sound_pressure")},
            {"unit_of_measurement", QStringLiteral("dB")},
            {"state_class", QStringLiteral("measurement")},
            // A day's figures are yesterday's for one day; two days leave room for a late logger.
            {"expire_after", 2 * 86400},
            {"availability", QJsonArray{QJsonObject{{"topic", base + QStringLiteral("status")}}}},
            {"device", device},
            {"origin", origin},
        };
        out.push_back({QStringLiteral("%1/sensor/%2/yesterday_%3/config").arg(kDiscoveryPrefix, node, QLatin1String(key)).toUtf8(),
                       QJsonDocument(config).toJson(QJsonDocument::Compact)});
    }

    // An earlier version named the device by the ID alone, which two prefixes
    // shared, and had one sensor set for both weightings: its configs go.
    const QString old = QStringLiteral("%1/sensor/sonavistor_%2/").arg(kDiscoveryPrefix, s.meterId);
    for (const char* key : {"leq", "lmax", "l90", "level"})
        out.push_back({(old + QLatin1String(key) + QStringLiteral("/config")).toUtf8(), QByteArray()});
    return out;
}

}  // namespace sonavistor
