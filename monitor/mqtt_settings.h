#pragma once
// Where the logger publishes: mqtt://[USER@]HOST[:PORT]/PREFIX, or mqtts://
// for TLS (port 8883 unless given). The password never comes from the
// command line (other users see it in the process list): it is read from a
// file or from the environment variable SONAVISTOR_MQTT_PASSWORD.

#include <QString>

#include <optional>

namespace sonavistor {

inline constexpr char kMqttPasswordVariable[] = "SONAVISTOR_MQTT_PASSWORD";

struct MqttSettings {
    bool tls = false;
    QString host;
    int port = 1883;
    QString user;
    std::optional<QString> password;
    QString prefix;  // topics are PREFIX/ID/...; no leading or trailing slash
    QString caFile;  // mqtts: the certificate authorities; empty for the system's
};

// Throws Error saying what is wrong with the URL.
MqttSettings parseMqttUrl(const QString& url);

// The password file's first line (a trailing line end is no part of it).
// Throws Error when the file cannot be read.
QString readPasswordFile(const QString& path);

}  // namespace sonavistor
