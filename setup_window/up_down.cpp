#include "setup_window/up_down.h"

#include "setup/alarm_level.h"

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
        layout->addWidget(b);
        connect(b, &QToolButton::clicked, this, [this, delta] { step(delta); });
    };
    arrow(Qt::UpArrow, associate->accessibleName() + QStringLiteral(" up"), 1);
    arrow(Qt::DownArrow, associate->accessibleName() + QStringLiteral(" down"), -1);
}

void UpDown::step(int delta)
{
    position_ = spinnerStep(associate_->text(), position_, delta, min_, max_);
    associate_->setText(QString::number(position_));
}

}  // namespace sonavistor
