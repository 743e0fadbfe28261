#pragma once
// SIGTERM, SIGINT and SIGHUP (logout, shutdown, kill, Ctrl-C) as a Qt signal
// on the user-interface thread: the handler only writes a byte into a pipe,
// and the event loop turns it into endRequested.

#include <QObject>

class QSocketNotifier;

namespace sonavistor {

class SignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit SignalWatcher(QObject* parent = nullptr);
    ~SignalWatcher() override;

signals:
    void endRequested(int signalNumber);

private:
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace sonavistor
