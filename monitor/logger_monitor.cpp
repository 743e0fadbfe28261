#include "monitor/logger_monitor.h"

#include "analysis/acoustic_figures.h"
#include "analysis/level_statistics.h"
#include "analysis/saved_samples.h"
#include "common/error.h"
#include "logging/day_file.h"
#include "monitor/home_assistant_discovery.h"
#include "monitor/metrics_server.h"
#include "monitor/mqtt_client.h"
#include "monitor/outbox.h"
#include "store/reading_row.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <cmath>

namespace sonavistor {

namespace {

// Interval messages sent and not yet acknowledged at one time. A broker
// acknowledges a message once it has queued it for its subscribers, and
// mosquitto drops what it queues for one subscriber beyond 1000
// (max_queued_messages) while it waits for that subscriber's own
// acknowledgements, 20 at a time (max_inflight_messages): with fewer in
// flight here than a subscriber takes, a long backlog goes no faster than
// the subscribers take it, and arrives whole.
constexpr int kInFlightWindow = 10;
// Nor can a publisher learn how fast a subscriber takes messages: a backlog
// goes out at a pace a subscriber far away (20 in flight over a 50 ms
// round trip: 400 a second) still keeps up with; live intervals are far
// slower. The allowance lets the first messages of a backlog go at once.
constexpr double kBacklogPerSecond = 200;
constexpr double kPaceBurst = 20;
// A metrics port that is taken is tried again this often while logging goes on.
constexpr int kMetricsRetryMs = 10000;
constexpr qint64 kThirtyDays = 30 * 86400;
constexpr int kGoodbyeWaitMs = 1000;
constexpr int kNoAnswerMs = 10000;
// The boundary timer fires this long after an interval's end, so that a
// reading stamped just before the end is in.
constexpr int kBoundaryGraceMs = 20;
constexpr qint64 kDayFileSettleSeconds = 180;

qint64 rowSecondsOf(const QDateTime& when)
{
    return QDate(1970, 1, 1).daysTo(when.date()) * 86400 + when.time().msecsSinceStartOfDay() / 1000;
}

}  // namespace

QString topicSafeId(const QString& text)
{
    QString id;
    for (const QChar c : text) {
        if ((c.isLetterOrNumber() && c.unicode() < 128) || c == QLatin1Char('-') || c == QLatin1Char('_'))
            id += c;
    }
    return id.isEmpty() ? QStringLiteral("meter") : id;
}

LoggerMonitor::LoggerMonitor(QString folder, MonitorOptions options, Clock clock)
    : folder_(std::move(folder)),
      options_(std::move(options)),
      clock_(std::move(clock)),
      aggregator_(options_.publishSeconds, options_.readingSeconds),
      utcAggregator_(options_.publishSeconds, options_.readingSeconds),
      events_(options_.readingSeconds, options_.noise)
{
    boundary_.setSingleShot(true);
    boundary_.setTimerType(Qt::PreciseTimer);
    connect(&boundary_, &QTimer::timeout, this, [this] { closeIntervals(); });
    snapshot_.mqtt = options_.mqtt.has_value();
}

LoggerMonitor::~LoggerMonitor()
{
    client_.reset();  // its thread ends before the outbox goes
    influx_.reset();
}

void LoggerMonitor::start()
{
    if (!options_.metricsAddress.isEmpty())
        startMetrics();
    if (options_.mqtt)
        startMqtt();
    if (options_.influx)
        startInflux();
}

void LoggerMonitor::startInflux()
{
    const qint64 capacity =
        options_.outboxCapacity > 0 ? options_.outboxCapacity : std::max<qint64>(1, kThirtyDays / options_.publishSeconds);
    influxOutbox_ = std::make_unique<Outbox>(QDir(folder_).filePath(QLatin1String(kInfluxOutboxFileName)), capacity);
    influxOutbox_->open();
    sayOutbox(*influxOutbox_);
    influx_ = std::make_unique<InfluxWriter>(*options_.influx, *influxOutbox_);
    influx_->onMessage = [this](const QString& text) { say(text); };
    say(QStringLiteral("writing to InfluxDB %1, one interval every %2 s")
            .arg(shownInfluxUrl(options_.influx->url))
            .arg(options_.publishSeconds));
    influx_->send();
}

void LoggerMonitor::startMqtt()
{
    const qint64 capacity =
        options_.outboxCapacity > 0 ? options_.outboxCapacity : std::max<qint64>(1, kThirtyDays / options_.publishSeconds);
    outbox_ = std::make_unique<Outbox>(QDir(folder_).filePath(QLatin1String(kOutboxFileName)), capacity);
    outbox_->open();
    sayOutbox();
    const QString clientId = QStringLiteral("sonavistor-%1-%2")
                                 .arg(options_.meterId)
                                 .arg(QRandomGenerator::global()->generate() & 0xFFFFFF, 6, 16, QLatin1Char('0'));
    client_ = std::make_unique<MqttClient>(*options_.mqtt, clientId, topic("status"), "offline");
    client_->setEventHandler([this] { QMetaObject::invokeMethod(this, "takeEvents", Qt::QueuedConnection); });
    client_->start();
    // A broker that takes the connection and never answers makes no event at all.
    QTimer::singleShot(kNoAnswerMs, this, [this] {
        if (connected_ || !problemsSaid_.isEmpty())
            return;
        const QString text = QStringLiteral("no answer from the MQTT broker %1:%2 yet")
                                 .arg(options_.mqtt->host)
                                 .arg(options_.mqtt->port);
        say(text + QStringLiteral("; logging to files goes on and the intervals wait in the outbox"));
        problemsSaid_ << text;
    });
    say(QStringLiteral("publishing to %1://%2:%3/%4/%5, one interval every %6 s")
            .arg(options_.mqtt->tls ? QStringLiteral("mqtts") : QStringLiteral("mqtt"), options_.mqtt->host)
            .arg(options_.mqtt->port)
            .arg(options_.mqtt->prefix, options_.meterId)
            .arg(options_.publishSeconds));
}

void LoggerMonitor::finish()
{
    boundary_.stop();
    // An interval that ended before the stop is whole: it goes out too.
    closeIntervals();
    boundary_.stop();
    if (influx_) {
        // What is left waits in the outbox for the next start.
        QElapsedTimer waited;
        waited.start();
        while (!influx_->idle() && waited.elapsed() < kGoodbyeWaitMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        sayOutbox(*influxOutbox_);
    }
    if (!client_)
        return;
    takeEvents();
    if (connected_) {
        // The broker answers in order: once it has "offline", it has the intervals sent before.
        const auto mid = client_->publish(topic("status"), "offline", 1, true);
        QElapsedTimer waited;
        waited.start();
        bool acknowledged = !mid;
        while (!acknowledged && connected_ && waited.elapsed() < kGoodbyeWaitMs) {
            for (const MqttEvent& e : client_->takeEvents()) {
                acknowledged = acknowledged || (e.kind == MqttEvent::Kind::Acknowledged && e.mid == *mid);
                handle(e);
            }
            if (!acknowledged)
                QThread::msleep(5);
        }
    }
    client_->stop();
    client_.reset();
    connected_ = false;
}

void LoggerMonitor::reading(const ReadingRow& row)
{
    const auto seconds = rowSeconds(QByteArrayView(row.NDate.toLatin1()), QByteArrayView(row.NTime.toLatin1()));
    if (!seconds)
        return;
    const double level = row.MeaValue.toDouble();
    const char weighting = row.Weight.isEmpty() ? 'A' : row.Weight.at(0).toLatin1();
    aggregator_.add(*seconds, level, weighting);
    if (influx_)
        utcAggregator_.add(instants_.nearest(*seconds, clock_().toSecsSinceEpoch()), level, weighting);
    armBoundaryTimer();
    const qint64 day = *seconds / 86400;
    if (day_ && day > *day_) {
        if (endedDay_)
            finishDay(*endedDay_);
        endedDay_ = day_;
    }
    day_ = day;
    // The logger writes its day files every minute: the last one is whole a
    // few minutes into the next day.
    if (endedDay_ && *seconds >= (*endedDay_ + 1) * 86400 + kDayFileSettleSeconds)
        finishDay(*std::exchange(endedDay_, std::nullopt));
    publishEvents(events_.add(*seconds, level, weighting));

    // A weighting change or a clock set back starts the minute afresh.
    if (weighting != snapshot_.weighting || (!lastMinute_.empty() && *seconds < lastMinute_.back().first))
        lastMinute_.clear();
    lastMinute_.emplace_back(*seconds, level);
    while (lastMinute_.front().first <= *seconds - 60)
        lastMinute_.pop_front();
    std::vector<double> levels;
    levels.reserve(lastMinute_.size());
    for (const auto& [at, l] : lastMinute_)
        levels.push_back(l);
    snapshot_.leq1m = computeLevelStatistics(std::move(levels))->leq;
    snapshot_.level = level;
    snapshot_.weighting = weighting;

    if (options_.live && connected_) {
        const QJsonObject o{{"time", isoWithOffset(*seconds)},
                            {"level", level},
                            {"weighting", QString(QLatin1Char(weighting))}};
        client_->publish(topic("level"), QJsonDocument(o).toJson(QJsonDocument::Compact), 0, false);
    }
}

void LoggerMonitor::update(qint64 readings, qint64 gaps, bool meterConnected)
{
    snapshot_.readings = readings;
    snapshot_.gaps = gaps;
    snapshot_.meterConnected = meterConnected;
    meterKnown_ = true;
    if (!meterConnected) {
        // A level from before the meter went is no level now.
        snapshot_.level.reset();
        snapshot_.leq1m.reset();
        lastMinute_.clear();
    }
    publishMeterState();
    publishEvents(events_.closeUpTo(rowSecondsOf(clock_())));
    snapshot_.mqttConnected = connected_;
    snapshot_.outboxMessages = outboxMessages();
    if (metrics_)
        metrics_->update(snapshot_);
    // The boundary timer is the prompt way; this catches a clock that jumped.
    if (const auto end = aggregator_.nextEnd(); end && *end <= rowSecondsOf(clock_()))
        closeIntervals();
    else if (const auto utcEnd = utcAggregator_.nextEnd(); utcEnd && *utcEnd <= clock_().toSecsSinceEpoch())
        closeIntervals();
}

qint64 LoggerMonitor::outboxMessages() const
{
    return outbox_ ? outbox_->waitingCount() : 0;
}

qint64 LoggerMonitor::influxWaiting() const
{
    return influxOutbox_ ? influxOutbox_->waitingCount() : 0;
}

int LoggerMonitor::metricsPort() const
{
    return metrics_ ? metrics_->port() : 0;
}

void LoggerMonitor::closeIntervals()
{
    const QDateTime now = clock_();
    const std::vector<IntervalSummary> closed = aggregator_.closeUpTo(rowSecondsOf(now));
    if (influx_)
        writeInflux(utcAggregator_.closeUpTo(now.toSecsSinceEpoch()));
    if (outbox_) {
        for (const IntervalSummary& s : closed) {
            const QByteArray json = intervalJson(s);
            outbox_->add(topic("interval"), json);
            // The current figures of each weighting, for Home Assistant's
            // sensors; the outbox carries the history.
            if (connected_)
                client_->publish(topic(s.weighting == 'C' ? "state/C" : "state/A"), json, 1, true);
        }
        sayOutbox();
        sendWaiting();
    }
    armBoundaryTimer();
    if (!closed.empty()) {
        snapshot_.outboxMessages = outboxMessages();
        if (metrics_)
            metrics_->update(snapshot_);
    }
}

// Each interval through the outbox, its start the UTC instant.
void LoggerMonitor::writeInflux(const std::vector<IntervalSummary>& closed)
{
    const QString meter = options_.influxMeter.isEmpty() ? options_.meterId : options_.influxMeter;
    for (const IntervalSummary& s : closed) {
        InfluxInterval i;
        i.start = s.start;
        i.meter = meter;
        i.weighting = s.weighting;
        i.count = s.count;
        i.coverage = s.coverage;
        i.leq = s.leq;
        i.lmax = s.lmax;
        i.lmin = s.lmin;
        i.l10 = s.l10;
        i.l50 = s.l50;
        i.l90 = s.l90;
        influxOutbox_->add(QByteArrayLiteral("influx"), influxIntervalLine(i).chopped(1));
    }
    if (!closed.empty()) {
        sayOutbox(*influxOutbox_);
        influx_->send();
    }
}

void LoggerMonitor::armBoundaryTimer()
{
    const auto end = aggregator_.nextEnd();
    if (!end || boundary_.isActive())
        return;
    const QDateTime now = clock_();
    const qint64 ms = (*end - rowSecondsOf(now)) * 1000 - now.time().msec() + kBoundaryGraceMs;
    boundary_.start(static_cast<int>(std::clamp<qint64>(ms, 0, 86'400'000)));
}

void LoggerMonitor::takeEvents()
{
    if (!client_)
        return;
    for (const MqttEvent& e : client_->takeEvents())
        handle(e);
    sendWaiting();
    snapshot_.mqttConnected = connected_;
    snapshot_.outboxMessages = outboxMessages();
    if (metrics_)
        metrics_->update(snapshot_);
}

void LoggerMonitor::handle(const MqttEvent& e)
{
    const QString broker = QStringLiteral("%1:%2").arg(options_.mqtt->host).arg(options_.mqtt->port);
    const QString goesOn = QStringLiteral("; logging to files goes on and the intervals wait in the outbox");
    switch (e.kind) {
    case MqttEvent::Kind::Connected:
        connected_ = true;
        problemsSaid_.clear();
        say(QStringLiteral("connected to the MQTT broker %1").arg(broker));
        client_->publish(topic("status"), "online", 1, true);
        publishDiscovery();
        meterSaid_.reset();
        publishMeterState();
        noiseSaid_.reset();
        publishNoiseState();
        publishDays();
        // What was in flight on the last connection goes again: a
        // duplicate is possible there, a loss is not.
        inFlight_.clear();
        sentUpTo_ = 0;
        break;
    case MqttEvent::Kind::Failed: {
        const QString text = QStringLiteral("cannot connect to the MQTT broker %1: %2").arg(broker, e.reason);
        if (!connected_ && !problemsSaid_.contains(text)) {
            say(text + goesOn);
            problemsSaid_ << text;
        }
        break;
    }
    case MqttEvent::Kind::Refused: {
        connected_ = false;
        // Retries are refused the same way every few seconds: said once.
        const QString text = QStringLiteral("the MQTT broker %1 refused the connection: %2").arg(broker, e.reason);
        if (!problemsSaid_.contains(text)) {
            say(text + goesOn);
            problemsSaid_ << text;
        }
        break;
    }
    case MqttEvent::Kind::Disconnected: {
        const bool wasConnected = std::exchange(connected_, false);
        inFlight_.clear();
        sentUpTo_ = 0;
        // A refusal ends in a disconnection too; it has been said.
        if (wasConnected || problemsSaid_.isEmpty()) {
            const QString text = wasConnected
                                     ? QStringLiteral("no connection to the MQTT broker %1 (%2)").arg(broker, e.reason)
                                     : QStringLiteral("cannot connect to the MQTT broker %1; it is tried again every "
                                                      "few seconds")
                                           .arg(broker);
            say(text + goesOn);
            problemsSaid_ << text;
        }
        break;
    }
    case MqttEvent::Kind::Acknowledged:
        if (const auto it = inFlight_.find(e.mid); it != inFlight_.end()) {
            outbox_->acknowledge(it->second);
            inFlight_.erase(it);
            sayOutbox();
        }
        break;
    }
}

void LoggerMonitor::sendWaiting()
{
    if (!connected_ || !outbox_)
        return;
    if (!paceClock_.isValid()) {
        paceClock_.start();
        paceAllowance_ = kPaceBurst;
    }
    paceAllowance_ = std::min(kPaceBurst, paceAllowance_ + paceClock_.restart() * kBacklogPerSecond / 1000);
    const auto& waiting = outbox_->waiting();
    auto it = std::upper_bound(waiting.begin(), waiting.end(), sentUpTo_,
                               [](qint64 id, const OutboxMessage& m) { return id < m.id; });
    for (; it != waiting.end() && inFlight_.size() < kInFlightWindow; ++it) {
        if (paceAllowance_ < 1) {
            if (!std::exchange(paceTimerArmed_, true))
                QTimer::singleShot(static_cast<int>(std::ceil((1 - paceAllowance_) * 1000 / kBacklogPerSecond)), this,
                                   [this] {
                                       paceTimerArmed_ = false;
                                       sendWaiting();
                                   });
            return;
        }
        paceAllowance_ -= 1;
        const auto mid = client_->publish(it->topic, it->payload, 1, false);
        if (!mid)
            return;  // the connection went; the next one starts over
        inFlight_[*mid] = it->id;
        sentUpTo_ = it->id;
    }
}

void LoggerMonitor::startMetrics(bool again)
{
    try {
        metrics_ = std::make_unique<MetricsServer>(options_.metricsAddress);
    } catch (const Error& e) {
        // The day files matter more than the metrics: logging goes on. Said once.
        if (!again)
            say(e.message() + QStringLiteral("; logging goes on and the metrics are tried again every %1 s")
                                  .arg(kMetricsRetryMs / 1000));
        QTimer::singleShot(kMetricsRetryMs, this, [this] { startMetrics(true); });
        return;
    }
    metrics_->update(snapshot_);
    say(QStringLiteral("metrics on http://%1/metrics").arg(metricsListenAddress(options_.metricsAddress)
                                                                .replace(QRegularExpression(QStringLiteral(":\\d+$")),
                                                                         QLatin1Char(':') + QString::number(metrics_->port()))));
}

void LoggerMonitor::publishDiscovery()
{
    DiscoverySettings settings;
    settings.prefix = options_.mqtt->prefix;
    settings.meterId = options_.meterId;
    settings.publishSeconds = options_.publishSeconds;
    settings.readingSeconds = options_.readingSeconds;
    settings.live = options_.live;
    for (const DiscoveryMessage& m : homeAssistantDiscovery(settings))
        client_->publish(m.topic, m.payload, 1, true);
}

// Retained, so that whoever subscribes later (Home Assistant after a
// restart) learns whether the meter answers without waiting for a change.
void LoggerMonitor::publishMeterState()
{
    if (!connected_ || !meterKnown_ || meterSaid_ == snapshot_.meterConnected)
        return;
    if (client_->publish(topic("meter"), snapshot_.meterConnected ? "online" : "offline", 1, true))
        meterSaid_ = snapshot_.meterConnected;
}

// Each event when it has ended, through the outbox as the intervals go.
void LoggerMonitor::publishEvents(const std::vector<NoiseEvent>& events)
{
    for (const NoiseEvent& e : events) {
        ++snapshot_.events;
        if (outbox_)
            outbox_->add(topic("event"), noiseEventJson(e));
    }
    if (!events.empty() && outbox_) {
        sayOutbox();
        sendWaiting();
    }
    publishNoiseState();
}

void LoggerMonitor::publishNoiseState()
{
    const bool running = events_.running();
    if (!connected_ || noiseSaid_ == running)
        return;
    if (client_->publish(topic("noise"), running ? "ON" : "OFF", 1, true))
        noiseSaid_ = running;
}

// The day's figures are those `info --periods` gives for its day file: the
// file is read back once, early the next day.
void LoggerMonitor::finishDay(qint64 day)
{
    const QDate date = QDate(1970, 1, 1).addDays(day);
    NoiseFigures figures;
    try {
        figures = computeNoiseFigures(readSavedSamples({DayFile(folder_, date).path()}), options_.noise);
    } catch (const Error& e) {
        say(QStringLiteral("no figures for %1: %2").arg(date.toString(Qt::ISODate), e.message()));
        return;
    }
    const auto level = [](const std::optional<double>& l) { return l ? QJsonValue(roundedLevel(*l)) : QJsonValue(); };
    for (const DayFigures& d : figures.days) {
        if (d.day != day)
            continue;
        const QJsonObject o{{"date", date.toString(Qt::ISODate)},
                            {"weighting", QString(QLatin1Char(d.weighting))},
                            {"lden", level(d.lden.level)},
                            {"lday", level(d.period(Period::Day).leq)},
                            {"levening", level(d.period(Period::Evening).leq)},
                            {"lnight", level(d.period(Period::Night).leq)},
                            {"events", d.events}};
        const QByteArray json = QJsonDocument(o).toJson(QJsonDocument::Compact);
        lastDays_[d.weighting] = json;
        if (outbox_)
            outbox_->add(topic("day"), json);
    }
    if (outbox_) {
        sayOutbox();
        sendWaiting();
    }
    publishDays();
}

// Retained, and again at each connection: a day's figures stay true all the next day.
void LoggerMonitor::publishDays()
{
    if (!connected_)
        return;
    for (const auto& [weighting, json] : lastDays_)
        client_->publish(topic(weighting == 'C' ? "yesterday/C" : "yesterday/A"), json, 1, true);
}

void LoggerMonitor::say(const QString& text)
{
    if (onMessage)
        onMessage(text);
}

void LoggerMonitor::sayOutbox()
{
    sayOutbox(*outbox_);
}

void LoggerMonitor::sayOutbox(Outbox& outbox)
{
    for (const QString& message : outbox.takeMessages())
        say(message);
}

QByteArray LoggerMonitor::topic(const char* leaf) const
{
    return (options_.mqtt->prefix + QLatin1Char('/') + options_.meterId + QLatin1Char('/') + QLatin1String(leaf)).toUtf8();
}

}  // namespace sonavistor
