#pragma once
// An MQTT connection run by libmosquitto's own network thread, so that the
// logger's reading loop never waits for the network: publishing only queues
// the message, and connecting, reconnecting (with a growing pause) and the
// broker's answers happen on that thread. What it learns comes back as
// events that the owner takes on its own thread.

#include "monitor/mqtt_settings.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <mutex>
#include <optional>
#include <vector>

struct mosquitto;

namespace sonavistor {

struct MqttEvent {
    enum class Kind { Connected, Disconnected, Refused, Acknowledged, Failed };
    Kind kind = Kind::Connected;
    int mid = 0;      // Acknowledged: the message
    QString reason;   // Disconnected, Refused, Failed: why, for a person
};

class MqttClient {
public:
    // willTopic gets `willPayload`, retained, when the connection is lost.
    MqttClient(MqttSettings settings, QString clientId, QByteArray willTopic, QByteArray willPayload);
    ~MqttClient();
    MqttClient(const MqttClient&) = delete;
    MqttClient& operator=(const MqttClient&) = delete;

    // Starts the network thread and the first connection attempt. Throws
    // Error when the library refuses the settings (a CA file it cannot use).
    void start();
    // Ends the connection cleanly (no last will) and the network thread.
    void stop();

    // Queues a message; its id (for Acknowledged at QoS 1), or nothing when
    // it could not even be queued (not connected).
    std::optional<int> publish(const QByteArray& topic, const QByteArray& payload, int qos, bool retain);

    std::vector<MqttEvent> takeEvents();
    // Called on the network thread when an event is waiting.
    std::function<void()> onEvent;

private:
    static void connected(mosquitto*, void* self, int rc);
    static void disconnected(mosquitto*, void* self, int rc);
    static void published(mosquitto*, void* self, int mid);
    static void logged(mosquitto*, void* self, int level, const char* text);
    void push(MqttEvent event);

    MqttSettings settings_;
    QByteArray clientId_;
    QByteArray willTopic_;
    QByteArray willPayload_;
    mosquitto* mosq_ = nullptr;
    bool running_ = false;
    std::mutex mutex_;
    std::vector<MqttEvent> events_;
};

}  // namespace sonavistor
