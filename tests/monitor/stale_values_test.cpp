// When the meter goes, nothing shows its last level as current: the metrics
// drop the level and Leq gauges (meter_connected stays, at 0) and the
// retained meter availability at the broker says "offline", which makes
// Home Assistant's sensors unavailable.
#include "tests/monitor/broker_fixture.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sonavistor::test;

TEST(StaleValues, AnUnpluggedMeterLeavesNoLevelInTheMetricsAndIsOfflineAtTheBroker)
{
    if (!QFile::exists(kBroker))
        GTEST_SKIP() << "mosquitto is not installed (scripts/install-deps installs it)";
    QTemporaryDir dir;
    // Some seconds of readings at 0.1 s, then the meter vanishes for good.
    writeScenario(dir.filePath("scenario.json"), 64, ", \"unplugAfterReports\": 60");
    const int port = freePort();
    const int metricsPort = freePort();
    Broker broker(dir.path(), port);
    ASSERT_TRUE(broker.start());
    Subscriber watching(port, "watching");

    QProcess logger;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", dir.path());
    logger.setProcessEnvironment(env);
    logger.start(CLI_PATH, {"log", "--dir", dir.filePath("logs"), "--interval", "0.1", "--meter",
                            "sim:" + dir.filePath("scenario.json"), "--publish-interval", "1s", "--mqtt",
                            QStringLiteral("mqtt://127.0.0.1:%1/test").arg(port), "--metrics",
                            QString::number(metricsPort)});
    ASSERT_TRUE(logger.waitForStarted());

    // The meter answered, and then it went.
    std::vector<QByteArray> meterStates;
    ASSERT_TRUE(waitUntilTrue([&] {
        meterStates.clear();
        for (const Received& r : watching.messages()) {
            if (r.topic == "test/sim/meter")
                meterStates.push_back(r.payload);
        }
        return !meterStates.empty() && meterStates.back() == "offline";
    })) << "meter states seen: " << meterStates.size();
    EXPECT_EQ(meterStates.front(), "online");
    EXPECT_TRUE(watching.last().count("test/sim/state/A"));

    QByteArray body;
    ASSERT_TRUE(waitUntilTrue([&] {
        body = metricsBody(metricsPort);
        return body.contains("sonavistor_meter_connected 0\n");
    })) << body.toStdString();
    EXPECT_FALSE(body.contains("sonavistor_level_db{")) << body.toStdString();
    EXPECT_FALSE(body.contains("sonavistor_leq_db{")) << body.toStdString();
    EXPECT_TRUE(body.contains("# TYPE sonavistor_level_db gauge"));  // the family stays, without a sample

    // What the broker keeps for a Home Assistant that starts now.
    Subscriber late(port, "late");
    std::map<QString, Received> kept;
    ASSERT_TRUE(waitUntilTrue([&] {
        // The broker hands over what it keeps in no set order: wait for each.
        kept = late.last();
        return kept.count("test/sim/meter") && kept.count("test/sim/status") && kept.count("test/sim/state/A") &&
               kept.count("homeassistant/sensor/sonavistor_test_sim/leq_a/config");
    }));
    EXPECT_EQ(kept["test/sim/meter"].payload, "offline");
    EXPECT_TRUE(kept["test/sim/meter"].retained);
    EXPECT_EQ(kept["test/sim/status"].payload, "online");  // the logger itself goes on
    const QJsonObject config =
        QJsonDocument::fromJson(kept["homeassistant/sensor/sonavistor_test_sim/leq_a/config"].payload).object();
    EXPECT_EQ(config["expire_after"].toInt(), 3);  // three 1-s intervals
    EXPECT_EQ(config["availability_mode"].toString(), "all");
    EXPECT_TRUE(QJsonDocument(config["availability"].toArray()).toJson().contains("\"test/sim/meter\""));
    EXPECT_TRUE(kept["test/sim/state/A"].retained);

    logger.terminate();
    ASSERT_TRUE(logger.waitForFinished(10000));
    EXPECT_EQ(logger.exitCode(), 0) << logger.readAllStandardError().toStdString();
}
