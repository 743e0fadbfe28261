#include "setup_window/up_down.h"

#include "setup/alarm_level.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace sonavistor {

UpDown::UpDown(QLineEdit* associate, int min, int max, int position, QWidget* parent)
    : QWidget(parent), associate_(associate), min_(min), max_(max), position_(position)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const auto arrow = [this, layout](Qt::ArrowType type, const QString& name, int delta) {
        auto* b = new QToolButton(this);
        b->setArrowType(type);
        b->setAccessibleName(name);
        b->setAutoRepeat(true);
        b->setFixedSize(17, 12);
        // Part of the field: Tab passes them by, Up and Down in the field step.
        b->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(b);
        connect(b, &QToolButton::clicked, this, [this, delta] { step(delta); });
    };
    arrow(Qt::UpArrow, associate->accessibleName() + QStringLiteral(" up"), 1);
    arrow(Qt::DownArrow, associate->accessibleName() + QStringLiteral(" down"), -1);
    associate->installEventFilter(this);
}

bool UpDown::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == associate_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void UpDown::step(int delta)
{
    position_ = spinnerStep(associate_->text(), position_, delta, min_, max_);
    associate_->setText(QString::number(position_));
}

}  // namespace sonavistor
