#include "monitor/metrics_text.h"

namespace sonavistor {

namespace {

void family(QByteArray& out, const char* name, const char* type, const char* help)
{
    out += QByteArray("# HELP ") + name + ' ' + help + '\n';
    out += QByteArray("# TYPE ") + name + ' ' + type + '\n';
}

QByteArray number(double value)
{
    return QByteArray::number(value, 'g', 6);
}

}  // namespace

QByteArray metricsText(const MetricsSnapshot& s)
{
    QByteArray out;
    const QByteArray weighting = QByteArray("weighting=\"") + s.weighting + '"';
    family(out, "sonavistor_level_db", "gauge", "The last reading, in dB.");
    if (s.level)
        out += "sonavistor_level_db{" + weighting + "} " + number(*s.level) + '\n';
    family(out, "sonavistor_leq_db", "gauge", "The energy-equivalent level of the last minute's readings, in dB.");
    if (s.leq1m)
        out += "sonavistor_leq_db{" + weighting + ",window=\"1m\"} " + number(*s.leq1m) + '\n';
    family(out, "sonavistor_readings_total", "counter", "Readings logged since the logger started.");
    out += "sonavistor_readings_total " + QByteArray::number(s.readings) + '\n';
    family(out, "sonavistor_gaps_total", "counter", "Gaps in the readings since the logger started.");
    out += "sonavistor_gaps_total " + QByteArray::number(s.gaps) + '\n';
    family(out, "sonavistor_events_total", "counter", "Noise events ended since the logger started.");
    out += "sonavistor_events_total " + QByteArray::number(s.events) + '\n';
    family(out, "sonavistor_meter_connected", "gauge", "1 while the meter answers.");
    out += "sonavistor_meter_connected " + QByteArray(s.meterConnected ? "1" : "0") + '\n';
    if (s.mqtt) {
        family(out, "sonavistor_mqtt_connected", "gauge", "1 while the MQTT broker is connected.");
        out += "sonavistor_mqtt_connected " + QByteArray(s.mqttConnected ? "1" : "0") + '\n';
        family(out, "sonavistor_mqtt_outbox_messages", "gauge", "Interval messages waiting for the broker.");
        out += "sonavistor_mqtt_outbox_messages " + QByteArray::number(s.outboxMessages) + '\n';
    }
    return out;
}

}  // namespace sonavistor
