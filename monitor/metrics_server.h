#pragma once
// Serves GET /metrics over HTTP on its own threads (civetweb), from a
// snapshot the logger's thread replaces after every reading, so that a slow
// or stuck scraper never holds up the readings.

#include "monitor/metrics_text.h"

#include <QString>

#include <mutex>

struct mg_context;
struct mg_connection;

namespace sonavistor {

class MetricsServer {
public:
    // "9464", "127.0.0.1:9464", "[::1]:9464", "0.0.0.0:9464": loopback when
    // no address is given. Throws Error when the address is malformed or
    // cannot be listened on.
    explicit MetricsServer(const QString& address);
    ~MetricsServer();
    MetricsServer(const MetricsServer&) = delete;
    MetricsServer& operator=(const MetricsServer&) = delete;

    void update(const MetricsSnapshot& snapshot);
    // The port listened on (the one given, or the one the system chose for 0).
    int port() const { return port_; }

private:
    static int handle(mg_connection* connection, void* self);

    mg_context* context_ = nullptr;
    int port_ = 0;
    std::mutex mutex_;
    MetricsSnapshot snapshot_;
};

// "127.0.0.1:9464" from what --metrics takes; throws Error for anything else.
QString metricsListenAddress(const QString& address);

}  // namespace sonavistor
