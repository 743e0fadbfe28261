#pragma once
// What the main window knows of a child window: what it can do now. Every
// child implements it; the main window finds it on a subwindow's widget with
// qobject_cast. Its enable rules, Save, Export and Print Data Sheet ask only
// these questions, never a window's name or class.

#include "common/table_id.h"

#include <QObject>
#include <QString>

#include <optional>

namespace sonavistor {

// A child window's change signal. Windows emit it whenever an answer of
// their ChildWindow may have changed; watching a control (the Save button,
// the Start button) emits it whenever that control is enabled, disabled,
// shown or hidden, which is where most answers come from.
class ChildWindowEvents : public QObject {
    Q_OBJECT
public:
    void watch(QObject* control);

signals:
    void capabilitiesChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

class ChildWindow {
public:
    virtual ~ChildWindow() = default;

    // The table the window shows, exports and prints; none for windows
    // without rows (setup, About).
    virtual std::optional<TableId> dataTable() const { return std::nullopt; }
    // The window's grid reads its table whole in RecNo order, as one query,
    // instead of page by page; Export writes what the grid shows.
    virtual bool gridIsWholeQuery() const { return false; }

    // File > Save applies, and what it does.
    virtual bool canSave() const { return false; }
    virtual void save() {}
    // Export to Excel and Print Data Sheet apply to what the window shows.
    virtual bool canExport() const { return false; }
    virtual bool canPrint() const { return canExport(); }
    // File > Noise Report applies, and what it does.
    virtual bool canReportNoise() const { return false; }
    virtual void reportNoise() {}
    // Opens a saved file in the window; an empty path asks for one.
    virtual void openFile(const QString& /*path*/) {}

    // Ends a running measurement, for the commands that stop measuring first.
    virtual void stopMeasuring() {}

    ChildWindowEvents& events() { return events_; }

protected:
    void capabilitiesChanged() { emit events_.capabilitiesChanged(); }

private:
    ChildWindowEvents events_;
};

}  // namespace sonavistor

Q_DECLARE_INTERFACE(sonavistor::ChildWindow, "org.sonavistor.ChildWindow/2")
