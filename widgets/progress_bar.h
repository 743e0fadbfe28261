#pragma once
// A window's progress bar as the Progress that long operations report to.

#include "common/progress.h"

#include <QProgressBar>
#include <QPointer>

namespace sonavistor {

class ProgressBarProgress : public Progress {
public:
    explicit ProgressBarProgress(QProgressBar* bar) : bar_(bar) {}
    void setMaximum(int maximum) override
    {
        if (bar_)
            bar_->setMaximum(maximum);
    }
    void setPosition(int position) override
    {
        if (bar_)
            bar_->setValue(position);
    }
    int position() const override { return bar_ ? bar_->value() : 0; }

private:
    QPointer<QProgressBar> bar_;  // the window may go during a wait
};

}  // namespace sonavistor
