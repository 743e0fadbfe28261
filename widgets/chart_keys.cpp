#include "widgets/chart_keys.h"

#include "widgets/chart_navigation.h"

#include <QAbstractButton>
#include <QChartView>
#include <QKeyEvent>

namespace sonavistor {

namespace {

class ChartKeyFilter : public QObject {
public:
    ChartKeyFilter(QChartView* view, ChartKeyCommands commands) : QObject(view), commands_(std::move(commands)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const std::function<void()>* command = nullptr;
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Plus:
        case Qt::Key_Equal:  // + without Shift
            command = &commands_.zoomIn;
            break;
        case Qt::Key_Minus:
            command = &commands_.zoomOut;
            break;
        case Qt::Key_Left:
            command = &commands_.scrollLeft;
            break;
        case Qt::Key_Right:
            command = &commands_.scrollRight;
            break;
        case Qt::Key_Home:
            command = &commands_.reset;
            break;
        default:
            return false;
        }
        if (*command)
            (*command)();
        return true;
    }

private:
    ChartKeyCommands commands_;
};

}  // namespace

ChartKeyCommands chartButtonCommands(ChartAxes& chart)
{
    return {[&chart] { ZoomIn(chart); }, [&chart] { ZoomOut(chart); }, [&chart] { ScrollByPoints(chart, -30); },
            [&chart] { ScrollByPoints(chart, 30); }, [&chart] { ResetZoom(chart); }};
}

void addChartKeys(QChartView* view, ChartKeyCommands commands)
{
    view->setFocusPolicy(Qt::StrongFocus);
    view->setStyleSheet(QStringLiteral("QChartView:focus { border: 2px solid palette(highlight); }"));
    view->installEventFilter(new ChartKeyFilter(view, std::move(commands)));
}

void setScrollButtonKeys(QAbstractButton* left, QAbstractButton* right)
{
    const auto keys = [](QAbstractButton* button, const QString& name, Qt::Key key) {
        button->setShortcut(QKeySequence(Qt::AltModifier | key));
        button->setAccessibleName(name);
        button->setToolTip(name + QStringLiteral(" (") + button->shortcut().toString(QKeySequence::NativeText) +
                           QLatin1Char(')'));
    };
    keys(left, QStringLiteral("Scroll left"), Qt::Key_Left);
    keys(right, QStringLiteral("Scroll right"), Qt::Key_Right);
}

}  // namespace sonavistor
