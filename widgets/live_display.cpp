#include "widgets/live_display.h"

#include "common/number_text.h"

#include <cmath>
#include <cstdlib>

namespace sonavistor {

int roundHalfEven(double x)
{
    return static_cast<int>(std::nearbyint(x));  // the default rounding mode: to even
}

GaugeState gaugeFor(double v, int low, int high)
{
    GaugeState g;
    int b = roundHalfEven(v - low);
    if (low > v) {
        g.under = true;
        b = 1;
    }
    if (high < v) {
        g.over = true;
        b = 50;
    }
    g.ticks = b / 2;
    return g;
}

std::array<GaugeTick, 50> gaugeTicks(int w, int h)
{
    const int cx = roundHalfEven(w / 2.0);
    const int cy = h;
    const int r1 = h - 15;
    const int r2 = h - 35;
    double theta = 3.1415926 * 7 / 9;  // 140 degrees
    std::array<GaugeTick, 50> ticks;
    for (GaugeTick& t : ticks) {
        t.from = {roundHalfEven(std::cos(theta) * r1) + cx, cy - roundHalfEven(std::sin(theta) * r1)};
        t.to = {roundHalfEven(std::cos(theta) * r2) + cx, cy - roundHalfEven(std::sin(theta) * r2)};
        theta -= 3.1415926 / 90;  // 2 degrees
    }
    return ticks;
}

std::vector<QPoint> linePixels(QPoint from, QPoint to)
{
    // Bresenham's walk over the longer axis.
    const int dx = std::abs(to.x() - from.x());
    const int dy = -std::abs(to.y() - from.y());
    const int sx = from.x() < to.x() ? 1 : -1;
    const int sy = from.y() < to.y() ? 1 : -1;
    std::vector<QPoint> pixels;
    int error = dx + dy;
    QPoint p = from;
    while (p != to) {
        pixels.push_back(p);
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            p.rx() += sx;
        }
        if (twice <= dx) {
            error += dx;
            p.ry() += sy;
        }
    }
    return pixels;
}

int centredLeft(int imageWidth, int textLength, int cellWidth)
{
    return (imageWidth - (textLength - 1) * cellWidth) / 2;
}

void LiveStatistics::add(double v, int readingCount)
{
    if (readingCount == 1) {
        MinLevel = v;
        MaxLevel = v;
        LevelSum = 0;
    }
    if (MinLevel > v)
        MinLevel = v;
    if (MaxLevel < v)
        MaxLevel = v;
    LevelSum += v;
}

QString footerLine1(double max, double min, double average)
{
    const QString gap(28, QLatin1Char(' '));
    return QStringLiteral("          MAX:     ") + oneDecimal(max) + gap + QStringLiteral("MIN:     ") +
           oneDecimal(min) + gap + QStringLiteral("AVG:     ") + oneDecimal(average);
}

QString footerLine2(const QString& date)
{
    return QStringLiteral("          Date:     ") + date;
}

double gridLevel(const QString& meaValue)
{
    if (meaValue.isEmpty())
        return 0;
    const int whole = meaValue.left(meaValue.size() - 2).toInt();
    const QChar last = meaValue.back();
    return whole + (last.isDigit() ? last.digitValue() : 0) / 10.0;
}

QColor rowColour(const QString& meaValue, double max, double min)
{
    const double v = gridLevel(meaValue);
    QColor colour(0, 0, 0);
    if (v >= max)
        colour = QColor(255, 0, 0);
    if (v <= min)
        colour = QColor(128, 0, 128);
    return colour;
}

QString rowDate(const QDate& date)
{
    return QStringLiteral("%1/%2/%3").arg(date.year()).arg(date.month()).arg(date.day());
}

QString rowTime(const QTime& time)
{
    return QStringLiteral("%1:%2:%3").arg(time.hour()).arg(time.minute()).arg(time.second());
}

}  // namespace sonavistor
