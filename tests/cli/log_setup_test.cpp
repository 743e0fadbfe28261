// Setting up `log` as a new user would: no runtime folder, two meters at
// once, options that need --mqtt, and a metrics port that is taken.
#include "tests/support/event_wait.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace sonavistor::test;

namespace {

// A logger whose error output is gathered as it comes.
class Logger {
public:
    Logger(const QProcessEnvironment& env, const QStringList& args)
    {
        process_.setProcessEnvironment(env);
        QObject::connect(&process_, &QProcess::readyReadStandardError,
                         [this] { err_ += QString::fromUtf8(process_.readAllStandardError()); });
        process_.start(CLI_PATH, QStringList{"log", "--interval", "0.1"} + args);
    }
    ~Logger() { stop(); }
    bool says(const QString& text, int ms = 15000)
    {
        return waitUntilTrue([&] { return err_.contains(text); }, ms);
    }
    int stop()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            process_.waitForFinished(10000);
        }
        err_ += QString::fromUtf8(process_.readAllStandardError());
        return process_.exitCode();
    }
    // A logger that ends by itself (a refusal).
    int ended()
    {
        process_.waitForFinished(10000);
        err_ += QString::fromUtf8(process_.readAllStandardError());
        return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
    }
    const QString& err() const { return err_; }

private:
    QProcess process_;
    QString err_;
};

QByteArray httpGet(const QHostAddress& host, int port)
{
    QTcpSocket http;
    http.connectToHost(host, static_cast<quint16>(port));
    if (!http.waitForConnected(2000))
        return {};
    http.write("GET /metrics HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n");
    QByteArray response;
    while (http.waitForReadyRead(2000))
        response += http.readAll();
    return response;
}

class LogSetup : public ::testing::Test {
protected:
    void SetUp() override
    {
        env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", dir.filePath("runtime"));
        QDir().mkpath(dir.filePath("runtime"));
        scenario("meter.json", {});
    }
    QString scenario(const QString& name, const QString& serial)
    {
        QFile json(dir.filePath(name));
        json.open(QIODevice::WriteOnly);
        json.write(QStringLiteral(R"({"live": [[653, 64], [702, 64]]%1})")
                       .arg(serial.isEmpty() ? QString() : QStringLiteral(", \"serial\": \"%1\"").arg(serial))
                       .toUtf8());
        return "sim:" + json.fileName();
    }
    bool hasDayFile(const QString& folder) const { return !QDir(folder).entryList({"*.qrv"}).isEmpty(); }

    QTemporaryDir dir;
    QProcessEnvironment env;
};

}  // namespace

TEST_F(LogSetup, WithoutARuntimeFolderTheLockGoesToAFolderMadeForTheUserAlone)
{
    env.remove("XDG_RUNTIME_DIR");
    env.insert("TMPDIR", dir.path());
    env.insert("USER", "tester");
    Logger logger(env, {"--dir", dir.filePath("logs"), "--meter", "sim:" + dir.filePath("meter.json")});
    EXPECT_TRUE(logger.says("logging to")) << logger.err().toStdString();
    struct stat folder {};
    ASSERT_EQ(::stat(QFile::encodeName(dir.filePath("runtime-tester")).constData(), &folder), 0);
    EXPECT_TRUE(S_ISDIR(folder.st_mode));
    EXPECT_EQ(folder.st_mode & 07777, 0700u);
    EXPECT_EQ(logger.stop(), 0) << logger.err().toStdString();
}

TEST_F(LogSetup, TwoMetersLogAtOnceAndEachMeterOnlyOnce)
{
    const QString first = scenario("first.json", "SN-A1");
    const QString second = scenario("second.json", "SN-B2");
    Logger a(env, {"--dir", dir.filePath("a"), "--meter", first});
    ASSERT_TRUE(a.says("logging to")) << a.err().toStdString();
    Logger b(env, {"--dir", dir.filePath("b"), "--meter", second});
    EXPECT_TRUE(b.says("logging to")) << b.err().toStdString();
    // The first meter is taken: a second logger of it keeps off.
    Logger again(env, {"--dir", dir.filePath("c"), "--meter", first});
    EXPECT_TRUE(again.says("sonavistor-cli log is running and uses the meter")) << again.err().toStdString();
    EXPECT_EQ(again.ended(), 1);
    EXPECT_EQ(a.stop(), 0) << a.err().toStdString();
    EXPECT_EQ(b.stop(), 0) << b.err().toStdString();
    EXPECT_TRUE(hasDayFile(dir.filePath("a")));
    EXPECT_TRUE(hasDayFile(dir.filePath("b")));
}

TEST_F(LogSetup, OptionsThatNeedMqttAreRefusedWithoutIt)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(CLI_PATH, {"log", "--dir", dir.filePath("logs"), "--meter", "sim:" + dir.filePath("meter.json"),
                       "--publish-interval", "10s", "--mqtt-live"});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardError()), "log: --mqtt-live, --publish-interval need --mqtt URL\n");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("logs")));
}

// No machine of the tests has a USB meter: its serial cannot be read, and a
// made-up id would become a second Home Assistant device later.
TEST_F(LogSetup, PublishingWithoutAMeterSerialAsksForAnId)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(CLI_PATH, {"log", "--dir", dir.filePath("logs"), "--meter", "usb", "--mqtt", "mqtt://127.0.0.1:1/test"});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardError()).contains("give --mqtt-id NAME"));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("logs")));
}

TEST_F(LogSetup, ATakenMetricsPortIsSaidAndTakenOnceFreeWhileLoggingGoesOn)
{
    QTcpServer holder;
    const int port = freePort();
    ASSERT_TRUE(holder.listen(QHostAddress::LocalHost, static_cast<quint16>(port)));
    Logger logger(env, {"--dir", dir.filePath("logs"), "--meter", "sim:" + dir.filePath("meter.json"), "--metrics",
                        QString::number(port)});
    ASSERT_TRUE(logger.says("the metrics are tried again every")) << logger.err().toStdString();
    EXPECT_TRUE(logger.says("logging to"));
    holder.close();
    ASSERT_TRUE(logger.says(QStringLiteral("metrics on http://127.0.0.1:%1/metrics").arg(port), 25000))
        << logger.err().toStdString();
    EXPECT_TRUE(httpGet(QHostAddress::LocalHost, port).startsWith("HTTP/1.1 200"));
    EXPECT_EQ(logger.stop(), 0) << logger.err().toStdString();
    EXPECT_TRUE(hasDayFile(dir.filePath("logs")));
}

TEST_F(LogSetup, MetricsOnIpv6LoopbackAreServedOrRefusedWithTheReason)
{
    const int port = freePort();
    Logger logger(env, {"--dir", dir.filePath("logs"), "--meter", "sim:" + dir.filePath("meter.json"), "--metrics",
                        QStringLiteral("[::1]:%1").arg(port)});
    waitUntilTrue([&] { return logger.err().contains("metrics on") || logger.err().contains("IPv6"); }, 15000);
    if (logger.err().contains("built without IPv6")) {
        EXPECT_EQ(logger.ended(), 2);
        GTEST_SKIP() << "this system's civetweb has no IPv6: " << logger.err().toStdString();
    }
    ASSERT_TRUE(logger.says(QStringLiteral("metrics on http://[::1]:%1/metrics").arg(port))) << logger.err().toStdString();
    EXPECT_TRUE(httpGet(QHostAddress::LocalHostIPv6, port).startsWith("HTTP/1.1 200"));
    EXPECT_EQ(logger.stop(), 0);
}
