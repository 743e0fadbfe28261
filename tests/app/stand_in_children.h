#pragma once
// Stand-ins for the child windows: named as the real ones, with the controls
// the main window looks at, and the bookkeeping the real ones do on closing.

#include "app/shell_state.h"
#include "measure/measure_state.h"

#include <QCloseEvent>
#include <QPushButton>
#include <QWidget>

namespace sonavistor::test {

class StandInChild : public QWidget {
    Q_OBJECT
public:
    StandInChild(const char* name, QPointer<QObject>& handle, bool& entryClosed, bool* enabled)
        : handle_(handle), entryClosed_(entryClosed), enabled_(enabled)
    {
        setObjectName(QString::fromLatin1(name));
        ShellState.ChildReady = false;
        resize(300, 200);
        ShellState.ChildReady = true;
    }

    QPushButton* button(const char* name, const char* caption)
    {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    }

    bool cancelClose = false;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        if (cancelClose) {
            handle_ = this;
            if (enabled_)
                *enabled_ = false;
            event->ignore();
            return;
        }
        entryClosed_ = true;
        if (enabled_)
            *enabled_ = true;
        handle_ = nullptr;
        event->accept();
    }

private:
    QPointer<QObject>& handle_;
    bool& entryClosed_;
    bool* enabled_;
};

class StandInMeasure : public StandInChild {
    Q_OBJECT
public:
    StandInMeasure()
        : StandInChild("Form5", ShellState.MeasureWindowHandle, ShellState.MeasureEntryClosed,
                       &ShellState.MeasureEnabled)
    {
        start = button("BitBtn1", "Start to Measure");
        stop = button("BitBtn8", "Stop Measure");
        save = button("BitBtn7", "Save");
        stop->hide();
        save->setEnabled(false);
        MeasureState.MeasureWindowOpen = true;
    }

    void measure()
    {
        start->hide();
        stop->show();
    }

    QPushButton* start;
    QPushButton* stop;
    QPushButton* save;
    int stops = 0;
    int saves = 0;

public slots:
    void BitBtn8Click()
    {
        ++stops;
        stop->hide();
        start->show();
    }
    void BitBtn7Click() { ++saves; }
};

class StandInImport : public StandInChild {
    Q_OBJECT
public:
    StandInImport()
        : StandInChild("Form4", ShellState.ImportWindowHandle, ShellState.ImportEntryClosed,
                       &ShellState.ImportEnabled)
    {
        save = button("BitBtn5", "Save");
        save->setEnabled(false);
    }
    QPushButton* save;
    int saves = 0;

public slots:
    void BitBtn5Click() { ++saves; }
};

class StandInAnalyze : public StandInChild {
    Q_OBJECT
public:
    StandInAnalyze()
        : StandInChild("Form7", ShellState.AnalyzeWindowHandle, ShellState.AnalyzeEntryClosed, nullptr)
    {
    }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        ShellState.AnalyzeWindowOpen = false;
        StandInChild::closeEvent(event);
    }
};

}  // namespace sonavistor::test
