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

// Presses Tab from the window's first control, as a user would, until focus
// comes back to it or leaves the window. Returns what went wrong: a control
// Tab never reaches, reaches twice or cannot leave, and two controls reached
// against the layout ("A before B": B stands above A, or left of it in the
// same row). The window must be shown and active.
QStringList tabOrderProblems(QWidget* window);

// Keys of the window's commands: push and tool buttons with neither a
// mnemonic nor a shortcut (a dialog's default button and its button box's
// cancel button go by Enter and Escape), and a mnemonic or shortcut two
// controls share, with each other or with one in taken (the menu bar's).
QStringList keyProblems(QWidget* window, const QList<QKeySequence>& taken = {});
// The mnemonics of a menu bar's menus.
QList<QKeySequence> menuMnemonics(QWidget* menuBar);

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
