#include "history_window/history_models.h"

#include "history_window/level_colours.h"

#include <QColor>
#include <QFont>

#include <limits>

namespace sonavistor {

void CalendarModel::setDays(std::vector<CalendarDay> days)
{
    beginResetModel();
    days_ = std::move(days);
    endResetModel();
}

int CalendarModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(days_.size());
}

int CalendarModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 24;
}

QVariant CalendarModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const CalendarDay& day = days_[static_cast<size_t>(index.row())];
    const HourFigures& cell = day.hours[static_cast<size_t>(index.column())];
    switch (role) {
    case Qt::BackgroundRole:
        return cell.count ? QVariant(levelColour(cell.leq)) : QVariant();
    case Qt::AccessibleTextRole:
    case Qt::ToolTipRole:
        return hourCellName(day.date, index.column(), cell);
    default:
        return {};
    }
}

QVariant CalendarModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole)
            return QStringLiteral("%1").arg(section, 2, 10, QLatin1Char('0'));
        if (role == Qt::AccessibleTextRole || role == Qt::ToolTipRole)
            return QStringLiteral("%1:00").arg(section, 2, 10, QLatin1Char('0'));
        return {};
    }
    if (section < 0 || section >= rowCount())
        return {};
    const QDate date = days_[static_cast<size_t>(section)].date;
    // A month's first day names the month and stands out, so months are seen while scrolling.
    const bool monthStarts = date.day() == 1 || section == 0;
    switch (role) {
    case Qt::DisplayRole:
        return monthStarts ? date.toString(QStringLiteral("MMM yyyy  d ddd")) : date.toString(QStringLiteral("d ddd"));
    case Qt::AccessibleTextRole:
    case Qt::ToolTipRole:
        return date.toString(Qt::ISODate);
    case Qt::FontRole:
        if (monthStarts) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    default:
        return {};
    }
}

void DayTableModel::setRows(std::vector<DayRow> rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

int DayTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int DayTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(DayColumn::Count);
}

QVariant DayTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const DayRow& row = rows_[static_cast<size_t>(index.row())];
    const auto column = static_cast<DayColumn>(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return dayCellText(row, column);
    case SortRole:
        if (column == DayColumn::File)
            return row.path;
        // Missing figures sort before every figure.
        return dayCellValue(row, column).value_or(-std::numeric_limits<double>::infinity());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(column == DayColumn::File ? Qt::AlignLeft | Qt::AlignVCenter
                                                             : Qt::AlignRight | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant DayTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return dayColumnTitle(static_cast<DayColumn>(section));
    return {};
}

}  // namespace sonavistor
