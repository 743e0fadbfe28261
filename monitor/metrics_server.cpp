#include "monitor/metrics_server.h"

#include "common/error.h"

#include <QRegularExpression>

#include <civetweb.h>

namespace sonavistor {

QString metricsListenAddress(const QString& address)
{
    static const QRegularExpression form(
        QStringLiteral("^(?:(\\d{1,3}(?:\\.\\d{1,3}){3}|\\[[0-9A-Fa-f:]+\\]|localhost):)?(\\d{1,5})$"));
    const auto m = form.match(address);
    const int port = m.hasMatch() ? m.captured(2).toInt() : -1;
    if (port < 0 || port > 65535)
        throw Error(QStringLiteral("--metrics takes [ADDRESS:]PORT such as 9464 or 127.0.0.1:9464, not '%1'").arg(address));
    QString host = m.captured(1);
    // civetweb takes "[::1]:9464" only when built with IPv6 (feature 8); Debian's is not.
    if (host.startsWith(QLatin1Char('[')) && mg_check_feature(8) == 0)
        throw Error(QStringLiteral("--metrics %1: this system's HTTP server library (civetweb) is built without IPv6; "
                                   "give an IPv4 address such as 127.0.0.1:%2")
                        .arg(address)
                        .arg(port));
    if (host.isEmpty() || host == QLatin1String("localhost"))
        host = QStringLiteral("127.0.0.1");
    return host + QLatin1Char(':') + QString::number(port);
}

MetricsServer::MetricsServer(const QString& address)
{
    const QByteArray listen = metricsListenAddress(address).toLatin1();
    static const unsigned library = mg_init_library(0);
    (void)library;
    const char* options[] = {"listening_ports", listen.constData(), "num_threads", "2", nullptr};
    mg_callbacks callbacks{};
    // civetweb prints why it could not start; the message below says it for us.
    callbacks.log_message = [](const mg_connection*, const char*) { return 1; };
    context_ = mg_start(&callbacks, this, options);
    if (!context_)
        throw Error(QStringLiteral("Cannot serve the metrics on %1: the address is in use or not this machine's")
                        .arg(QString::fromLatin1(listen)));
    mg_set_request_handler(context_, "/metrics", &MetricsServer::handle, this);
    mg_server_port ports[4] = {};
    if (mg_get_server_ports(context_, 4, ports) > 0)
        port_ = ports[0].port;
}

MetricsServer::~MetricsServer()
{
    mg_stop(context_);
}

void MetricsServer::update(const MetricsSnapshot& snapshot)
{
    std::lock_guard lock(mutex_);
    snapshot_ = snapshot;
}

int MetricsServer::handle(mg_connection* connection, void* self)
{
    auto* server = static_cast<MetricsServer*>(self);
    MetricsSnapshot snapshot;
    {
        std::lock_guard lock(server->mutex_);
        snapshot = server->snapshot_;
    }
    const QByteArray body = metricsText(snapshot);
    mg_printf(connection,
              "HTTP/1.1 200 OK\r\nContent-Type: text/plain; version=0.0.4; charset=utf-8\r\n"
              "Content-Length: %lld\r\nConnection: close\r\n\r\n",
              static_cast<long long>(body.size()));
    mg_write(connection, body.constData(), static_cast<size_t>(body.size()));
    return 200;
}

}  // namespace sonavistor
