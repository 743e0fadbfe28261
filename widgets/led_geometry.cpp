#include "widgets/led_geometry.h"

namespace sonavistor {

const std::array<const char*, 11> DigitSegments = {"012345", "12",    "01643",  "01623", "5612",   "05623",
                                                   "054326", "012",   "0123456", "650123", "6"};

std::vector<QPoint> LedCellPoints::segment(int s) const
{
    const auto* first = SegmentPoints.data() + 6 * s;
    return s == 6 ? std::vector<QPoint>(first, first + 6) : std::vector<QPoint>(first, first + 4);
}

std::vector<QPoint> LedCellPoints::dot() const
{
    return {DotPoints.begin(), DotPoints.begin() + 4};
}

LedCellPoints BuildSegments(int x, int y, int W, int H, int T)
{
    const int m1 = (H - 1) / 2;
    const int m2 = (H + 1) / 2;
    LedCellPoints p;
    const auto quad = [&p](int s, QPoint a, QPoint b, QPoint c, QPoint d) {
        // The four corners, then the fourth twice more.
        const QPoint points[6] = {a, b, c, d, d, d};
        for (int i = 0; i < 6; ++i)
            p.SegmentPoints[static_cast<size_t>(6 * s + i)] = points[i];
    };
    quad(0, {x + 2, y}, {x + T + 1, y + T - 1}, {x + W - 2 * T - 3, y + T - 1}, {x + W - T - 4, y});
    quad(1, {x + W - T - 2, y + 1}, {x + W - 2 * T - 1, y + T}, {x + W - 2 * T - 1, y + m1 - T}, {x + W - T - 2, y + m1 - 1});
    quad(2, {x + W - T - 2, y + m1 + 1}, {x + W - 2 * T - 1, y + m1 + T}, {x + W - 2 * T - 1, y + H - T - 1},
         {x + W - T - 2, y + H - 2});
    quad(3, {x + W - T - 4, y + H - 1}, {x + W - 2 * T - 3, y + H - T}, {x + T + 1, y + H - T}, {x + 2, y + H - 1});
    quad(4, {x, y + H - 2}, {x + T - 1, y + H - T - 1}, {x + T - 1, y + m1 + T}, {x, y + m1 + 1});
    quad(5, {x, y + m1 - 1}, {x + T - 1, y + m1 - T}, {x + T - 1, y + T}, {x, y + 1});
    std::array<QPoint, 6> middle;
    if (T != 1)
        middle = {QPoint{x + T, y + m2 - T + 1}, {x + 2, y + m2 - 1}, {x + T, y + m2 + T - 3},
                  {x + W - 2 * T - 2, y + m2 + T - 3}, {x + W - T - 4, y + m2 - 1}, {x + W - 2 * T - 2, y + m2 - T + 1}};
    else
        middle = {QPoint{x + T + 1, y + m2 - T}, {x + 2, y + m2 - 1}, {x + T + 1, y + m2 + T - 2},
                  {x + W - 2 * T - 3, y + m2 + T - 2}, {x + W - T - 4, y + m2 - 1}, {x + W - 2 * T - 3, y + m2 - T}};
    for (int i = 0; i < 6; ++i)
        p.SegmentPoints[static_cast<size_t>(36 + i)] = middle[static_cast<size_t>(i)];
    const QPoint corner{x + W - T, y + H - T};
    p.DotPoints = {corner, QPoint{x + W - T, y + H}, QPoint{x + W, y + H}, QPoint{x + W, y + H - T}, corner, corner};
    return p;
}

bool LedMetrics::setWordWidth(int v)
{
    if (v == WordWidth || v <= 2 * Thick)
        return false;
    WordWidth = v;
    return true;
}

bool LedMetrics::setWordHeight(int v)
{
    if (v == WordHeight || v <= 4 * Thick - 1)
        return false;
    WordHeight = v % 2 ? v : v + 1;
    return true;
}

bool LedMetrics::setThick(int v)
{
    if (v == Thick || 2 * v >= WordWidth || 4 * v - 1 >= WordHeight || (WordHeight - 4 * v + 1) % 2 != 0)
        return false;
    Thick = v;
    return true;
}

QString cellText(const QString& text)
{
    QString cells = text;
    const qsizetype point = cells.indexOf(QLatin1Char('.'));
    if (point >= 0)
        cells.remove(point, 1);
    return cells;
}

std::vector<LedPolygon> planDigits(const QString& text, const LedMetrics& m, bool drawUnlit, bool drawLit)
{
    std::vector<LedPolygon> plan;
    const int d = static_cast<int>(text.indexOf(QLatin1Char('.'))) + 1;  // 1-based, 0: none
    const QString cells = cellText(text);
    int cursorX = 0;
    int cursorY = 0;
    for (int p = 1; p <= cells.size(); ++p) {
        if (p == 1) {
            cursorX += m.OffSetX;
            cursorY += m.OffSetY;
        } else {
            cursorX += m.WordWidth + m.Space;
        }
        const LedCellPoints cell = BuildSegments(cursorX, cursorY, m.WordWidth, m.WordHeight, m.Thick);
        if (drawUnlit) {
            for (const char* s = DigitSegments[8]; *s; ++s)
                plan.push_back({cell.segment(*s - '0'), false});
            plan.push_back({cell.dot(), false});
        }
        const QChar c = cells[p - 1];
        if (c == QLatin1Char(' ') || !drawLit)
            continue;
        if (c == QLatin1Char('-')) {
            plan.push_back({cell.segment(6), true});
        } else if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            for (const char* s = DigitSegments[static_cast<size_t>(c.unicode() - '0')]; *s; ++s)
                plan.push_back({cell.segment(*s - '0'), true});
            if (p == d - 1)
                plan.push_back({cell.dot(), true});
        }
    }
    return plan;
}

QSize autoSizeFor(const QString& text, const LedMetrics& m)
{
    const int n = static_cast<int>(cellText(text).size());
    return {n * m.WordWidth + (n - 1) * m.Space + 2 * m.OffSetX, 2 * m.OffSetY + m.WordHeight};
}

}  // namespace sonavistor
