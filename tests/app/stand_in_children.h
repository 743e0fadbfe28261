#pragma once
// Stand-ins for the child windows: named as the real ones, telling the main
// window what the real ones tell it, and doing their bookkeeping on closing.

#include "app/main_window.h"
#include "common/child_window.h"
#include "common/shell_state.h"
#include "measure/measure_state.h"
#include "store/measurement_db.h"

#include <QCloseEvent>
#include <QWidget>

namespace sonavistor::test {

class StandInChild : public QWidget, public ChildWindow {
    Q_OBJECT
    Q_INTERFACES(sonavistor::ChildWindow)
public:
    StandInChild(const char* name, ChildSlot slot, std::optional<TableId> table) : slot_(slot), table_(table)
    {
        setObjectName(QString::fromLatin1(name));
        ShellState.ChildReady = false;
        resize(300, 200);
        ShellState.ChildReady = true;
    }

    std::optional<TableId> dataTable() const override { return table_; }
    bool canSave() const override { return canSave_; }
    void save() override { ++saves; }
    bool canExport() const override { return hasRows(); }

    void setCanSave(bool can)
    {
        canSave_ = can;
        capabilitiesChanged();
    }

    bool cancelClose = false;
    int saves = 0;

protected:
    // Whether the main window's database holds rows of the window's table.
    bool hasRows() const
    {
        const auto* main = qobject_cast<const MainWindow*>(window());
        return main && table_ && !main->database().isEmpty(*table_);
    }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        if (cancelClose) {
            childCloseCancelled(slot_, this);
            event->ignore();
            return;
        }
        childClosed(slot_);
        event->accept();
    }

private:
    bool canSave_ = false;
    ChildSlot slot_;
    std::optional<TableId> table_;
};

class StandInMeasure : public StandInChild {
    Q_OBJECT
public:
    StandInMeasure() : StandInChild("Form5", ChildSlot::Measure, TableMeaData)
    {
        MeasureState.MeasureWindowOpen = true;
    }

    void measure()
    {
        measuring_ = true;
        capabilitiesChanged();
    }
    bool isMeasuring() const { return measuring_; }
    void stopMeasuring() override
    {
        ++stops;
        measuring_ = false;
        capabilitiesChanged();
    }
    bool canSave() const override { return StandInChild::canSave() && !measuring_; }
    bool canExport() const override { return !measuring_ && hasRows(); }

    int stops = 0;

private:
    bool measuring_ = false;
};

class StandInImport : public StandInChild {
    Q_OBJECT
public:
    StandInImport() : StandInChild("Form4", ChildSlot::Import, TableGetRecorde) {}
    bool gridIsWholeQuery() const override { return true; }
};

class StandInAnalyze : public StandInChild {
    Q_OBJECT
public:
    StandInAnalyze() : StandInChild("Form7", ChildSlot::Analyze, TableLoadData) {}
    bool canExport() const override { return true; }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        ShellState.AnalyzeWindowOpen = false;
        StandInChild::closeEvent(event);
    }
};

}  // namespace sonavistor::test
