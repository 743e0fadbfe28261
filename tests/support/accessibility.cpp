#include "tests/support/accessibility.h"

#include <QAbstractButton>
#include <QAccessibleInterface>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMap>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <QWidget>
#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include <algorithm>

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

namespace {
bool takesTab(QWidget* w, QWidget* window)
{
    return window->isAncestorOf(w) && w->isEnabled() && w->isVisibleTo(window) && !w->size().isEmpty() &&
           (w->focusPolicy() & Qt::TabFocus) && !w->focusProxy();
}

QRect rectIn(QWidget* w, QWidget* window)
{
    return QRect(w->mapTo(window, QPoint(0, 0)), w->size());
}

// Whether b may follow a in the reading order of the layout. Two controls
// share a row when they overlap vertically by at least half the smaller
// one's height: a row's controls share its centre line whatever their
// heights (a 30-pixel box beside a 24-pixel button), successive rows do not
// overlap at all, and a tall control (a grid beside a chart) shares a row
// with what stands beside it. A control on a panel raised over another
// (the import window's date panel over its chart) comes after it.
bool followsInLayout(const QRect& a, const QRect& b)
{
    if (a.contains(b))
        return true;
    const int overlap = std::min(a.bottom(), b.bottom()) - std::max(a.top(), b.top());
    if (overlap >= std::min(a.height(), b.height()) / 2)
        return b.center().x() > a.center().x();
    return b.center().y() > a.center().y();
}
}  // namespace

QStringList tabOrderProblems(QWidget* window)
{
    QStringList problems;
    QWidget* first = nullptr;
    for (QWidget* w = window->nextInFocusChain(); w && w != window && !first; w = w->nextInFocusChain())
        if (takesTab(w, window))
            first = w;
    if (!first)
        return {QStringLiteral("no control takes Tab")};
    first->setFocus(Qt::TabFocusReason);
    if (QApplication::focusWidget() != first)
        return {QStringLiteral("cannot focus ") + nameOf(first) + QStringLiteral(": is the window active?")};

    // A control may keep Tab for a while (a help page steps through its
    // links); one that keeps it for this many presses traps the user.
    constexpr int kTrapPresses = 40;
    std::vector<QWidget*> stops{first};
    const auto all = window->findChildren<QWidget*>();
    const bool onlyOne = std::count_if(all.begin(), all.end(), [window](QWidget* w) { return takesTab(w, window); }) == 1;
    int same = 0;
    for (int press = 0; press < 4 * static_cast<int>(all.size()) + kTrapPresses; ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        if (!now || !window->isAncestorOf(now))
            break;
        if (now == first && onlyOne)
            break;  // the one control: Tab stays on it
        if (now == stops.back()) {
            if (++same == kTrapPresses) {
                problems << nameOf(now) + QStringLiteral(" keeps Tab");
                break;
            }
            continue;
        }
        same = 0;
        if (now == first)
            break;  // round the window
        if (std::find(stops.begin(), stops.end(), now) != stops.end()) {
            problems << nameOf(now) + QStringLiteral(" reached twice");
            break;
        }
        stops.push_back(now);
    }
    for (QWidget* w : all)
        if (takesTab(w, window) && std::find(stops.begin(), stops.end(), w) == stops.end())
            problems << nameOf(w) + QStringLiteral(" not reached");
    for (size_t i = 1; i < stops.size(); ++i)
        if (!followsInLayout(rectIn(stops[i - 1], window), rectIn(stops[i], window)))
            problems << nameOf(stops[i - 1]) + QStringLiteral(" before ") + nameOf(stops[i]);
    return problems;
}

namespace {
// Enter presses a dialog's default button, Escape its button box's cancel.
bool goesByEnterOrEscape(QAbstractButton* button)
{
    auto* push = qobject_cast<QPushButton*>(button);
    if (!push || !qobject_cast<QDialog*>(button->window()))
        return false;
    auto* box = qobject_cast<QDialogButtonBox*>(button->parentWidget());
    return push->isDefault() || (box && box->buttonRole(button) == QDialogButtonBox::RejectRole);
}
}  // namespace

QStringList keyProblems(QWidget* window, const QList<QKeySequence>& taken)
{
    QStringList problems;
    QMap<QString, QStringList> users;
    const auto use = [&users](const QKeySequence& key, const QString& who) {
        if (!key.isEmpty())
            users[key.toString(QKeySequence::PortableText)] << who;
    };
    for (const QKeySequence& key : taken)
        use(key, QStringLiteral("menu bar"));
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (!b->isVisibleTo(window))
            continue;
        const QKeySequence mnemonic = QKeySequence::mnemonic(b->text());
        use(mnemonic, nameOf(b));
        if (b->shortcut() != mnemonic)  // a caption's letter is its shortcut too
            use(b->shortcut(), nameOf(b));
        // A button Tab cannot reach is part of another control (a spinner's
        // arrow, a field's clear button), not a command of its own.
        const bool command = (qobject_cast<QPushButton*>(b) || qobject_cast<QToolButton*>(b)) &&
                             (b->focusPolicy() & Qt::TabFocus);
        if (command && mnemonic.isEmpty() && b->shortcut().isEmpty() && !goesByEnterOrEscape(b))
            problems << nameOf(b) + QStringLiteral(" has no mnemonic or shortcut");
    }
    for (QLabel* label : window->findChildren<QLabel*>())
        if (label->buddy() && label->isVisibleTo(window))
            use(QKeySequence::mnemonic(label->text()), label->text());
    for (QTabBar* tabs : window->findChildren<QTabBar*>())
        if (tabs->isVisibleTo(window))
            for (int i = 0; i < tabs->count(); ++i)
                use(QKeySequence::mnemonic(tabs->tabText(i)), tabs->tabText(i));
    for (QShortcut* shortcut : window->findChildren<QShortcut*>())
        if (shortcut->isEnabled())
            for (const QKeySequence& key : shortcut->keys())
                use(key, QStringLiteral("shortcut"));
    for (auto it = users.cbegin(); it != users.cend(); ++it)
        if (it.value().size() > 1)
            problems << it.key() + QStringLiteral(" is shared by ") + it.value().join(QStringLiteral(", "));
    return problems;
}

QList<QKeySequence> menuMnemonics(QWidget* menuBar)
{
    QList<QKeySequence> keys;
    if (auto* bar = qobject_cast<QMenuBar*>(menuBar))
        for (QAction* menu : bar->actions())
            keys << QKeySequence::mnemonic(menu->text());
    return keys;
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
