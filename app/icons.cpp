#include "app/icons.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace sonavistor {

namespace {

QPixmap canvas(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void drawMeter(QPainter& p)
{
    // A hand-held meter: body, display, and a microphone ball on top.
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    p.setBrush(QColor(60, 90, 140));
    p.drawRoundedRect(QRectF(9, 9, 14, 21), 3, 3);
    p.setBrush(QColor(200, 230, 120));
    p.drawRect(QRectF(11.5, 12, 9, 6));
    p.setBrush(QColor(90, 90, 90));
    p.drawEllipse(QRectF(11, 1, 10, 9));
}

void drawWave(QPainter& p, const QColor& color)
{
    QPainterPath wave;
    wave.moveTo(2, 22);
    for (int x = 2; x <= 30; ++x)
        wave.lineTo(x, 22 - 7 * std::sin((x - 2) * 0.55) * (0.4 + (x % 5) * 0.15));
    p.setPen(QPen(color, 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(wave);
}

void drawDocument(QPainter& p, const QColor& fold)
{
    p.setPen(QPen(QColor(60, 60, 60), 1.2));
    p.setBrush(Qt::white);
    QPolygonF page({QPointF(7, 3), QPointF(20, 3), QPointF(26, 9), QPointF(26, 29), QPointF(7, 29)});
    p.drawPolygon(page);
    p.setBrush(fold);
    p.drawPolygon(QPolygonF({QPointF(20, 3), QPointF(20, 9), QPointF(26, 9)}));
}

QPixmap paintTool(int index)
{
    QPixmap pixmap = canvas(32);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
    case 0:  // real time measure: a level trace
        p.setPen(QPen(QColor(0, 100, 0), 1));
        p.setBrush(QColor(0, 128, 0));
        p.drawRoundedRect(QRectF(1, 4, 30, 24), 3, 3);
        drawWave(p, QColor(255, 255, 0));
        break;
    case 1:  // import data: the meter with an arrow out of it
        drawMeter(p);
        p.setPen(QPen(QColor(200, 40, 40), 3));
        p.drawLine(QPointF(24, 20), QPointF(31, 20));
        p.setBrush(QColor(200, 40, 40));
        p.drawPolygon(QPolygonF({QPointF(31, 14), QPointF(31, 26), QPointF(24, 20)}));
        break;
    case 2:  // open: a folder
        p.setPen(QPen(QColor(120, 90, 20), 1.2));
        p.setBrush(QColor(240, 200, 90));
        p.drawRect(QRectF(2, 9, 27, 19));
        p.drawRect(QRectF(2, 6, 11, 4));
        break;
    case 4:  // export to a spreadsheet: a grid
        drawDocument(p, QColor(30, 130, 60));
        p.setPen(QPen(QColor(30, 130, 60), 1));
        for (int y = 12; y <= 26; y += 4)
            p.drawLine(9, y, 24, y);
        p.drawLine(14, 12, 14, 26);
        p.drawLine(19, 12, 19, 26);
        break;
    case 5:  // print: a printer
        p.setPen(QPen(QColor(50, 50, 50), 1.2));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 3, 14, 10));
        p.setBrush(QColor(150, 150, 160));
        p.drawRoundedRect(QRectF(3, 12, 26, 12), 2, 2);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 20, 14, 9));
        break;
    case 6:  // options: a gear
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(90, 90, 110));
        for (int i = 0; i < 8; ++i) {
            p.save();
            p.translate(16, 16);
            p.rotate(i * 45);
            p.drawRect(QRectF(-2.5, -14, 5, 6));
            p.restore();
        }
        p.drawEllipse(QPointF(16, 16), 10, 10);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(16, 16), 4, 4);
        break;
    case 8:  // about: an i in a circle
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 90, 200));
        p.drawEllipse(QRectF(2, 2, 28, 28));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(14, 7, 4, 4));
        p.drawRect(QRectF(14, 13, 4, 12));
        break;
    case 9:  // exit: a door with an arrow
        p.setPen(QPen(QColor(90, 60, 30), 1.2));
        p.setBrush(QColor(170, 120, 70));
        p.drawRect(QRectF(4, 3, 14, 26));
        p.setPen(QPen(QColor(200, 30, 30), 3));
        p.drawLine(QPointF(14, 16), QPointF(27, 16));
        p.setBrush(QColor(200, 30, 30));
        p.setPen(Qt::NoPen);
        p.drawPolygon(QPolygonF({QPointF(31, 16), QPointF(25, 10), QPointF(25, 22)}));
        break;
    default:
        drawDocument(p, QColor(180, 180, 180));
        break;
    }
    return pixmap;
}

}  // namespace

QIcon toolBarIcon(int index)
{
    return QIcon(paintTool(index));
}

QPixmap statusIcon(int index)
{
    QPixmap pixmap = canvas(16);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (index == 0) {
        // connected: a green plug
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 160, 0));
        p.drawRoundedRect(QRectF(3, 5, 10, 8), 2, 2);
        p.setBrush(QColor(80, 80, 80));
        p.drawRect(QRectF(5, 1, 2, 4));
        p.drawRect(QRectF(9, 1, 2, 4));
        p.drawRect(QRectF(7, 13, 2, 3));
    } else {
        // always: a small meter
        p.scale(0.5, 0.5);
        drawMeter(p);
    }
    return pixmap;
}

QIcon programIcon()
{
    return toolBarIcon(0);
}

}  // namespace sonavistor
