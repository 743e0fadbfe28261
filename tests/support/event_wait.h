#pragma once
// Waiting on something a test can see (a file, a line of output, a message
// at a broker), with the event loop running meanwhile and a bound past which
// the test fails rather than hangs; and a loopback port nobody listens on.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>

#include <functional>

namespace sonavistor::test {

// True as soon as done() is; false when it still is not after ms.
inline bool waitUntilTrue(const std::function<bool()>& done, int ms = 15000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// A port on 127.0.0.1 that was free a moment ago.
inline int freePort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

}  // namespace sonavistor::test
