#include "monitor/mqtt_client.h"

#include "common/error.h"

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <system_error>

namespace sonavistor {

namespace {

constexpr int kKeepAliveSeconds = 30;
constexpr int kMaxReconnectDelay = 8;  // seconds
constexpr int kLoopMs = 100;
constexpr int kGoodbyeMs = 1000;
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
      willPayload_(std::move(willPayload)),
      host_(settings_.host.toUtf8())
{
    static Library library;
    mosq_ = mosquitto_new(clientId_.constData(), true, this);
    if (!mosq_)
        throw Error(QStringLiteral("Cannot set up the MQTT client: out of memory"));
    // Our own thread runs the loop while the owner's thread publishes.
    mosquitto_threaded_set(mosq_, true);
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
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::system_error&) {
        throw Error(QStringLiteral("Cannot start the MQTT client's thread"));
    }
}

// libmosquitto's own thread (mosquitto_loop_start) can only be ended by
// mosquitto_loop_stop: with force it is cancelled wherever it is, even in
// our callbacks or holding the library's locks; without, the join has no
// bound (a DISCONNECT the broker never reads waits for the keep-alive, and
// a disconnect asked for while the thread reconnects is forgotten by the
// library). So the loop is ours: each pass of mosquitto_loop waits at most
// kLoopMs, the pause between attempts wakes on a stop, and the goodbye
// (DISCONNECT written, where the broker took the connection) gets
// kGoodbyeMs. After that the thread returns whatever the broker does, and
// mosquitto_destroy closes the socket. The one wait not bounded here is a
// name lookup in a connection attempt, which the system's resolver bounds
// (its timeout and attempts).
void MqttClient::stop()
{
    if (!thread_.joinable())
        return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        handler_ = nullptr;  // the owner may be going: nothing calls into it now
    }
    wake_.notify_all();
    thread_.join();
}

void MqttClient::run()
{
    bool first = true;
    while (true) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                break;
        }
        if (mosquitto_socket(mosq_) < 0) {
            if (!first) {
                if (!pause(reconnectDelay_))
                    break;
                // Short pauses first: a broker restart is over in seconds.
                reconnectDelay_ = std::min(reconnectDelay_ * 2, kMaxReconnectDelay);
            }
            const int rc = first ? mosquitto_connect_async(mosq_, host_.constData(), settings_.port, kKeepAliveSeconds)
                                 : mosquitto_reconnect_async(mosq_);
            first = false;
            if (rc != MOSQ_ERR_SUCCESS) {
                sayDisconnected(rc);
                continue;
            }
        }
        mosquitto_loop(mosq_, kLoopMs, 1);
    }
    // A broker that has not taken the connection needs no goodbye.
    if (mosquitto_socket(mosq_) < 0 || !sessionUp_)
        return;
    mosquitto_disconnect(mosq_);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kGoodbyeMs);
    while (mosquitto_socket(mosq_) >= 0 && std::chrono::steady_clock::now() < until)
        mosquitto_loop(mosq_, kLoopMs, 1);
}

bool MqttClient::pause(int seconds)
{
    std::unique_lock lock(mutex_);
    return !wake_.wait_for(lock, std::chrono::seconds(seconds), [this] { return stopping_; });
}

void MqttClient::sayDisconnected(int rc)
{
    push({MqttEvent::Kind::Disconnected, 0,
          rc == MOSQ_ERR_ERRNO ? QString::fromLocal8Bit(std::strerror(errno)) : QString::fromUtf8(mosquitto_strerror(rc))});
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

void MqttClient::setEventHandler(std::function<void()> handler)
{
    std::lock_guard lock(mutex_);
    handler_ = std::move(handler);
}

// The handler is called under the lock, so that once stop() has cleared it
// no call into the owner is still under way.
void MqttClient::push(MqttEvent event)
{
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
    if (handler_)
        handler_();
}

void MqttClient::connected(mosquitto*, void* self, int rc)
{
    auto* client = static_cast<MqttClient*>(self);
    if (rc == 0) {
        // Both run on the network thread, as the loop does.
        client->reconnectDelay_ = 1;
        client->sessionUp_ = true;
        client->push({MqttEvent::Kind::Connected, 0, {}});
    } else
        client->push({MqttEvent::Kind::Refused, 0, refusal(rc)});
}

void MqttClient::disconnected(mosquitto*, void* self, int rc)
{
    static_cast<MqttClient*>(self)->sessionUp_ = false;
    static_cast<MqttClient*>(self)->push(
        {MqttEvent::Kind::Disconnected, 0,
         rc == 0 ? QStringLiteral("disconnected") : QStringLiteral("the connection to the broker was lost")});
}

// The library's errors say what no callback does: a TLS handshake that
// failed. OpenSSL's "certificate verify failed" is said in the user's terms:
// the broker is there, but who it is cannot be checked.
void MqttClient::logged(mosquitto*, void* self, int level, const char* text)
{
    if (level != MOSQ_LOG_ERR)
        return;
    auto* client = static_cast<MqttClient*>(self);
    QString reason = QString::fromUtf8(text);
    if (reason.contains(QLatin1String("certificate verify failed"))) {
        const QString& ca = client->settings_.caFile;
        const QString authorities = ca.isEmpty() ? QStringLiteral("the system's certificate authorities")
                                                 : QStringLiteral("the certificate authorities in \"%1\"").arg(ca);
        reason = QStringLiteral("its certificate is not trusted (%1 did not sign it, or it is not made out for %2)")
                     .arg(authorities, client->settings_.host);
    }
    client->push({MqttEvent::Kind::Failed, 0, reason});
}

void MqttClient::published(mosquitto*, void* self, int mid)
{
    static_cast<MqttClient*>(self)->push({MqttEvent::Kind::Acknowledged, mid, {}});
}

}  // namespace sonavistor
