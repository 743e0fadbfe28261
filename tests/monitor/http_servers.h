#pragma once
// What the tests against a real time series database share: InfluxDB's
// influxd and Prometheus started on free loopback ports with their data in
// the test's folder, plain HTTP requests to them, and the command-line
// logger on a simulated meter.

#include "tests/support/event_wait.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpSocket>
#include <QUrl>

namespace sonavistor::test {

inline constexpr char kInfluxd[] = "/usr/bin/influxd";
inline constexpr char kPrometheus[] = "/usr/bin/prometheus";

struct HttpAnswer {
    int status = 0;  // 0: no answer
    QByteArray body;
};

// One HTTP/1.0 request on loopback; `target` is the path with its query, encoded.
inline HttpAnswer httpRequest(int port, const QByteArray& method, const QByteArray& target, const QByteArray& body = {})
{
    QTcpSocket http;
    http.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    if (!http.waitForConnected(2000))
        return {};
    http.write(method + ' ' + target + " HTTP/1.0\r\nHost: localhost\r\nContent-Length: " +
               QByteArray::number(body.size()) + "\r\n\r\n" + body);
    QByteArray response;
    while (http.waitForReadyRead(5000))
        response += http.readAll();
    const qsizetype end = response.indexOf("\r\n\r\n");
    if (!response.startsWith("HTTP/1.") || end < 0)
        return {};
    return {response.mid(9, 3).toInt(), response.mid(end + 4)};
}

inline QByteArray encoded(const QString& text)
{
    return QUrl::toPercentEncoding(text);
}

// influxd with its data, write-ahead log and metadata in `folder`, its HTTP
// and RPC ports on 127.0.0.1, and nothing else switched on.
class Influxd {
public:
    Influxd(const QString& folder, int httpPort) : folder_(folder), port_(httpPort)
    {
        QFile conf(folder + "/influxdb.conf");
        conf.open(QIODevice::WriteOnly);
        conf.write(QStringLiteral("reporting-disabled = true\n"
                                  "bind-address = \"127.0.0.1:%1\"\n"
                                  "[meta]\n  dir = \"%2/meta\"\n"
                                  "[data]\n  dir = \"%2/data\"\n  wal-dir = \"%2/wal\"\n  query-log-enabled = false\n"
                                  "[http]\n  bind-address = \"127.0.0.1:%3\"\n  log-enabled = false\n"
                                  "[monitor]\n  store-enabled = false\n"
                                  "[continuous_queries]\n  enabled = false\n")
                       .arg(freePort())
                       .arg(folder)
                       .arg(httpPort)
                       .toUtf8());
    }
    ~Influxd() { stop(); }
    bool start()
    {
        process_.setStandardOutputFile(QProcess::nullDevice());
        process_.setStandardErrorFile(QProcess::nullDevice());
        process_.start(kInfluxd, {"-config", folder_ + "/influxdb.conf"});
        return waitUntilTrue([this] { return httpRequest(port_, "GET", "/ping").status == 204; });
    }
    void stop()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        process_.waitForFinished(10000);
    }
    int port() const { return port_; }
    // The rows of the first series a query gives (each row its columns), or nothing.
    QJsonArray query(const QString& db, const QString& q) const
    {
        const HttpAnswer a = httpRequest(port_, "GET", "/query?db=" + encoded(db) + "&q=" + encoded(q));
        const QJsonObject result = QJsonDocument::fromJson(a.body).object()["results"].toArray().at(0).toObject();
        return result["series"].toArray().at(0).toObject()["values"].toArray();
    }
    bool execute(const QString& q) const { return httpRequest(port_, "POST", "/query?q=" + encoded(q)).status == 200; }

private:
    QString folder_;
    int port_;
    QProcess process_;
};

// The command-line logger on a simulated meter whose scenario plays five
// live readings in turn, with `extra` JSON keys (a "serial").
inline void writeLiveScenario(const QString& path, const QString& extra = {})
{
    QFile json(path);
    json.open(QIODevice::WriteOnly);
    json.write(QStringLiteral(R"({"live": [[653, 64], [702, 64], [811, 64], [587, 64], [655, 64]]%1})").arg(extra).toUtf8());
}

inline void startLogger(QProcess& logger, const QStringList& args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SONAVISTOR_TEST_SILENCE_MS", "300");
    logger.setProcessEnvironment(env);
    logger.start(CLI_PATH, QStringList{"log"} + args);
    logger.waitForStarted();
}

}  // namespace sonavistor::test
