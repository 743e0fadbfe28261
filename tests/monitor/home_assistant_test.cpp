// The discovery configs against the keys of Home Assistant's MQTT discovery
// as its documentation lists them (MQTT sensor, the shared device, origin
// and availability blocks): a key outside these is ignored or refused by
// Home Assistant, and object_id is gone since 2026.4.
#include "monitor/home_assistant_discovery.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <gtest/gtest.h>

using namespace sonavistor;

namespace {

const QSet<QString> kSensorKeys{
    "availability", "availability_mode", "availability_template", "availability_topic", "default_entity_id",
    "device", "device_class", "enabled_by_default", "encoding", "entity_category", "entity_picture", "expire_after",
    "force_update", "icon", "json_attributes_template", "json_attributes_topic", "last_reset_value_template", "name",
    "options", "origin", "payload_available", "payload_not_available", "platform", "qos", "state_class",
    "state_topic", "suggested_display_precision", "unique_id", "unit_of_measurement", "value_template"};
const QSet<QString> kBinarySensorKeys{
    "availability", "availability_mode", "availability_template", "availability_topic", "default_entity_id",
    "device", "device_class", "enabled_by_default", "encoding", "entity_category", "entity_picture", "expire_after",
    "force_update", "icon", "json_attributes_template", "json_attributes_topic", "name", "off_delay", "origin",
    "payload_available", "payload_not_available", "payload_off", "payload_on", "platform", "qos", "state_topic",
    "unique_id", "value_template"};
const QSet<QString> kDeviceKeys{"configuration_url", "connections", "hw_version", "identifiers", "manufacturer", "model",
                                "model_id", "name", "serial_number", "suggested_area", "sw_version", "via_device"};
const QSet<QString> kOriginKeys{"name", "sw_version", "support_url"};
const QSet<QString> kAvailabilityKeys{"payload_available", "payload_not_available", "topic", "value_template"};

void expectOnly(const QJsonObject& o, const QSet<QString>& allowed, const QString& where)
{
    for (const QString& key : o.keys())
        EXPECT_TRUE(allowed.contains(key)) << where.toStdString() << " has the key " << key.toStdString();
}

std::map<QString, QJsonObject> configs(const DiscoverySettings& s)
{
    std::map<QString, QJsonObject> out;
    for (const DiscoveryMessage& m : homeAssistantDiscovery(s)) {
        if (!m.payload.isEmpty())
            out[QString::fromUtf8(m.topic)] = QJsonDocument::fromJson(m.payload).object();
    }
    return out;
}

}  // namespace

TEST(HomeAssistantDiscovery, EveryConfigHoldsOnlyDocumentedKeysAndASensorSetPerWeighting)
{
    DiscoverySettings s;
    s.prefix = "site/noise";
    s.meterId = "A1B2";
    s.publishSeconds = 60;
    s.readingSeconds = 1;
    s.live = true;
    const auto all = configs(s);
    ASSERT_EQ(all.size(), 10u);
    QSet<QString> names;
    for (const auto& [topic, config] : all) {
        const bool binary = topic.startsWith("homeassistant/binary_sensor/");
        expectOnly(config, binary ? kBinarySensorKeys : kSensorKeys, topic);
        expectOnly(config["device"].toObject(), kDeviceKeys, topic + " device");
        expectOnly(config["origin"].toObject(), kOriginKeys, topic + " origin");
        EXPECT_EQ(config["origin"].toObject()["name"].toString(), "Sonavistor");
        EXPECT_FALSE(config["origin"].toObject()["sw_version"].toString().isEmpty());
        for (const QJsonValue& a : config["availability"].toArray())
            expectOnly(a.toObject(), kAvailabilityKeys, topic + " availability");
        // The unique id is what Home Assistant keys on; the entity id it suggests is <component>.<that>.
        const QString component = binary ? "binary_sensor" : "sensor";
        EXPECT_EQ(config["default_entity_id"].toString(), component + "." + config["unique_id"].toString());
        EXPECT_EQ(topic, "homeassistant/" + component + "/sonavistor_site_noise_A1B2/" +
                             config["unique_id"].toString().mid(QString("sonavistor_site_noise_A1B2_").size()) +
                             "/config");
        names << config["name"].toString();
    }
    EXPECT_EQ(names, QSet<QString>({"LAeq", "LAmax", "LA90", "LCeq", "LCmax", "LC90", "Level", "Noise event",
                                    "Lden yesterday", "Lnight yesterday"}));
    const QJsonObject event = all.at("homeassistant/binary_sensor/sonavistor_site_noise_A1B2/noise_event/config");
    EXPECT_EQ(event["state_topic"].toString(), "site/noise/A1B2/noise");
    EXPECT_EQ(all.at("homeassistant/sensor/sonavistor_site_noise_A1B2/yesterday_lnight/config")["state_topic"].toString(),
              "site/noise/A1B2/yesterday/A");

    const QJsonObject lceq = all.at("homeassistant/sensor/sonavistor_site_noise_A1B2/leq_c/config");
    EXPECT_EQ(lceq["state_topic"].toString(), "site/noise/A1B2/state/C");
    EXPECT_EQ(lceq["value_template"].toString(), "{{ value_json.leq }}");
    EXPECT_EQ(lceq["expire_after"].toInt(), 180);  // three 60-s intervals
    EXPECT_EQ(lceq["availability_mode"].toString(), "all");
    const QJsonArray availability = lceq["availability"].toArray();
    ASSERT_EQ(availability.size(), 2);
    EXPECT_EQ(availability[0].toObject()["topic"].toString(), "site/noise/A1B2/status");
    EXPECT_EQ(availability[1].toObject()["topic"].toString(), "site/noise/A1B2/meter");
    EXPECT_EQ(lceq["device"].toObject()["identifiers"].toArray().at(0).toString(), "sonavistor_site_noise_A1B2");
    EXPECT_EQ(all.at("homeassistant/sensor/sonavistor_site_noise_A1B2/level/config")["expire_after"].toInt(), 3);
}

TEST(HomeAssistantDiscovery, TwoLoggersNeverShareAnIdAndWithoutLiveLevelsTheLevelSensorGoes)
{
    DiscoverySettings first;
    first.prefix = "a/b";
    first.meterId = "sim";
    DiscoverySettings second = first;
    second.prefix = "a_b";
    const auto one = configs(first);
    const auto two = configs(second);
    for (const auto& [topic, config] : one) {
        EXPECT_EQ(two.count(topic), 0u) << topic.toStdString();
        for (const auto& [otherTopic, other] : two)
            EXPECT_NE(config["unique_id"], other["unique_id"]);
    }
    EXPECT_EQ(one.size(), 9u);
    bool levelRemoved = false;
    for (const DiscoveryMessage& m : homeAssistantDiscovery(first))
        levelRemoved = levelRemoved || (m.topic.endsWith("/level/config") && m.payload.isEmpty() &&
                                         m.topic.contains("sonavistor_a_b_sim"));
    EXPECT_TRUE(levelRemoved);
}
