#pragma once
// Stand-ins for the child windows: named as the real ones, telling the main
// window what the real ones tell it, and doing their bookkeeping on closing.

#include "common/child_window.h"
#include "common/shell_state.h"
#include "measure/measure_state.h"

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

    QString formName() const override { return objectName(); }
    std::optional<TableId> dataTable() const override { return table_; }
    bool saveEnabled() const override { return canSave; }
    void save() override { ++saves; }

    bool cancelClose = false;
    bool canSave = false;
    int saves = 0;

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

    void measure() { measuring_ = true; }
    bool isMeasuring() const override { return measuring_; }
    void stopMeasuring() override
    {
        ++stops;
        measuring_ = false;
    }

    int stops = 0;

private:
    bool measuring_ = false;
};

class StandInImport : public StandInChild {
    Q_OBJECT
public:
    StandInImport() : StandInChild("Form4", ChildSlot::Import, TableGetRecorde) {}
};

class StandInAnalyze : public StandInChild {
    Q_OBJECT
public:
    StandInAnalyze() : StandInChild("Form7", ChildSlot::Analyze, TableLoadData) {}

protected:
    void closeEvent(QCloseEvent* event) override
    {
        ShellState.AnalyzeWindowOpen = false;
        StandInChild::closeEvent(event);
    }
};

}  // namespace sonavistor::test
