#pragma once
// Where a long operation shows how far it is: the import window's bar, the
// status bar, the exporter's progress window, a line on a terminal.

namespace sonavistor {

class Progress {
public:
    virtual ~Progress() = default;
    virtual void setMaximum(int maximum) = 0;
    virtual void setPosition(int position) = 0;
    virtual int position() const = 0;
    // The operation is over (a window may hide its bar).
    virtual void finish() {}
};

}  // namespace sonavistor
