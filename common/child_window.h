#pragma once
// What the main window knows of a child window. Every child implements it;
// the main window finds it on the active subwindow's widget with
// qobject_cast, as its enable rules and commands need it. It never looks up a
// child's buttons or calls its slots by name.

#include "common/table_id.h"

#include <QObject>
#include <QString>

#include <optional>

namespace sonavistor {

class ChildWindow {
public:
    virtual ~ChildWindow() = default;

    // "Form4" (import), "Form5" (real-time), "Form7" (data view), ...: the
    // main window's rules compare it exactly, letter case included.
    virtual QString formName() const = 0;

    // The table the window shows, exports and prints; none for windows
    // without rows (setup, About).
    virtual std::optional<TableId> dataTable() const { return std::nullopt; }

    // A measurement is running (its "Start to Measure" button is hidden).
    virtual bool isMeasuring() const { return false; }
    // Its own "Stop Measure", for the commands that stop measuring first.
    virtual void stopMeasuring() {}

    // Its Save button is enabled, and what pressing it does.
    virtual bool saveEnabled() const { return false; }
    virtual void save() {}
};

}  // namespace sonavistor

Q_DECLARE_INTERFACE(sonavistor::ChildWindow, "org.sonavistor.ChildWindow/1")
