#pragma once
// What the logger tells the world besides its day files: interval figures
// and live levels over MQTT (with Home Assistant discovery), kept in the
// outbox until the broker has them, and metrics for Prometheus. It hangs on
// the logger's hooks and runs on the logger's thread; the network and the
// HTTP server have threads of their own, so nothing here waits for them.
//
// An interval is published by the run that sees its end: one that a stop
// cuts short is left to the day files (a restart within it publishes the
// readings it takes itself, with a coverage below 1).

#include "analysis/noise_figures.h"
#include "export/influx_lines.h"
#include "monitor/influx_writer.h"
#include "monitor/interval_summary.h"
#include "monitor/live_events.h"
#include "monitor/metrics_text.h"
#include "monitor/mqtt_settings.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace sonavistor {

class MetricsServer;
class MqttClient;
struct MqttEvent;
class Outbox;
struct ReadingRow;

struct MonitorOptions {
    std::optional<MqttSettings> mqtt;  // nothing: no publishing
    std::optional<InfluxSettings> influx;  // nothing: no writing to InfluxDB
    QString meterId = QStringLiteral("sim");
    QString influxMeter;         // the meter tag; empty: meterId
    qint64 publishSeconds = 60;  // divides a day
    double readingSeconds = 1;   // the logger's pace
    bool live = false;           // each reading on PREFIX/ID/level too
    qint64 outboxCapacity = 0;   // messages; 0: 30 days of intervals
    QString metricsAddress;      // empty: no metrics served
    NoiseOptions noise;          // the events' rule and the day's periods, as info --events takes them
};

class LoggerMonitor : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;

    LoggerMonitor(QString folder, MonitorOptions options, Clock clock);
    ~LoggerMonitor() override;

    // Opens the outboxes, starts connecting and serving. Throws Error.
    void start();
    // Says "offline", waits a moment for the broker to have it, disconnects.
    void finish();

    // The logger's hooks: each reading as its day-file row, and the state after every tick.
    void reading(const ReadingRow& row);
    void update(qint64 readings, qint64 gaps, bool meterConnected);

    // Said to the user: connection changes, refusals, outbox drops.
    std::function<void(const QString&)> onMessage;

    bool mqttConnected() const { return connected_; }
    qint64 influxWaiting() const;
    qint64 outboxMessages() const;
    int metricsPort() const;

private:
    Q_INVOKABLE void takeEvents();
    void handle(const MqttEvent& event);
    void startMqtt();
    void startInflux();
    void closeIntervals();
    void writeInflux(const std::vector<IntervalSummary>& closed);
    void armBoundaryTimer();
    void sendWaiting();
    void startMetrics(bool again = false);
    void publishDiscovery();
    void publishMeterState();
    void publishEvents(const std::vector<NoiseEvent>& events);
    void publishNoiseState();
    void finishDay(qint64 day);
    void publishDays();
    void say(const QString& text);
    void sayOutbox();
    void sayOutbox(Outbox& outbox);
    QByteArray topic(const char* leaf) const;

    QString folder_;
    MonitorOptions options_;
    Clock clock_;
    IntervalAggregator aggregator_;
    std::unique_ptr<Outbox> outbox_;
    std::unique_ptr<MqttClient> client_;
    std::unique_ptr<MetricsServer> metrics_;
    // InfluxDB gets intervals of UTC instants, so that a repeated hour keeps
    // both its passes; a reading's is the one its local time stands for now.
    RowInstants instants_;
    IntervalAggregator utcAggregator_;
    std::unique_ptr<Outbox> influxOutbox_;
    std::unique_ptr<InfluxWriter> influx_;
    QTimer boundary_;
    bool connected_ = false;
    QStringList problemsSaid_;         // each said once until the connection works again
    std::map<int, qint64> inFlight_;   // MQTT message id -> outbox id
    qint64 sentUpTo_ = 0;              // every waiting message up to this id is in flight
    QElapsedTimer paceClock_;          // the backlog's pace: messages that may go now
    double paceAllowance_ = 0;
    bool paceTimerArmed_ = false;
    std::deque<std::pair<qint64, double>> lastMinute_;  // row seconds, level
    MetricsSnapshot snapshot_;
    LiveEventDetector events_;
    std::optional<bool> noiseSaid_;     // what PREFIX/ID/noise says on this connection
    std::optional<qint64> day_;          // of the last reading, days since 1970 on the rows' clock
    std::optional<qint64> endedDay_;     // a day over whose figures are not out yet
    std::map<char, QByteArray> lastDays_;  // the last finished day's figures by weighting
    bool meterKnown_ = false;         // whether the logger has said if the meter answers
    std::optional<bool> meterSaid_;   // what PREFIX/ID/meter says on this connection
};

// "living-room" from a USB serial or any text: letters, digits, - and _ only.
QString topicSafeId(const QString& text);

}  // namespace sonavistor
