#pragma once
// What a screen reader gets from a window, asked in-process: the texts of a
// control's accessible interface, the controls Tab stops at, and the events
// the window raises on the accessibility bus.

#include <QAccessible>
#include <QPointer>
#include <QStringList>

#include <vector>

class QWidget;

namespace sonavistor::test {

QString accessibleText(QObject* object, QAccessible::Text which = QAccessible::Name);

// The controls Tab reaches inside window, in the order it reaches them
// (object names; an unnamed one as its class name).
QStringList tabStops(QWidget* window);
// Tab stops a screen reader could not name.
QStringList unnamedTabStops(QWidget* window);

// Records the accessibility events raised while it lives.
class AccessibilityEvents {
public:
    struct Event {
        QPointer<QObject> object;
        QAccessible::Event type;
        QString name;  // the object's name as the event went out
    };
    AccessibilityEvents();
    ~AccessibilityEvents();
    AccessibilityEvents(const AccessibilityEvents&) = delete;
    AccessibilityEvents& operator=(const AccessibilityEvents&) = delete;

    // The names of the objects that raised an alert, in order.
    QStringList alerts() const;
    void clear() { events.clear(); }

    std::vector<Event> events;
};

}  // namespace sonavistor::test
