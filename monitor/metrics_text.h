#pragma once
// The logger's figures in Prometheus' text exposition format (version
// 0.0.4), for a scraper that reads /metrics.

#include <QByteArray>

#include <optional>

namespace sonavistor {

struct MetricsSnapshot {
    std::optional<double> level;  // the last reading
    char weighting = 'A';         // the last reading's weighting, that of the Leq too
    std::optional<double> leq1m;  // over the readings of the last minute
    qint64 readings = 0;
    qint64 gaps = 0;
    qint64 events = 0;  // noise events ended since the logger started
    bool meterConnected = false;
    bool mqtt = false;  // whether the logger publishes at all
    bool mqttConnected = false;
    qint64 outboxMessages = 0;
};

QByteArray metricsText(const MetricsSnapshot& s);

}  // namespace sonavistor
