// A real Prometheus scrapes two loggers of two simulated meters with the
// configuration the README shows (resources/prometheus-sonavistor.yml, its
// two ports made free ones), and its query API has both meters' level.
#include "tests/monitor/http_servers.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sonavistor::test;

TEST(PrometheusScrapes, TheReadmeConfigurationGivesBothLoggersLevels)
{
    if (!QFile::exists(kPrometheus))
        GTEST_SKIP() << "prometheus is not installed (scripts/install-deps --test installs Debian's prometheus)";
    QTemporaryDir dir;
    QFile example(SONAVISTOR_SOURCE_DIR "/resources/prometheus-sonavistor.yml");
    ASSERT_TRUE(example.open(QIODevice::ReadOnly));
    const QByteArray config = example.readAll();
    // One copy: the README shows the file as it is.
    QFile readme(SONAVISTOR_SOURCE_DIR "/README.md");
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    QByteArray indented;
    for (const QByteArray& line : config.trimmed().split('\n'))
        indented += (line.isEmpty() ? QByteArray() : "    " + line) + '\n';
    EXPECT_TRUE(readme.readAll().contains(indented)) << "the README does not show resources/prometheus-sonavistor.yml";

    const int ports[] = {freePort(), freePort()};
    ASSERT_NE(ports[0], ports[1]);
    QFile conf(dir.filePath("prometheus.yml"));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write(QByteArray(config).replace("9464", QByteArray::number(ports[0])).replace("9465", QByteArray::number(ports[1])));
    conf.close();

    // Two meters, each with its own serial (so each its own lock) and folder.
    QProcess loggers[2];
    for (int i = 0; i < 2; ++i) {
        const QString scenario = dir.filePath(QStringLiteral("meter%1.json").arg(i));
        writeLiveScenario(scenario, QStringLiteral(R"(, "serial": "SN%1")").arg(i));
        startLogger(loggers[i], {"--dir", dir.filePath(QStringLiteral("logs%1").arg(i)), "--interval", "0.1", "--meter",
                                 "sim:" + scenario, "--metrics", QString::number(ports[i])});
    }
    const int web = freePort();
    QProcess prometheus;
    prometheus.setProcessChannelMode(QProcess::MergedChannels);
    prometheus.start(kPrometheus, {"--config.file=" + conf.fileName(), "--storage.tsdb.path=" + dir.filePath("tsdb"),
                                   QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(web)});

    QJsonArray series;
    const bool both = waitUntilTrue(
        [&] {
            const HttpAnswer a = httpRequest(web, "GET", "/api/v1/query?query=" + encoded("sonavistor_level_db"));
            series = QJsonDocument::fromJson(a.body).object()["data"].toObject()["result"].toArray();
            return series.size() == 2;
        },
        25000);
    prometheus.terminate();
    prometheus.waitForFinished(10000);
    for (QProcess& logger : loggers) {
        logger.terminate();
        logger.waitForFinished(10000);
        EXPECT_EQ(logger.exitCode(), 0) << logger.readAllStandardError().toStdString();
    }
    ASSERT_TRUE(both) << "series: " << QJsonDocument(series).toJson().toStdString()
                      << prometheus.readAll().right(2000).toStdString();

    QStringList instances;
    for (const QJsonValue& s : series) {
        const QJsonObject metric = s.toObject()["metric"].toObject();
        instances << metric["instance"].toString();
        EXPECT_EQ(metric["job"].toString(), "sonavistor");
        EXPECT_EQ(metric["weighting"].toString(), "A");
        // One of the scenario's levels: 65.3, 70.2, 81.1, 58.7 or 65.5 dB.
        const double level = s.toObject()["value"].toArray()[1].toString().toDouble();
        EXPECT_TRUE(level == 65.3 || level == 70.2 || level == 81.1 || level == 58.7 || level == 65.5) << level;
    }
    instances.sort();
    QStringList wanted{QStringLiteral("127.0.0.1:%1").arg(ports[0]), QStringLiteral("127.0.0.1:%1").arg(ports[1])};
    wanted.sort();
    EXPECT_EQ(instances, wanted);
}
