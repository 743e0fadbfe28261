#pragma once
// "Close once the wait is over". A window that must not be destroyed while
// it waits (for the meter, for a file being loaded, under its own message
// box) ignores the close and asks for it here; when the wait is over the
// close happens, queued so that it never runs under the handler that ended
// the wait.

#include <functional>

class QWidget;

namespace sonavistor {

class DeferredClose {
public:
    // close: how the window closes; by default closeNow(window).
    explicit DeferredClose(QWidget& window, std::function<void()> close = {});

    // A close came during the wait.
    void request() { requested_ = true; }
    bool requested() const { return requested_; }
    void cancel() { requested_ = false; }
    // The wait is over: a requested close happens once the current handler
    // has returned (not at all if the window is gone by then).
    void complete();

    // Closes the window's MDI subwindow, or the window itself outside one.
    static void closeNow(QWidget& window);

private:
    QWidget& window_;
    std::function<void()> close_;
    bool requested_ = false;
};

}  // namespace sonavistor
