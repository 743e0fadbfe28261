#include "common/shell_state.h"

namespace sonavistor {

ShellStateData ShellState;

namespace {

struct SlotFields {
    QPointer<QObject>& handle;
    bool* enabled;  // the data view has no command flag of its own
};

SlotFields fieldsOf(ChildSlot slot)
{
    switch (slot) {
    case ChildSlot::Measure:
        return {ShellState.MeasureWindowHandle, &ShellState.MeasureEnabled};
    case ChildSlot::Import:
        return {ShellState.ImportWindowHandle, &ShellState.ImportEnabled};
    case ChildSlot::Analyze:
        break;
    }
    return {ShellState.AnalyzeWindowHandle, nullptr};
}

}  // namespace

void childClosed(ChildSlot slot)
{
    SlotFields f = fieldsOf(slot);
    f.handle = nullptr;
    if (f.enabled)
        *f.enabled = true;
}

void childCloseCancelled(ChildSlot slot, QObject* window)
{
    SlotFields f = fieldsOf(slot);
    f.handle = window;
    if (f.enabled)
        *f.enabled = false;
}

}  // namespace sonavistor
