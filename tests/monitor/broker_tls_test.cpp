// The logger against mosquitto over TLS and with a password file: the test
// makes its own certificate authority and a server certificate for
// 127.0.0.1 with openssl, and a second authority that vouches for nothing
// the broker shows.
#include "monitor/outbox.h"
#include "tests/monitor/broker_fixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace sonavistor;
using namespace sonavistor::test;

namespace {

// The value of an unlabelled metric, -1 when the page lacks it.
long long metric(const QByteArray& body, const QByteArray& name)
{
    for (const QByteArray& line : body.split('\n')) {
        if (line.startsWith(name + ' '))
            return line.mid(name.size() + 1).toLongLong();
    }
    return -1;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class MqttTls : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QFile::exists(kBroker))
            GTEST_SKIP() << "mosquitto is not installed (scripts/install-deps installs it)";
        for (const char* tool : {"openssl", "mosquitto_passwd"}) {
            if (QStandardPaths::findExecutable(tool).isEmpty())
                GTEST_SKIP() << tool << " is not installed: the TLS and password tests need it";
        }
        writeScenario(dir.filePath("scenario.json"), 64);
        port = freePort();
        tlsPort = freePort();
        env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", dir.path());  // the logger's lock, apart from any real one
        env.insert("SONAVISTOR_TEST_SILENCE_MS", "300");
        env.remove("SONAVISTOR_MQTT_PASSWORD");
    }

    bool run(const QString& program, const QStringList& args)
    {
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(program, args);
        const bool ok = p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        EXPECT_TRUE(ok) << program.toStdString() << ": " << p.readAllStandardError().toStdString();
        return ok;
    }
    // ca.pem signs server.pem (for IP 127.0.0.1); stranger.pem signs nothing here.
    bool makeCertificates()
    {
        const QStringList key{"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};
        const QStringList authority{"-addext", "basicConstraints=critical,CA:TRUE", "-addext",
                                    "keyUsage=critical,keyCertSign", "-days", "2"};
        writeFile(dir.filePath("server.ext"), "subjectAltName=IP:127.0.0.1\n");
        return run("openssl", QStringList{"req", "-x509"} + key +
                                  QStringList{"-keyout", "ca.key", "-out", "ca.pem", "-subj", "/CN=Test authority"} +
                                  authority) &&
               run("openssl", QStringList{"req", "-x509"} + key +
                                  QStringList{"-keyout", "stranger.key", "-out", "stranger.pem", "-subj",
                                              "/CN=Stranger authority"} +
                                  authority) &&
               run("openssl", QStringList{"req"} + key + QStringList{"-keyout", "server.key", "-out", "server.csr"} +
                                  QStringList{"-subj", "/CN=127.0.0.1"}) &&
               run("openssl", {"x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-set_serial",
                               "1", "-days", "2", "-extfile", "server.ext", "-out", "server.pem"});
    }
    BrokerConfig tlsBroker()
    {
        return {.tlsPort = tlsPort, .certFile = dir.filePath("server.pem"), .keyFile = dir.filePath("server.key")};
    }

    void startLogger(QProcess& p, const QStringList& extra)
    {
        p.setProcessEnvironment(env);
        p.start(CLI_PATH, QStringList{"log", "--dir", logs(), "--interval", "0.1", "--meter",
                                      "sim:" + dir.filePath("scenario.json"), "--publish-interval", "1s"} +
                              extra);
        ASSERT_TRUE(p.waitForStarted());
    }
    // Waits until the logger's error output holds `text`; err gathers it.
    bool waitForSaying(QProcess& p, QString& err, const QString& text)
    {
        return waitUntilTrue([&] {
            err += QString::fromUtf8(p.readAllStandardError());
            return err.contains(text);
        });
    }
    // SIGTERM; the logger must end, cleanly.
    void stopLogger(QProcess& p, QString& err)
    {
        p.terminate();
        const bool ended = p.waitForFinished(15000);
        err += QString::fromUtf8(p.readAllStandardError());
        ASSERT_TRUE(ended) << "the logger did not end; its error output:\n" << err.toStdString();
        ASSERT_EQ(p.exitStatus(), QProcess::NormalExit) << err.toStdString();
        ASSERT_EQ(p.exitCode(), 0) << err.toStdString();
    }
    QString logs() const { return dir.filePath("logs"); }
    QString tlsUrl() const { return QStringLiteral("mqtts://127.0.0.1:%1/test").arg(tlsPort); }

    QTemporaryDir dir;
    int port = 0;
    int tlsPort = 0;
    QProcessEnvironment env;
};

}  // namespace

TEST_F(MqttTls, IntervalsGoOutOverTlsToABrokerTheGivenAuthoritySigned)
{
    ASSERT_TRUE(makeCertificates());
    Broker broker(dir.path(), port, tlsBroker());
    ASSERT_TRUE(broker.start());
    Subscriber subscriber(port, "test-subscriber");  // on the plain listener of the same broker
    QProcess logger;
    startLogger(logger, {"--mqtt", tlsUrl(), "--mqtt-ca", dir.filePath("ca.pem")});
    QString err;
    ASSERT_TRUE(waitForSaying(logger, err, QStringLiteral("connected to the MQTT broker 127.0.0.1:%1").arg(tlsPort)))
        << err.toStdString();
    ASSERT_TRUE(waitUntilTrue([&] { return subscriber.intervals().size() >= 2; })) << err.toStdString();
    ASSERT_NO_FATAL_FAILURE(stopLogger(logger, err));
    EXPECT_TRUE(err.contains(QStringLiteral("publishing to mqtts://127.0.0.1:%1/test/sim").arg(tlsPort)));
    EXPECT_GT(subscriber.intervals().front()["count"].toInt(), 0);
}

TEST_F(MqttTls, ACertificateNoGivenAuthoritySignedIsSaidWhileIntervalsWait)
{
    ASSERT_TRUE(makeCertificates());
    Broker broker(dir.path(), port, tlsBroker());
    ASSERT_TRUE(broker.start());
    Subscriber subscriber(port, "test-subscriber");
    QProcess logger;
    const int metricsPort = freePort();
    startLogger(logger, {"--mqtt", tlsUrl(), "--mqtt-ca", dir.filePath("stranger.pem"), "--metrics",
                         QString::number(metricsPort)});
    QString err;
    ASSERT_TRUE(waitForSaying(logger, err,
                              QStringLiteral("cannot connect to the MQTT broker 127.0.0.1:%1: its certificate is not "
                                             "trusted (the certificate authorities in \"%2\" did not sign it, or it "
                                             "is not made out for 127.0.0.1)")
                                  .arg(tlsPort)
                                  .arg(dir.filePath("stranger.pem"))))
        << err.toStdString();
    long long waiting = 0;
    ASSERT_TRUE(waitUntilTrue([&] {
        waiting = metric(metricsBody(metricsPort), "sonavistor_mqtt_outbox_messages");
        return waiting >= 2;
    })) << err.toStdString();
    ASSERT_NO_FATAL_FAILURE(stopLogger(logger, err));
    EXPECT_TRUE(err.contains("logging to files goes on and the intervals wait in the outbox")) << err.toStdString();
    EXPECT_EQ(err.count("is not trusted"), 1) << "said once, not at every attempt:\n" << err.toStdString();
    EXPECT_TRUE(subscriber.intervals().empty());

    Outbox kept(QDir(logs()).filePath("sonavistor-log.outbox"), 1000);
    kept.open();
    EXPECT_GE(static_cast<long long>(kept.waiting().size()), waiting);
    EXPECT_FALSE(QDir(logs()).entryList({"*.qrv"}).isEmpty());
}

TEST_F(MqttTls, APasswordFileLogsInAndAWrongOneIsRefused)
{
    writeFile(dir.filePath("broker.passwd"), {});
    ASSERT_TRUE(run("mosquitto_passwd", {"-b", dir.filePath("broker.passwd"), "logger", "right horse"}));
    ASSERT_TRUE(run("mosquitto_passwd", {"-b", dir.filePath("broker.passwd"), "reader", "reads"}));
    Broker broker(dir.path(), port, {.anonymous = false, .passwordFile = dir.filePath("broker.passwd")});
    ASSERT_TRUE(broker.start());
    Subscriber subscriber(port, "test-subscriber", false, "reader", "reads");
    const QString url = QStringLiteral("mqtt://logger@127.0.0.1:%1/test").arg(port);
    // Only the first line is the password.
    writeFile(dir.filePath("right"), "right horse\nnot this line\n");
    writeFile(dir.filePath("wrong"), "right horsE\n");
    QFile::setPermissions(dir.filePath("right"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile::setPermissions(dir.filePath("wrong"), QFileDevice::ReadOwner | QFileDevice::ReadOther);

    QProcess logger;
    startLogger(logger, {"--mqtt", url, "--mqtt-password-file", dir.filePath("right")});
    QString err;
    ASSERT_TRUE(waitUntilTrue([&] { return subscriber.intervals().size() >= 1; })) << err.toStdString();
    ASSERT_NO_FATAL_FAILURE(stopLogger(logger, err));
    EXPECT_FALSE(err.contains("can read the password file")) << err.toStdString();

    QProcess refused;
    startLogger(refused, {"--mqtt", url, "--mqtt-password-file", dir.filePath("wrong")});
    err.clear();
    ASSERT_TRUE(waitForSaying(refused, err,
                              QStringLiteral("the MQTT broker 127.0.0.1:%1 refused the connection: the broker refused "
                                             "the user name or password")
                                  .arg(port)))
        << err.toStdString();
    ASSERT_NO_FATAL_FAILURE(stopLogger(refused, err));
    // Readable by others: said, and logging went on all the same.
    const QString warning =
        QStringLiteral("log: every user of this computer can read the password file %1 (chmod o-r it)\n");
    EXPECT_TRUE(err.startsWith(warning.arg(dir.filePath("wrong")))) << err.toStdString();
    EXPECT_EQ(err.count("refused the user name or password"), 1) << err.toStdString();
}

// Refused before anything starts, so no broker is needed.
TEST(MqttOptions, ACaWithoutTlsAndFilesThatCannotBeReadAreRefused)
{
    QTemporaryDir dir;
    const QString pem = dir.filePath("ca.pem");
    writeFile(pem, "not read\n");
    const QString missing = dir.filePath("missing");
    const QStringList log{"log", "--dir", dir.filePath("logs"), "--meter", "sim:" + dir.filePath("none.json")};
    const struct {
        QStringList args;
        int status;
        QString said;
    } cases[] = {
        {{"--mqtt", "mqtt://127.0.0.1/test", "--mqtt-ca", pem}, 2, "log: --mqtt-ca goes with an mqtts:// URL\n"},
        {{"--mqtt", "mqtts://127.0.0.1/test", "--mqtt-ca", missing}, 1,
         "log: cannot read the certificate file " + missing + "\n"},
        {{"--mqtt", "mqtt://127.0.0.1/test", "--mqtt-password-file", missing}, 1,
         "log: Cannot read the password file \"" + missing + "\". No such file or directory\n"},
    };
    for (const auto& c : cases) {
        QProcess p;
        p.start(CLI_PATH, log + c.args);
        ASSERT_TRUE(p.waitForFinished(15000));
        EXPECT_EQ(p.exitCode(), c.status) << c.args.join(' ').toStdString();
        EXPECT_EQ(p.readAllStandardError().toStdString(), c.said.toStdString()) << c.args.join(' ').toStdString();
        EXPECT_FALSE(QDir(dir.filePath("logs")).exists()) << "nothing logged after a refusal";
    }
}
