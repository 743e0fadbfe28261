#include "app/close_on_signal.h"

#include "app/main_window.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace sonavistor {

namespace {

int signalPipe[2] = {-1, -1};
constexpr int kEndSignals[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void writeSignalByte(int)
{
    const char byte = 1;
    // Nothing to do when the pipe is full: a close is pending already.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

}  // namespace

CloseOnSignal::CloseOnSignal()
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;  // the signals keep their default action
    notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &CloseOnSignal::onSignal);
    struct sigaction action = {};
    action.sa_handler = writeSignalByte;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : kEndSignals)
        sigaction(number, &action, nullptr);
}

CloseOnSignal::~CloseOnSignal()
{
    if (!notifier_)
        return;
    for (int number : kEndSignals)
        std::signal(number, SIG_DFL);
    delete notifier_;
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

void CloseOnSignal::setTarget(MainWindow* form)
{
    target_ = form;
}

void CloseOnSignal::onSignal()
{
    char bytes[16];
    while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
    }
    requested_ = true;
    // A message box or dialog waiting for an answer is dismissed first; the
    // window closes once their waits have returned.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->isModal())
            widget->close();
    }
    if (target_)
        QTimer::singleShot(0, target_.data(), &MainWindow::endWithoutAsking);
}

}  // namespace sonavistor
