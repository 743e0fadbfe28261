#include "monitor/mqtt_client.h"

#include "common/error.h"

#include <mosquitto.h>

#include <cerrno>
#include <cstring>

namespace sonavistor {

namespace {

constexpr int kKeepAliveSeconds = 30;
constexpr char kSystemCertificates[] = "/etc/ssl/certs";

// libmosquitto is set up once per process.
struct Library {
    Library() { mosquitto_lib_init(); }
    ~Library() { mosquitto_lib_cleanup(); }
};

QString refusal(int rc)
{
    switch (rc) {
    case 4:
    case 5:
        return QStringLiteral("the broker refused the user name or password (not authorised)");
    default:
        return QString::fromUtf8(mosquitto_connack_string(rc));
    }
}

}  // namespace

MqttClient::MqttClient(MqttSettings settings, QString clientId, QByteArray willTopic, QByteArray willPayload)
    : settings_(std::move(settings)),
      clientId_(clientId.toUtf8()),
      willTopic_(std::move(willTopic)),
      willPayload_(std::move(willPayload))
{
    static Library library;
    mosq_ = mosquitto_new(clientId_.constData(), true, this);
    if (!mosq_)
        throw Error(QStringLiteral("Cannot set up the MQTT client: out of memory"));
    mosquitto_connect_callback_set(mosq_, &MqttClient::connected);
    mosquitto_disconnect_callback_set(mosq_, &MqttClient::disconnected);
    mosquitto_publish_callback_set(mosq_, &MqttClient::published);
    mosquitto_log_callback_set(mosq_, &MqttClient::logged);
}

MqttClient::~MqttClient()
{
    stop();
    mosquitto_destroy(mosq_);
}

void MqttClient::start()
{
    const QByteArray user = settings_.user.toUtf8();
    const QByteArray password = settings_.password.value_or(QString()).toUtf8();
    if (!settings_.user.isEmpty() || settings_.password)
        mosquitto_username_pw_set(mosq_, user.isEmpty() ? nullptr : user.constData(),
                                  settings_.password ? password.constData() : nullptr);
    mosquitto_will_set(mosq_, willTopic_.constData(), static_cast<int>(willPayload_.size()), willPayload_.constData(), 1,
                       true);
    if (settings_.tls) {
        const QByteArray ca = settings_.caFile.toLocal8Bit();
        // Without a CA file: the system's authorities (ca-certificates' folder).
        const int rc = ca.isEmpty() ? mosquitto_tls_set(mosq_, nullptr, kSystemCertificates, nullptr, nullptr, nullptr)
                                    : mosquitto_tls_set(mosq_, ca.constData(), nullptr, nullptr, nullptr, nullptr);
        if (rc != MOSQ_ERR_SUCCESS)
            throw Error(QStringLiteral("Cannot use the certificate authorities \"%1\" for mqtts: %2")
                            .arg(settings_.caFile, QString::fromUtf8(mosquitto_strerror(rc))));
    }
    // Short pauses first: a broker restart is over in seconds.
    mosquitto_reconnect_delay_set(mosq_, 1, 8, true);
    const QByteArray host = settings_.host.toUtf8();
    // The thread first, so that it retries a first attempt that fails.
    if (mosquitto_loop_start(mosq_) != MOSQ_ERR_SUCCESS)
        throw Error(QStringLiteral("Cannot start the MQTT client's thread"));
    running_ = true;
    const int rc = mosquitto_connect_async(mosq_, host.constData(), settings_.port, kKeepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS)
        push({MqttEvent::Kind::Disconnected, 0,
              rc == MOSQ_ERR_ERRNO ? QString::fromLocal8Bit(std::strerror(errno))
                                   : QString::fromUtf8(mosquitto_strerror(rc))});
}

void MqttClient::stop()
{
    if (!running_)
        return;
    running_ = false;
    mosquitto_disconnect(mosq_);
    // force: the thread is not left waiting for a broker that never answers.
    mosquitto_loop_stop(mosq_, true);
}

std::optional<int> MqttClient::publish(const QByteArray& topic, const QByteArray& payload, int qos, bool retain)
{
    int mid = 0;
    const int rc = mosquitto_publish(mosq_, &mid, topic.constData(), static_cast<int>(payload.size()), payload.constData(),
                                     qos, retain);
    if (rc != MOSQ_ERR_SUCCESS)
        return std::nullopt;
    return mid;
}

std::vector<MqttEvent> MqttClient::takeEvents()
{
    std::lock_guard lock(mutex_);
    return std::exchange(events_, {});
}

void MqttClient::push(MqttEvent event)
{
    {
        std::lock_guard lock(mutex_);
        events_.push_back(std::move(event));
    }
    if (onEvent)
        onEvent();
}

void MqttClient::connected(mosquitto*, void* self, int rc)
{
    auto* client = static_cast<MqttClient*>(self);
    if (rc == 0)
        client->push({MqttEvent::Kind::Connected, 0, {}});
    else
        client->push({MqttEvent::Kind::Refused, 0, refusal(rc)});
}

void MqttClient::disconnected(mosquitto*, void* self, int rc)
{
    static_cast<MqttClient*>(self)->push(
        {MqttEvent::Kind::Disconnected, 0,
         rc == 0 ? QStringLiteral("disconnected") : QStringLiteral("the connection to the broker was lost")});
}

// The library's errors say what no callback does: a TLS handshake that failed.
void MqttClient::logged(mosquitto*, void* self, int level, const char* text)
{
    if (level == MOSQ_LOG_ERR)
        static_cast<MqttClient*>(self)->push({MqttEvent::Kind::Failed, 0, QString::fromUtf8(text)});
}

void MqttClient::published(mosquitto*, void* self, int mid)
{
    static_cast<MqttClient*>(self)->push({MqttEvent::Kind::Acknowledged, mid, {}});
}

}  // namespace sonavistor
