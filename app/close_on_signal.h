#pragma once
// SIGTERM, SIGINT and SIGHUP (the session ends, `kill`, Ctrl-C or a closed
// terminal) end the program as E&xit does after Yes, without asking
// (MainWindow::endWithoutAsking). The signal only writes a byte into a pipe; the
// user-interface thread does the closing.

#include <QObject>
#include <QPointer>

class QSocketNotifier;

namespace sonavistor {

class MainWindow;

class CloseOnSignal : public QObject {
    Q_OBJECT
public:
    // Takes over SIGTERM, SIGINT and SIGHUP for the lifetime of this object.
    CloseOnSignal();
    ~CloseOnSignal() override;
    CloseOnSignal(const CloseOnSignal&) = delete;
    CloseOnSignal& operator=(const CloseOnSignal&) = delete;

    // The window to close; a signal that came before it was set is kept.
    void setTarget(MainWindow* form);
    bool requested() const { return requested_; }

private:
    void onSignal();

    QSocketNotifier* notifier_ = nullptr;
    QPointer<MainWindow> target_;
    bool requested_ = false;
};

}  // namespace sonavistor
