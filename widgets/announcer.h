#pragma once
// A place where the window says something to a screen reader without moving
// the focus: a one-pixel label whose text is the latest announcement. Its
// name change and an alert go out to the accessibility bus; nothing is
// drawn that a sighted user would notice.

#include <QLabel>

namespace sonavistor {

class Announcer : public QLabel {
    Q_OBJECT
public:
    explicit Announcer(QWidget* parent);

    void say(const QString& text);
    QString lastSaid() const { return text(); }
};

}  // namespace sonavistor
