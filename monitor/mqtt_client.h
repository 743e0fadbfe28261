#pragma once
// An MQTT connection run on a network thread of its own, so that the
// logger's reading loop never waits for the network: publishing only queues
// the message, and connecting, reconnecting (with a growing pause) and the
// broker's answers happen on that thread. What it learns comes back as
// events that the owner takes on its own thread.

#include "monitor/mqtt_settings.h"

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
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
    // Ends the connection cleanly (no last will) and the network thread,
    // within about a second whatever the broker does. No event handler is
    // called once it has begun.
    void stop();

    // Queues a message; its id (for Acknowledged at QoS 1), or nothing when
    // it could not even be queued (not connected).
    std::optional<int> publish(const QByteArray& topic, const QByteArray& payload, int qos, bool retain);

    std::vector<MqttEvent> takeEvents();
    // Called on the network thread when an event is waiting; it must only
    // hand the news over (a queued call), never wait.
    void setEventHandler(std::function<void()> handler);

private:
    static void connected(mosquitto*, void* self, int rc);
    static void disconnected(mosquitto*, void* self, int rc);
    static void published(mosquitto*, void* self, int mid);
    static void logged(mosquitto*, void* self, int level, const char* text);
    void push(MqttEvent event);
    void run();
    bool pause(int seconds);
    void sayDisconnected(int rc);

    MqttSettings settings_;
    QByteArray clientId_;
    QByteArray willTopic_;
    QByteArray willPayload_;
    QByteArray host_;
    mosquitto* mosq_ = nullptr;
    std::thread thread_;
    int reconnectDelay_ = 1;  // the network thread's alone, as is
    bool sessionUp_ = false;  // whether the broker has accepted the connection
    std::mutex mutex_;        // guards what follows
    std::condition_variable wake_;
    bool stopping_ = false;
    std::function<void()> handler_;
    std::vector<MqttEvent> events_;
};

}  // namespace sonavistor
