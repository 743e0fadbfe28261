// Stopping the logger at any moment ends it cleanly, whatever the broker
// does: present, absent (nothing listens) or silent (it takes the
// connection and never answers). Each stop must print the "Logged" line and
// exit 0. SONAVISTOR_STOPS sets the number of stops (20 here; 200 for a
// longer run by hand), SONAVISTOR_STOP_SEED repeats a run's moments, and
// SONAVISTOR_CLI runs another build's logger (a sanitizer build's).
#include "tests/monitor/broker_fixture.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

using namespace sonavistor::test;

TEST(CleanStop, EveryStopAtARandomMomentLogsAndExitsZeroWithTheBrokerPresentAbsentOrSilent)
{
    if (!QFile::exists(kBroker))
        GTEST_SKIP() << "mosquitto is not installed (scripts/install-deps installs it)";
    QTemporaryDir dir;
    writeScenario(dir.filePath("scenario.json"), 64);
    const int stops = qEnvironmentVariableIsSet("SONAVISTOR_STOPS") ? qEnvironmentVariableIntValue("SONAVISTOR_STOPS") : 20;
    const unsigned seed = qEnvironmentVariableIsSet("SONAVISTOR_STOP_SEED")
                              ? static_cast<unsigned>(qEnvironmentVariableIntValue("SONAVISTOR_STOP_SEED"))
                              : std::random_device{}();
    std::mt19937 random(seed);
    // From the start of the connection to after the first intervals.
    std::uniform_int_distribution<int> moment(0, 1500);

    const int presentPort = freePort();
    Broker broker(dir.path(), presentPort);
    ASSERT_TRUE(broker.start());
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    std::vector<QTcpSocket*> held;  // taken and never answered
    const int absentPort = freePort();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", dir.path());  // the logger's lock, apart from any real one
    const char* modes[] = {"present", "absent", "silent"};
    const int ports[] = {presentPort, absentPort, silent.serverPort()};
    int clean = 0;
    qint64 longestStopMs = 0;
    for (int i = 0; i < stops; ++i) {
        const int mode = i % 3;
        const int wait = moment(random);
        QProcess logger;
        logger.setProcessEnvironment(env);
        logger.start(qEnvironmentVariable("SONAVISTOR_CLI", CLI_PATH), {"log", "--dir", dir.filePath("logs"), "--interval", "0.1", "--meter",
                                "sim:" + dir.filePath("scenario.json"), "--publish-interval", "1s", "--mqtt",
                                QStringLiteral("mqtt://127.0.0.1:%1/stop").arg(ports[mode]), "--mqtt-live"});
        ASSERT_TRUE(logger.waitForStarted());
        // From its first word on, the logger takes SIGTERM as a stop (before
        // that the signal's default ends it: the start has not got that far).
        QString err;
        ASSERT_TRUE(waitUntilTrue([&] {
            err += QString::fromUtf8(logger.readAllStandardError());
            return err.contains("publishing to");
        })) << err.toStdString();
        // The stop's moment is the point of the test: a pause, not a wait for something.
        waitUntilTrue([&] {
            while (silent.hasPendingConnections())
                held.push_back(silent.nextPendingConnection());
            return false;
        }, wait);
        QElapsedTimer stopping;
        stopping.start();
        logger.terminate();
        const bool ended = logger.waitForFinished(15000);
        longestStopMs = std::max(longestStopMs, stopping.elapsed());
        if (!ended)
            logger.kill(), logger.waitForFinished();
        const QString out = QString::fromUtf8(logger.readAllStandardOutput());
        err += QString::fromUtf8(logger.readAllStandardError());
        const bool ok = ended && logger.exitStatus() == QProcess::NormalExit && logger.exitCode() == 0 &&
                        out.startsWith("Logged ");
        EXPECT_TRUE(ok) << "stop " << i + 1 << " (broker " << modes[mode] << ", after " << wait << " ms, seed " << seed
                        << "): " << (ended ? "" : "did not end; ") << "exit " << logger.exitStatus() << "/"
                        << logger.exitCode() << "\nstdout: " << out.toStdString() << "stderr: " << err.toStdString();
        clean += ok;
    }
    std::printf("%d of %d stops clean (seed %u), the longest took %lld ms\n", clean, stops, seed,
                static_cast<long long>(longestStopMs));
}
