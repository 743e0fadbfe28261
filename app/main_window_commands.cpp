// TForm1's child windows and commands: creating and showing the children,
// their Window-menu entries, and what each menu item and tool button does.
#include "app/main_window.h"

#include "app/child_tiling.h"
#include "app/icons.h"
#include "common/child_window.h"
#include "common/message_service.h"
#include "common/shell_state.h"
#include "measure/measure_state.h"
#include "store/measurement_db.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>

namespace sonavistor {

namespace {

QMdiSubWindow* subWindowOf(QObject* handle)
{
    auto* widget = qobject_cast<QWidget*>(handle);
    return widget ? qobject_cast<QMdiSubWindow*>(widget->parentWidget()) : nullptr;
}

}  // namespace

void TForm1::setChildFactory(const QString& key, ChildFactory factory)
{
    for (WindowRegistration& window : windows_) {
        if (window.key == key)
            window.factory = std::move(factory);
    }
}

const WindowRegistration* TForm1::registration(const QString& key) const
{
    for (const WindowRegistration& window : windows_) {
        if (window.key == key)
            return &window;
    }
    return nullptr;
}

QPointer<QObject>& TForm1::handleOf(const WindowRegistration& window)
{
    return window.handle ? ShellState.*window.handle : otherHandles_[window.key];
}

void TForm1::setCommand(const QString& menuItem, Command command)
{
    commands_[menuItem] = std::move(command);
}

QMdiSubWindow* TForm1::addChildWindow(QWidget* form)
{
    QMdiSubWindow* sub = mdi_->addSubWindow(form);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(programIcon());
    return sub;
}

QWidget* TForm1::activeChild() const
{
    QMdiSubWindow* sub = mdi_->currentSubWindow();
    return sub ? sub->widget() : nullptr;
}

ChildWindow* TForm1::activeChildWindow() const
{
    return qobject_cast<ChildWindow*>(activeChild());
}

QString TForm1::activeChildName() const
{
    QWidget* child = activeChild();
    return child ? child->objectName() : QString();
}

void TForm1::bringToFront(QObject* handle)
{
    QMdiSubWindow* sub = subWindowOf(handle);
    if (!sub)
        return;
    if (sub->isMinimized())
        sub->showNormal();
    sub->show();
    sub->raise();
    mdi_->setActiveSubWindow(sub);
}

QWidget* TForm1::showWindow(const QString& key)
{
    const WindowRegistration* window = registration(key);
    if (!window)
        return nullptr;
    if (window->stopsMeasuring)
        stopMeasuring();
    QPointer<QObject>& handle = handleOf(*window);
    if (!handle) {
        if (!window->factory)
            return nullptr;
        QWidget* form = window->factory(*this);
        if (!form)
            return nullptr;
        if (!subWindowOf(form))
            addChildWindow(form);
        handle = form;
    }
    bringToFront(handle);
    rebuildWindowMenu();
    return qobject_cast<QWidget*>(handle.data());
}

void TForm1::runWindowCommand(const QString& key)
{
    QWidget* form = showWindow(key);
    const WindowRegistration* window = registration(key);
    if (auto* child = qobject_cast<ChildWindow*>(form); child && window && window->opensFile)
        child->openFile(QString());
}

void TForm1::rebuildWindowMenu()
{
    QList<QAction*> wanted;
    for (QMdiSubWindow* sub : mdi_->subWindowList()) {
        for (const WindowRegistration& window : windows_) {
            const QPointer<QObject>& handle = handleOf(window);
            if (handle && handle == sub->widget()) {
                QAction* entry = entries_[window.key];
                entry->setChecked(sub == mdi_->currentSubWindow());
                wanted << entry;
            }
        }
    }
    QList<QAction*> present;
    for (QAction* action : N20->actions()) {
        for (const auto& [key, entry] : entries_) {
            if (action == entry)
                present << action;
        }
    }
    if (present == wanted)
        return;
    for (QAction* entry : present)
        N20->removeAction(entry);
    N20->addActions(wanted);
}

void TForm1::stopMeasuring()
{
    if (!MeasureState.MeasureWindowOpen)
        return;
    if (auto* window = qobject_cast<ChildWindow*>(ShellState.MeasureWindowHandle.data()))
        window->stopMeasuring();
}

void TForm1::runCommand(const QString& name)
{
    const auto command = commands_.find(name);
    if (command != commands_.end() && command->second)
        command->second(*this);
}

// ---------------------------------------------------------------- commands

void TForm1::N3Click()
{
    runWindowCommand(QString::fromLatin1(kMeasureWindow));
}

void TForm1::N16Click()
{
    runWindowCommand(QString::fromLatin1(kImportWindow));
}

// The data view in front, made first when none is open. Null when it could not be made.
ChildWindow* TForm1::dataViewInFront()
{
    return qobject_cast<ChildWindow*>(showWindow(QString::fromLatin1(kDataViewWindow)));
}

void TForm1::N6Click()
{
    runWindowCommand(QString::fromLatin1(kDataViewWindow));
}

void TForm1::openSavedFile(const QString& path)
{
    try {
        if (auto* view = dataViewInFront())
            view->openFile(path);
    } catch (const std::exception& e) {
        messages().showException(e);
    }
}

void TForm1::N15Click()
{
    // The window's own Save decides whether there is anything to save.
    if (ChildWindow* child = activeChildWindow())
        child->save();
}

void TForm1::N7Click()
{
    stopMeasuring();
    runCommand(QStringLiteral("N7"));
}

void TForm1::N13Click()
{
    runCommand(QStringLiteral("N13"));
}

void TForm1::N8Click()
{
    stopMeasuring();
    runCommand(QStringLiteral("N8"));
}

void TForm1::NoiseReportClick()
{
    if (ChildWindow* child = activeChildWindow(); child && child->canReportNoise())
        child->reportNoise();
}

void TForm1::N9Click()
{
    stopMeasuring();
    close();
}

void TForm1::N5Click()
{
    stopMeasuring();
    runCommand(QStringLiteral("N5"));
}

void TForm1::HelpClick()
{
    runCommand(QStringLiteral("Help"));
}

void TForm1::A1Click()
{
    stopMeasuring();
    runCommand(QStringLiteral("A1"));
}

void TForm1::C1Click()
{
    C1->setChecked(true);
    H2->setChecked(false);
    V1->setChecked(false);
    mdi_->cascadeSubWindows();
}

void TForm1::H2Click()
{
    C1->setChecked(false);
    H2->setChecked(true);
    V1->setChecked(false);
    tile(TileMode::Horizontal);
}

void TForm1::V1Click()
{
    C1->setChecked(false);
    H2->setChecked(false);
    V1->setChecked(true);
    tile(TileMode::Vertical);
}

void TForm1::tile(TileMode mode)
{
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* sub : mdi_->subWindowList(QMdiArea::CreationOrder)) {
        if (sub->isVisible() && !sub->isMinimized())
            windows.append(sub);
    }
    const std::vector<QRect> rects =
        tileRects(static_cast<int>(windows.size()), mdi_->viewport()->rect(), mode);
    for (int i = 0; i < windows.size(); ++i) {
        if (windows[i]->isMaximized())
            windows[i]->showNormal();
        windows[i]->setGeometry(rects[static_cast<size_t>(i)]);
    }
}

}  // namespace sonavistor
