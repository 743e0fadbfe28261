#include "widgets/reading_grid.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <QTableView>

#include <algorithm>

namespace sonavistor {

namespace {

// The widest text each column holds: RecNo of a full day, a level, the
// weighting letter, a time, a date (year/month/day, without leading zeros).
constexpr const char* kWidestValue[5] = {"888888", "188.8", "C", "28:58:58", "2028/12/28"};
constexpr const char* kTitle[5] = {"RecNo", "MeaValue", "Weight", "NTime", "NDate"};
constexpr int kCellPadding = 8;    // the cell's margins on both sides
constexpr int kTitlePadding = 12;  // the header section's frame and margins

}  // namespace

std::array<int, 5> readingColumnWidths(const QFontMetrics& cells, const QFontMetrics& titles)
{
    std::array<int, 5> widths{};
    for (size_t c = 0; c < widths.size(); ++c) {
        widths[c] = std::max(cells.horizontalAdvance(QString::fromLatin1(kWidestValue[c])) + kCellPadding,
                             titles.horizontalAdvance(QString::fromLatin1(kTitle[c])) + kTitlePadding);
    }
    return widths;
}

int fitReadingColumns(QTableView* grid)
{
    QFont compact = grid->font();
    compact.setPixelSize(11);
    grid->setFont(compact);
    grid->horizontalHeader()->setFont(compact);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(16);
    const auto widths = readingColumnWidths(QFontMetrics(compact), QFontMetrics(compact));
    int total = 0;
    for (int c = 0; c < static_cast<int>(widths.size()); ++c) {
        grid->setColumnWidth(c, widths[static_cast<size_t>(c)]);
        total += widths[static_cast<size_t>(c)];
    }
    return total;
}

int fitReadingColumnsToFont(QTableView* grid, int minimumRowHeight)
{
    const QFontMetrics cells(grid->font());
    grid->verticalHeader()->setDefaultSectionSize(std::max(minimumRowHeight, cells.height() + 4));
    const auto widths = readingColumnWidths(cells, QFontMetrics(grid->horizontalHeader()->font()));
    int total = 0;
    for (int c = 0; c < static_cast<int>(widths.size()); ++c) {
        grid->setColumnWidth(c, widths[static_cast<size_t>(c)]);
        total += widths[static_cast<size_t>(c)];
    }
    return total;
}

int gridWidthFor(const QTableView* grid, int columns)
{
    return columns + grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grid) + 2 * grid->frameWidth();
}

}  // namespace sonavistor
