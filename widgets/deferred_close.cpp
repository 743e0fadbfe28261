#include "widgets/deferred_close.h"

#include <QMdiSubWindow>
#include <QMetaObject>
#include <QWidget>

namespace sonavistor {

DeferredClose::DeferredClose(QWidget& window, std::function<void()> close)
    : window_(window), close_(std::move(close))
{
    if (!close_)
        close_ = [&window] { closeNow(window); };
}

void DeferredClose::complete()
{
    if (!requested_)
        return;
    requested_ = false;
    QMetaObject::invokeMethod(&window_, close_, Qt::QueuedConnection);
}

void DeferredClose::closeNow(QWidget& window)
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(window.parentWidget()))
        sub->close();
    else
        window.close();
}

}  // namespace sonavistor
