#include "widgets/announcer.h"

#include <QAccessible>

namespace sonavistor {

Announcer::Announcer(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("Announcements"));
    setAccessibleDescription(QStringLiteral("Announcements"));
    setFocusPolicy(Qt::NoFocus);
    // Shown, so the bus reports it, but too small to see.
    setGeometry(0, 0, 1, 1);
    setStyleSheet(QStringLiteral("color: transparent; background: transparent;"));
}

void Announcer::say(const QString& text)
{
    // The same words twice still count: the second alarm is news too.
    if (text == this->text())
        setText(QString());
    setText(text);  // raises the name change itself
    QAccessibleEvent alert(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

}  // namespace sonavistor
