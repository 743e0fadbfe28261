#pragma once
// The chart buttons from the keyboard: with the chart focused, + and -
// zoom, Left and Right scroll, Home resets the zoom. The chart takes the
// focus by Tab or a click and draws a frame while it has it.

#include <functional>

class QAbstractButton;
class QChartView;

namespace sonavistor {

class ChartAxes;

struct ChartKeyCommands {
    std::function<void()> zoomIn;
    std::function<void()> zoomOut;
    std::function<void()> scrollLeft;
    std::function<void()> scrollRight;
    std::function<void()> reset;
};

// The commands default to the real-time and import windows' buttons on chart.
ChartKeyCommands chartButtonCommands(ChartAxes& chart);
void addChartKeys(QChartView* view, ChartKeyCommands commands);

// The arrow buttons under a chart have no caption to underline a letter of:
// Alt+Left and Alt+Right press them wherever the focus is in their window.
// Names them ("Scroll left", "Scroll right") with the key in the tool tip.
void setScrollButtonKeys(QAbstractButton* left, QAbstractButton* right);

}  // namespace sonavistor
