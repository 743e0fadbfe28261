#include "monitor/influx_writer.h"

#include "common/error.h"
#include "monitor/outbox.h"

#include <QFile>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrlQuery>

#include <algorithm>

namespace sonavistor {

namespace {

constexpr int kFirstRetryMs = 1000;
constexpr int kLastRetryMs = 10000;
// A database that takes the connection and never answers is a failure too.
constexpr int kAnswerTimeoutMs = 10000;

}  // namespace

InfluxSettings parseInfluxUrl(const QString& text)
{
    const QUrl url(text, QUrl::StrictMode);
    const QString example = QStringLiteral(" (such as http://localhost:8086/write?db=noise, or "
                                           "http://localhost:8086/api/v2/write?org=home&bucket=noise)");
    if (!url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")) ||
        url.host().isEmpty())
        throw Error(QStringLiteral("--influx takes the write URL of an InfluxDB, not '%1'").arg(text) + example);
    const QUrlQuery query(url);
    if (url.path().endsWith(QLatin1String("/api/v2/write"))) {
        if (!query.hasQueryItem(QStringLiteral("org")) || !query.hasQueryItem(QStringLiteral("bucket")))
            throw Error(QStringLiteral("--influx: an InfluxDB 2 URL names its org and bucket, not '%1'").arg(text) + example);
    } else if (url.path().endsWith(QLatin1String("/write"))) {
        if (query.queryItemValue(QStringLiteral("db")).isEmpty())
            throw Error(QStringLiteral("--influx: the URL names its database (db=NAME), not '%1'").arg(text) + example);
    } else {
        throw Error(QStringLiteral("--influx: the URL ends in /write or /api/v2/write, not '%1'").arg(text) + example);
    }
    return {url, {}};
}

QString shownInfluxUrl(const QUrl& url)
{
    QUrl shown = url;
    shown.setPassword(QString());
    QUrlQuery query(shown);
    if (query.hasQueryItem(QStringLiteral("p"))) {
        query.removeAllQueryItems(QStringLiteral("p"));
        shown.setQuery(query);
    }
    return shown.toString();
}

InfluxWriter::InfluxWriter(InfluxSettings settings, Outbox& outbox) : settings_(std::move(settings)), outbox_(outbox)
{
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, [this] { send(); });
}

InfluxWriter::~InfluxWriter()
{
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        reply_->deleteLater();
    }
}

void InfluxWriter::send()
{
    if (reply_ || outbox_.waiting().empty())
        return;
    QByteArray body;
    batch_.clear();
    for (const OutboxMessage& m : outbox_.waiting()) {
        if (static_cast<int>(batch_.size()) >= kBatchLines || (!batch_.empty() && m.id <= oneByOneUpTo_))
            break;
        body += m.payload + '\n';
        batch_.push_back(m.id);
        if (m.id <= oneByOneUpTo_)
            break;
    }
    QNetworkRequest request(settings_.url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("text/plain; charset=utf-8"));
    if (!settings_.token.isEmpty())
        request.setRawHeader("Authorization", "Token " + settings_.token);
    request.setTransferTimeout(kAnswerTimeoutMs);
    reply_ = manager_.post(request, body);
    connect(reply_, &QNetworkReply::finished, this, &InfluxWriter::answered);
}

void InfluxWriter::answered()
{
    QNetworkReply* reply = std::exchange(reply_, nullptr);
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray answer = reply->readAll().trimmed();
    if (status >= 200 && status < 300) {
        for (const qint64 id : batch_)
            outbox_.acknowledge(id);
        if (!problemsSaid_.isEmpty())
            say(QStringLiteral("writing to InfluxDB %1 again").arg(shownInfluxUrl(settings_.url)));
        problemsSaid_.clear();
        retryMs_ = 0;
        send();
        return;
    }
    if (status == 400 || status == 422) {
        // A bad line: alone, it is kept aside; in a batch, the batch goes again line by line to find it.
        if (batch_.size() == 1) {
            const auto& waiting = outbox_.waiting();
            const auto it = std::find_if(waiting.begin(), waiting.end(), [&](const OutboxMessage& m) { return m.id == batch_[0]; });
            if (it != waiting.end())
                reject(it->payload, QStringLiteral("%1 %2").arg(status).arg(QString::fromUtf8(answer)));
            outbox_.acknowledge(batch_[0]);
        } else {
            oneByOneUpTo_ = batch_.back();
        }
        send();
        return;
    }
    if (status == 0)
        failed(reply->errorString());
    else
        failed(QStringLiteral("it answered %1 %2").arg(status).arg(QString::fromUtf8(answer)));
}

void InfluxWriter::failed(const QString& problem)
{
    const QString text = QStringLiteral("cannot write to InfluxDB %1: %2").arg(shownInfluxUrl(settings_.url), problem);
    if (!problemsSaid_.contains(text)) {
        say(text + QStringLiteral("; logging to files goes on and the intervals wait in the outbox"));
        problemsSaid_ << text;
    }
    retryMs_ = retryMs_ == 0 ? kFirstRetryMs : std::min(kLastRetryMs, retryMs_ * 2);
    retry_.start(retryMs_);
}

void InfluxWriter::reject(const QByteArray& line, const QString& why)
{
    const QString path = outbox_.path() + QStringLiteral(".rejected");
    QFile file(path);
    // Append-only, so that every line refused stays; line protocol takes "#" lines as comments.
    const bool kept = file.open(QIODevice::WriteOnly | QIODevice::Append) &&
                      file.write("# refused by InfluxDB: " + why.simplified().toUtf8() + '\n' + line + '\n') > 0 &&
                      file.flush();
    say(kept ? QStringLiteral("InfluxDB refused a line (%1); it is kept in %2 and left out").arg(why.simplified(), path)
             : QStringLiteral("InfluxDB refused a line (%1) and %2 cannot be written (%3); the line is lost: %4")
                   .arg(why.simplified(), path, file.errorString(), QString::fromUtf8(line)));
}

void InfluxWriter::say(const QString& text)
{
    if (onMessage)
        onMessage(text);
}

}  // namespace sonavistor
