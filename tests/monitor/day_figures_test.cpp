// The day's figures go out early the next day, from the day file the logger
// wrote, with the environmental noise levels a hand calculation gives.
#include "tests/monitor/broker_fixture.h"

#include "logging/level_log.h"
#include "monitor/logger_monitor.h"
#include "monitor/mqtt_settings.h"
#include "store/reading_row.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

using namespace sonavistor;
using namespace sonavistor::test;

TEST(DayFigures, ThreeMinutesIntoTheNextDayTheLastDaysLdenAndPeriodsArePublished)
{
    if (!QFile::exists(kBroker))
        GTEST_SKIP() << "mosquitto is not installed (scripts/install-deps installs it)";
    QTemporaryDir dir;
    const int port = freePort();
    Broker broker(dir.path(), port);
    ASSERT_TRUE(broker.start());
    Subscriber subscriber(port, "days");

    const QString folder = dir.filePath("logs");
    LevelLog log(folder);
    log.open();
    MonitorOptions options;
    options.mqtt = parseMqttUrl(QStringLiteral("mqtt://127.0.0.1:%1/test").arg(port));
    options.meterId = "sim";
    QDateTime now(QDate(2026, 12, 10), QTime(0, 0));
    LoggerMonitor monitor(folder, options, [&now] { return now; });
    QStringList said;
    monitor.onMessage = [&said](const QString& text) { said << text; };
    monitor.start();
    ASSERT_TRUE(waitUntilTrue([&] { return monitor.mqttConnected(); }));

    // A reading every 10 minutes: 60 dB by day (07-19), 55 in the evening
    // (19-23), 45 at night.
    const QDate day(2026, 12, 10);
    const auto add = [&](const QDate& date, int minutes, double level) {
        const ReadingRow row{date.toString("yyyy/M/d"), QStringLiteral("%1:%2:0").arg(minutes / 60).arg(minutes % 60),
                             QString::number(level, 'f', 1), "A", 0};
        log.add(date, row);
        now = QDateTime(date, QTime(minutes / 60, minutes % 60));
        monitor.reading(row);
    };
    for (int minutes = 0; minutes < 24 * 60; minutes += 10) {
        const int hour = minutes / 60;
        add(day, minutes, hour >= 7 && hour < 19 ? 60 : hour >= 19 && hour < 23 ? 55 : 45);
    }
    add(day.addDays(1), 0, 45);
    log.saveAll();  // as the logger does every minute
    add(day.addDays(1), 3, 45);

    QJsonObject figures;
    ASSERT_TRUE(waitUntilTrue([&] {
        const auto last = subscriber.last();
        if (!last.count("test/sim/day") || !last.count("test/sim/yesterday/A"))
            return false;
        figures = QJsonDocument::fromJson(last.at("test/sim/day").payload).object();
        return true;
    })) << said.join('\n').toStdString();
    // Lden = 10 lg((12 x 10^6.0 + 4 x 10^((55+5)/10) + 8 x 10^((45+10)/10)) / 24)
    //      = 10 lg((12e6 + 4e6 + 2.5298e6) / 24) = 10 lg(772075) = 58.88 dB
    EXPECT_EQ(figures["date"].toString(), "2026-12-10");
    EXPECT_EQ(figures["weighting"].toString(), "A");
    EXPECT_DOUBLE_EQ(figures["lday"].toDouble(), 60.0);
    EXPECT_DOUBLE_EQ(figures["levening"].toDouble(), 55.0);
    EXPECT_DOUBLE_EQ(figures["lnight"].toDouble(), 45.0);
    EXPECT_DOUBLE_EQ(figures["lden"].toDouble(), 58.9);
    EXPECT_EQ(figures["events"].toInt(), 0);
    monitor.finish();
    log.close();
}
