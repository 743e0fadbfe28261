#include "common/child_window.h"

#include <QEvent>

namespace sonavistor {

void ChildWindowEvents::watch(QObject* control)
{
    control->installEventFilter(this);
}

bool ChildWindowEvents::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::EnabledChange:
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
        emit capabilitiesChanged();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace sonavistor
