// The main window's child windows and commands: creating and showing the children,
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

void MainWindow::setChildFactory(const QString& key, ChildFactory factory)
{
    for (WindowRegistration& window : windows_) {
        if (window.key == key)
            window.factory = std::move(factory);
    }
}

const WindowRegistration* MainWindow::registration(const QString& key) const
{
    for (const WindowRegistration& window : windows_) {
        if (window.key == key)
            return &window;
    }
    return nullptr;
}

QPointer<QObject>& MainWindow::handleOf(const WindowRegistration& window)
{
    return window.handle ? ShellState.*window.handle : otherHandles_[window.key];
}

void MainWindow::setCommand(const QString& menuItem, Command command)
{
    commands_[menuItem] = std::move(command);
}

QMdiSubWindow* MainWindow::addChildWindow(QWidget* form)
{
    QMdiSubWindow* sub = mdi_->addSubWindow(form);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(programIcon());
    return sub;
}

QWidget* MainWindow::activeChild() const
{
    QMdiSubWindow* sub = mdi_->currentSubWindow();
    return sub ? sub->widget() : nullptr;
}

ChildWindow* MainWindow::activeChildWindow() const
{
    return qobject_cast<ChildWindow*>(activeChild());
}

QString MainWindow::activeChildName() const
{
    QWidget* child = activeChild();
    return child ? child->objectName() : QString();
}

void MainWindow::bringToFront(QObject* handle)
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

QWidget* MainWindow::showWindow(const QString& key)
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

void MainWindow::runWindowCommand(const QString& key)
{
    QWidget* form = showWindow(key);
    const WindowRegistration* window = registration(key);
    if (auto* child = qobject_cast<ChildWindow*>(form); child && window && window->opensFile)
        child->openFile(QString());
}

void MainWindow::rebuildWindowMenu()
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
    for (QAction* action : windowMenu_->actions()) {
        for (const auto& [key, entry] : entries_) {
            if (action == entry)
                present << action;
        }
    }
    if (present == wanted)
        return;
    for (QAction* entry : present)
        windowMenu_->removeAction(entry);
    windowMenu_->addActions(wanted);
}

void MainWindow::stopMeasuring()
{
    if (!MeasureState.MeasureWindowOpen)
        return;
    if (auto* window = qobject_cast<ChildWindow*>(ShellState.MeasureWindowHandle.data()))
        window->stopMeasuring();
}

void MainWindow::runCommand(const QString& name)
{
    const auto command = commands_.find(name);
    if (command != commands_.end() && command->second)
        command->second(*this);
}

// ---------------------------------------------------------------- commands

void MainWindow::measureInRealTime()
{
    runWindowCommand(QString::fromLatin1(kMeasureWindow));
}

void MainWindow::importData()
{
    runWindowCommand(QString::fromLatin1(kImportWindow));
}

// The data view in front, made first when none is open. Null when it could not be made.
ChildWindow* MainWindow::dataViewInFront()
{
    return qobject_cast<ChildWindow*>(showWindow(QString::fromLatin1(kDataViewWindow)));
}

void MainWindow::openDataView()
{
    runWindowCommand(QString::fromLatin1(kDataViewWindow));
}

void MainWindow::openSavedFile(const QString& path)
{
    try {
        if (auto* view = dataViewInFront())
            view->openFile(path);
    } catch (const std::exception& e) {
        messages().showException(e);
    }
}

void MainWindow::saveActiveWindow()
{
    // The window's own Save decides whether there is anything to save.
    if (ChildWindow* child = activeChildWindow())
        child->save();
}

void MainWindow::exportToExcel()
{
    stopMeasuring();
    runCommand(QStringLiteral("N7"));
}

void MainWindow::setUpPrinter()
{
    runCommand(QStringLiteral("N13"));
}

void MainWindow::printDataSheet()
{
    stopMeasuring();
    runCommand(QStringLiteral("N8"));
}

void MainWindow::reportNoise()
{
    if (ChildWindow* child = activeChildWindow(); child && child->canReportNoise())
        child->reportNoise();
}

void MainWindow::exitProgram()
{
    stopMeasuring();
    close();
}

void MainWindow::openSystemSetup()
{
    stopMeasuring();
    runCommand(QStringLiteral("N5"));
}

void MainWindow::openHelp()
{
    runCommand(QStringLiteral("Help"));
}

void MainWindow::openAbout()
{
    stopMeasuring();
    runCommand(QStringLiteral("A1"));
}

void MainWindow::cascadeWindows()
{
    cascadeAction_->setChecked(true);
    horizontalAction_->setChecked(false);
    verticalAction_->setChecked(false);
    mdi_->cascadeSubWindows();
}

void MainWindow::tileHorizontally()
{
    cascadeAction_->setChecked(false);
    horizontalAction_->setChecked(true);
    verticalAction_->setChecked(false);
    tile(TileMode::Horizontal);
}

void MainWindow::tileVertically()
{
    cascadeAction_->setChecked(false);
    horizontalAction_->setChecked(false);
    verticalAction_->setChecked(true);
    tile(TileMode::Vertical);
}

void MainWindow::tile(TileMode mode)
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
