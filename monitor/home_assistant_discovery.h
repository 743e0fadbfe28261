#pragma once
// Home Assistant's MQTT discovery for a logger: one device per meter and
// topic prefix, with a sensor set per frequency weighting (LAeq, LAmax,
// LA90 and LCeq, LCmax, LC90), each fed by the retained last interval of
// its weighting (PREFIX/ID/state/A, PREFIX/ID/state/C), so that a Home
// Assistant restart finds the last figures. A sensor is available while
// the logger is online (PREFIX/ID/status) and the meter answers
// (PREFIX/ID/meter), and its value expires three intervals after it came.
// A binary sensor is on while a noise event runs (PREFIX/ID/noise), and two
// sensors give yesterday's Lden and Lnight (PREFIX/ID/yesterday/A).

#include <QByteArray>
#include <QString>

#include <vector>

namespace sonavistor {

struct DiscoverySettings {
    QString prefix;               // the topics' PREFIX
    QString meterId;              // the topics' ID: the meter's serial number or --mqtt-id
    qint64 publishSeconds = 60;   // the interval's length
    double readingSeconds = 1;    // the logger's pace
    bool live = false;            // each reading on PREFIX/ID/level
};

struct DiscoveryMessage {
    QByteArray topic;
    QByteArray payload;  // retained; empty removes what an earlier run announced
};

// "sonavistor_site_noise_living-room" for PREFIX site/noise and ID living-room:
// the device's identifier and the start of every entity's unique id, so
// that two loggers (another meter or another prefix) never share one.
QString discoveryNode(const QString& prefix, const QString& meterId);

// Every config message to publish, retained, on each connection.
std::vector<DiscoveryMessage> homeAssistantDiscovery(const DiscoverySettings& s);

}  // namespace sonavistor
