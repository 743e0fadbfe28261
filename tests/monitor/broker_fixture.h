#pragma once
// What the tests against a real broker share: mosquitto started on a free
// loopback port with a configuration of its own, a subscriber to every
// topic, and the command-line logger run against the simulated meter.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>

#include "tests/support/event_wait.h"

#include <mosquitto.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace sonavistor::test {

inline constexpr char kBroker[] = "/usr/sbin/mosquitto";

// What a test asks of its broker beyond the defaults.
struct BrokerConfig {
    bool anonymous = true;    // false: only the users of passwordFile, if any
    bool persistent = false;  // sessions and what waits for them kept on disk across a stop
    // A second listener, for TLS, with the server's certificate and key (PEM).
    int tlsPort = 0;
    QString certFile = {};
    QString keyFile = {};
    QString passwordFile = {};  // mosquitto_passwd's file: only its users are taken
};

class Broker {
public:
    Broker(const QString& folder, int port, BrokerConfig config = {})
        : folder_(folder), port_(port), tlsPort_(config.tlsPort)
    {
        QFile conf(folder + "/mosquitto.conf");
        conf.open(QIODevice::WriteOnly);
        // Started by root it would become the user "mosquitto", who cannot write here.
        const passwd* me = ::getpwuid(::getuid());
        QString text = QStringLiteral("listener %1 127.0.0.1\nallow_anonymous %2\n")
                           .arg(port)
                           .arg(config.anonymous ? "true" : "false");
        if (config.persistent)
            text += QStringLiteral("persistence true\npersistence_location %1/\n").arg(folder);
        text += QStringLiteral("user %1\n").arg(QString::fromLocal8Bit(me ? me->pw_name : "root"));
        if (!config.passwordFile.isEmpty())
            text += QStringLiteral("password_file %1\n").arg(config.passwordFile);
        if (config.tlsPort)
            text += QStringLiteral("listener %1 127.0.0.1\ncertfile %2\nkeyfile %3\n")
                        .arg(config.tlsPort)
                        .arg(config.certFile, config.keyFile);
        conf.write(text.toUtf8());
    }
    ~Broker() { stop(); }
    bool start()
    {
        process_.start(kBroker, {"-c", folder_ + "/mosquitto.conf"});
        const auto listening = [](int port) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
            return probe.waitForConnected(100);
        };
        return waitUntilTrue([&] { return listening(port_) && (!tlsPort_ || listening(tlsPort_)); });
    }
    void stop()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        process_.waitForFinished(5000);
    }

private:
    QString folder_;
    int port_;
    int tlsPort_;
    QProcess process_;
};

struct Received {
    QString topic;
    QByteArray payload;
    bool retained;
};

// Subscribes to every topic; what the broker kept retained comes first.
// With keepSession the broker keeps its session while it is away, so that
// nothing published meanwhile is missed.
class Subscriber {
public:
    // user and password: for a broker that takes no one else.
    Subscriber(int port, const char* clientId, bool keepSession = false, const char* user = nullptr,
               const char* password = nullptr)
    {
        mosquitto_lib_init();
        mosq_ = mosquitto_new(clientId, !keepSession, this);
        if (user)
            mosquitto_username_pw_set(mosq_, user, password);
        if (keepSession)
            mosquitto_reconnect_delay_set(mosq_, 1, 1, false);
        mosquitto_connect_callback_set(mosq_, [](mosquitto* m, void*, int rc) {
            if (rc == 0)
                mosquitto_subscribe(m, nullptr, "#", 1);
        });
        mosquitto_subscribe_callback_set(mosq_, [](mosquitto*, void* self, int, int, const int*) {
            static_cast<Subscriber*>(self)->subscribed_ = true;
        });
        mosquitto_message_callback_set(mosq_, [](mosquitto*, void* self, const mosquitto_message* m) {
            auto* s = static_cast<Subscriber*>(self);
            std::lock_guard lock(s->mutex_);
            s->messages_.push_back({QString::fromUtf8(m->topic),
                                    QByteArray(static_cast<const char*>(m->payload), m->payloadlen), m->retain});
        });
        mosquitto_connect_async(mosq_, "127.0.0.1", port, 30);
        mosquitto_loop_start(mosq_);
        waitUntilTrue([this] { return subscribed_.load(); });
    }
    ~Subscriber()
    {
        mosquitto_disconnect(mosq_);
        mosquitto_loop_stop(mosq_, false);
        mosquitto_destroy(mosq_);
    }
    std::vector<Received> messages()
    {
        std::lock_guard lock(mutex_);
        return messages_;
    }
    // The interval figures published, in the order they came.
    std::vector<QJsonObject> intervals()
    {
        std::vector<QJsonObject> out;
        for (const Received& r : messages()) {
            if (r.topic.endsWith("/interval"))
                out.push_back(QJsonDocument::fromJson(r.payload).object());
        }
        return out;
    }
    // The last message of each topic.
    std::map<QString, Received> last()
    {
        std::map<QString, Received> out;
        for (const Received& r : messages())
            out[r.topic] = r;
        return out;
    }

private:
    mosquitto* mosq_;
    std::atomic<bool> subscribed_ = false;
    std::mutex mutex_;
    std::vector<Received> messages_;
};

// GET /metrics on loopback: the body, or nothing.
inline QByteArray metricsBody(int port)
{
    QTcpSocket http;
    http.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    if (!http.waitForConnected(2000))
        return {};
    http.write("GET /metrics HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n");
    QByteArray response;
    while (http.waitForReadyRead(2000))
        response += http.readAll();
    const qsizetype body = response.indexOf("\r\n\r\n");
    return response.startsWith("HTTP/1.1 200") && body >= 0 ? response.mid(body + 4) : QByteArray();
}

// A scenario of the simulated meter: five live readings in turn, `extra` JSON keys after them.
inline void writeScenario(const QString& path, int status, const QString& extra = {})
{
    QFile json(path);
    json.open(QIODevice::WriteOnly);
    json.write(QStringLiteral(R"({"live": [[653, %1], [702, %1], [811, %1], [587, %1], [655, %1]]%2})")
                   .arg(status)
                   .arg(extra)
                   .toUtf8());
}

}  // namespace sonavistor::test
