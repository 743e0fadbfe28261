#include "app/panel_status_bar.h"

#include <QPainter>
#include <qdrawutil.h>
#include <QStyle>
#include <QStyleOption>

namespace sonavistor {

PanelStatusBar::PanelStatusBar(const std::vector<int>& widths, QWidget* parent)
    : QStatusBar(parent)
{
    for (int w : widths)
        panels_.push_back({w, QString()});
    setSizeGripEnabled(false);
}

void PanelStatusBar::setPanelText(int index, const QString& text)
{
    if (panels_.at(index).text == text)
        return;
    panels_.at(index).text = text;
    // The panels are painted, not widgets: a screen reader reads the bar's
    // name instead, the panels' texts in order.
    QStringList shown;
    for (const Panel& panel : panels_)
        if (!panel.text.isEmpty())
            shown << panel.text;
    setAccessibleName(shown.join(QStringLiteral(", ")));
}

QRect PanelStatusBar::panelRect(int index) const
{
    int left = 0;
    for (int i = 0; i < index; ++i)
        left += panels_[i].width;
    int width = panels_.at(index).width;
    // The last panel takes the rest of the bar, as a status bar's last panel does.
    if (index == panelCount() - 1)
        width = qMax(width, this->width() - left);
    return QRect(left, 0, width, height());
}

void PanelStatusBar::setOwnerDrawn(int index, DrawPanel draw)
{
    ownerDrawn_ = index;
    draw_ = std::move(draw);
}

void PanelStatusBar::paintEvent(QPaintEvent*)
{
    ++paintCount_;
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    for (int i = 0; i < panelCount(); ++i) {
        const QRect r = panelRect(i).adjusted(1, 2, -1, -1);
        qDrawShadePanel(&painter, r, palette(), true, 1);
        if (i == ownerDrawn_ && draw_) {
            painter.save();
            draw_(painter, r);
            painter.restore();
        } else {
            painter.drawText(r.adjusted(3, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft,
                             panels_[i].text);
        }
    }
}

}  // namespace sonavistor
