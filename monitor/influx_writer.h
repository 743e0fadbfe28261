#pragma once
// Writing the logger's intervals to InfluxDB over HTTP, out of an outbox of
// its own (monitor/outbox.h): a line leaves the outbox only once the
// database has answered 204, so an outage, a restart of the database or a
// killed logger loses nothing. Lines go in batches, oldest first, one
// request at a time. A batch the database refuses as bad (400, 422) is sent
// again a line at a time, and a line refused on its own is kept aside in
// OUTBOX.rejected (line protocol, after a comment saying why) rather than
// tried for ever. Any other failure waits and tries again.
//
// Qt's network access runs the HTTP exchange on a thread of its own and
// answers through the event loop of the thread that owns the writer, so
// the logger never waits for the database.

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <vector>

class QNetworkReply;

namespace sonavistor {

class Outbox;

inline constexpr char kInfluxOutboxFileName[] = "sonavistor-log.influx-outbox";

struct InfluxSettings {
    QUrl url;          // the write endpoint with its query
    QByteArray token;  // InfluxDB 2.x: sent as "Authorization: Token ..."
};

// http[s]://HOST[:PORT]/write?db=NAME or .../api/v2/write?org=O&bucket=B.
// Throws Error saying what is wrong.
InfluxSettings parseInfluxUrl(const QString& text);
// The URL as it may be shown: without a password (u= and p= of 1.x, or one in the authority).
QString shownInfluxUrl(const QUrl& url);

class InfluxWriter : public QObject {
    Q_OBJECT
public:
    static constexpr int kBatchLines = 500;

    InfluxWriter(InfluxSettings settings, Outbox& outbox);
    ~InfluxWriter() override;

    // Sends the oldest waiting lines unless a request is under way.
    void send();
    // No request under way (nothing waits, or the last one failed and waits to try again).
    bool idle() const { return reply_ == nullptr; }

    // Refusals, outages and their end, each said once.
    std::function<void(const QString&)> onMessage;

private:
    void answered();
    void failed(const QString& problem);
    void reject(const QByteArray& line, const QString& why);
    void say(const QString& text);

    InfluxSettings settings_;
    Outbox& outbox_;
    QNetworkAccessManager manager_;
    QNetworkReply* reply_ = nullptr;
    std::vector<qint64> batch_;  // the outbox ids the request carries
    qint64 oneByOneUpTo_ = 0;    // lines up to this id go one a request: a bad one is among them
    QTimer retry_;
    int retryMs_ = 0;
    QStringList problemsSaid_;
};

}  // namespace sonavistor
