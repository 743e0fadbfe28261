#include "tests/support/accessibility.h"

#include <QAccessibleInterface>
#include <QWidget>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

namespace sonavistor::test {

namespace {
AccessibilityEvents* recorder = nullptr;

void record(QAccessibleEvent* event)
{
    if (recorder)
        recorder->events.push_back({event->object(), event->type(), accessibleText(event->object())});
}
}  // namespace

// Events reach the handler only while the platform's accessibility is on,
// which without a screen reader on the bus it never is.
static void setActive(bool on)
{
    if (QPlatformIntegration* platform = QGuiApplicationPrivate::platformIntegration())
        if (QPlatformAccessibility* accessibility = platform->accessibility())
            accessibility->setActive(on);
}

QString accessibleText(QObject* object, QAccessible::Text which)
{
    QAccessibleInterface* iface = object ? QAccessible::queryAccessibleInterface(object) : nullptr;
    return iface ? iface->text(which) : QString();
}

namespace {
std::vector<QWidget*> tabWidgets(QWidget* window)
{
    std::vector<QWidget*> stops;
    for (QWidget* w = window->nextInFocusChain(); w && w != window && stops.size() < 200; w = w->nextInFocusChain()) {
        if (window->isAncestorOf(w) && w->isEnabled() && w->isVisibleTo(window) && (w->focusPolicy() & Qt::TabFocus) &&
            !w->focusProxy())
            stops.push_back(w);
    }
    return stops;
}

QString nameOf(QWidget* w)
{
    return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
}
}  // namespace

QStringList tabStops(QWidget* window)
{
    QStringList stops;
    for (QWidget* w : tabWidgets(window))
        stops << nameOf(w);
    return stops;
}

QStringList unnamedTabStops(QWidget* window)
{
    QStringList unnamed;
    for (QWidget* w : tabWidgets(window))
        if (accessibleText(w).trimmed().isEmpty())
            unnamed << nameOf(w);
    return unnamed;
}

AccessibilityEvents::AccessibilityEvents()
{
    recorder = this;
    QAccessible::installUpdateHandler(record);
    setActive(true);
}

AccessibilityEvents::~AccessibilityEvents()
{
    setActive(false);
    QAccessible::installUpdateHandler(nullptr);
    recorder = nullptr;
}

QStringList AccessibilityEvents::alerts() const
{
    QStringList names;
    for (const Event& e : events)
        if (e.type == QAccessible::Alert)
            names << e.name;
    return names;
}

}  // namespace sonavistor::test
