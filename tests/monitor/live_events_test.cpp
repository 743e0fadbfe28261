// Noise events found reading by reading are those `info --events` finds in
// the day file: the detector against the day files' rule on the same
// samples, and the logger's published events against `info --events`.
#include "tests/monitor/broker_fixture.h"

#include "analysis/noise_events.h"
#include "monitor/live_events.h"

#include <QDir>
#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace sonavistor;
using namespace sonavistor::test;

TEST(LiveEvents, ReadingByReadingTheyAreTheEventsOfTheWholeDay)
{
    NoiseOptions options;  // 70 dB, a 5-s gap, at least 3 s
    std::mt19937 random(7);
    std::uniform_real_distribution<double> level(55, 85);
    std::uniform_int_distribution<int> skip(0, 19);
    std::vector<AcousticSample> a;
    std::vector<AcousticSample> c;
    LiveEventDetector detector(1, options);
    std::vector<NoiseEvent> live;
    qint64 t = 1'000'000;
    for (int i = 0; i < 3000; ++i) {
        t += skip(random) == 0 ? 9 : 1;  // now and then the meter missed readings
        const char weighting = i >= 2000 ? 'C' : 'A';
        const AcousticSample s{std::round(level(random) * 10) / 10, weighting, t};
        (weighting == 'A' ? a : c).push_back(s);
        for (const NoiseEvent& e : detector.add(s.seconds, s.level, s.weighting))
            live.push_back(e);
    }
    for (const NoiseEvent& e : detector.closeUpTo(t + 60))
        live.push_back(e);
    std::vector<NoiseEvent> whole = findNoiseEvents(a, 1, options);
    for (const NoiseEvent& e : findNoiseEvents(c, 1, options))
        whole.push_back(e);
    // Both in the order info gives them: by start, then weighting.
    const auto byStart = [](const NoiseEvent& x, const NoiseEvent& y) {
        return std::pair(x.start, x.weighting) < std::pair(y.start, y.weighting);
    };
    std::sort(live.begin(), live.end(), byStart);
    std::sort(whole.begin(), whole.end(), byStart);
    ASSERT_GT(whole.size(), 20u);
    ASSERT_EQ(live.size(), whole.size());
    for (size_t i = 0; i < whole.size(); ++i) {
        EXPECT_EQ(live[i].start, whole[i].start) << i;
        EXPECT_EQ(live[i].end, whole[i].end) << i;
        EXPECT_EQ(live[i].lmaxAt, whole[i].lmaxAt) << i;
        EXPECT_DOUBLE_EQ(live[i].leq, whole[i].leq) << i;
        EXPECT_EQ(live[i].weighting, whole[i].weighting) << i;
    }
    EXPECT_FALSE(detector.running());
}

TEST(LiveEvents, TheLoggerPublishesEachEventAsInfoEventsFindsItInTheDayFile)
{
    if (!QFile::exists(kBroker))
        GTEST_SKIP() << "mosquitto is not installed (scripts/install-deps installs it)";
    QTemporaryDir dir;
    // A cycle of 12 readings, one a second: 4 s at 75-81 dB, 8 s at 50 dB, so
    // an event of 4 s every 12 s with the defaults (70 dB, gap 5 s, at least 3 s).
    QFile json(dir.filePath("scenario.json"));
    json.open(QIODevice::WriteOnly);
    json.write(R"({"live": [[750, 64], [811, 64], [760, 64], [770, 64], [500, 64], [500, 64], [500, 64],
                            [500, 64], [500, 64], [500, 64], [500, 64], [500, 64]]})");
    json.close();
    const int port = freePort();
    const int metricsPort = freePort();
    Broker broker(dir.path(), port);
    ASSERT_TRUE(broker.start());
    Subscriber subscriber(port, "events");
    QProcess logger;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", dir.path());
    logger.setProcessEnvironment(env);
    logger.start(CLI_PATH, {"log", "--dir", dir.filePath("logs"), "--interval", "1", "--meter",
                            "sim:" + dir.filePath("scenario.json"), "--publish-interval", "10s", "--mqtt",
                            QStringLiteral("mqtt://127.0.0.1:%1/test").arg(port), "--metrics",
                            QString::number(metricsPort)});
    ASSERT_TRUE(logger.waitForStarted());
    const auto published = [&] {
        std::vector<QJsonObject> out;
        for (const Received& r : subscriber.messages()) {
            if (r.topic == "test/sim/event")
                out.push_back(QJsonDocument::fromJson(r.payload).object());
        }
        return out;
    };
    bool sawRunning = false;
    ASSERT_TRUE(waitUntilTrue([&] {
        const auto last = subscriber.last();
        sawRunning = sawRunning || (last.count("test/sim/noise") && last.at("test/sim/noise").payload == "ON");
        return published().size() >= 2;
    }, 45000));
    EXPECT_TRUE(sawRunning);
    // The metrics follow at the end of the logger's tick.
    EXPECT_TRUE(waitUntilTrue([&] { return metricsBody(metricsPort).contains("sonavistor_events_total 2\n"); }, 3000));
    logger.terminate();
    ASSERT_TRUE(logger.waitForFinished(10000));

    const QStringList days = QDir(dir.filePath("logs")).entryList({"*.qrv"});
    ASSERT_EQ(days.size(), 1);  // not run across midnight
    QProcess info;
    info.start(CLI_PATH, {"info", "--json", "--events", QDir(dir.filePath("logs")).filePath(days[0])});
    ASSERT_TRUE(info.waitForFinished(10000));
    // One JSON line for the file, then one for the noise figures.
    const QList<QByteArray> lines = info.readAllStandardOutput().trimmed().split('\n');
    const QJsonArray expected = QJsonDocument::fromJson(lines.last()).object()["events"].toArray();
    const std::vector<QJsonObject> got = published();
    ASSERT_GE(expected.size(), static_cast<qsizetype>(got.size()));
    // info gives "2026/12/11 13:1:7", the logger ISO 8601 with the offset.
    const auto rowText = [](const QString& iso) {
        const QDateTime t = QDateTime::fromString(iso.left(19), Qt::ISODate);
        return t.toString("yyyy/M/d H:m:s");
    };
    for (size_t i = 0; i < got.size(); ++i) {
        const QJsonObject e = expected[static_cast<qsizetype>(i)].toObject();
        EXPECT_EQ(rowText(got[i]["start"].toString()), e["start"].toString());
        EXPECT_EQ(rowText(got[i]["end"].toString()), e["end"].toString());
        EXPECT_EQ(rowText(got[i]["lmaxAt"].toString()), e["lmaxAt"].toString());
        EXPECT_DOUBLE_EQ(got[i]["duration"].toDouble(), e["duration"].toDouble());
        EXPECT_DOUBLE_EQ(got[i]["lmax"].toDouble(), 81.1);
        EXPECT_DOUBLE_EQ(got[i]["leq"].toDouble(), e["leq"].toDouble());
        EXPECT_DOUBLE_EQ(got[i]["sel"].toDouble(), e["sel"].toDouble());
        EXPECT_EQ(got[i]["weighting"].toString(), e["weighting"].toString());
    }
}
