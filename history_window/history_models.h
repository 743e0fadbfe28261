#pragma once
// The noise history window's two tables as item models: the calendar (a row
// per date, 24 hour cells coloured by their Leq, each cell named for screen
// readers) and the day table (sortable through a proxy on SortRole).

#include "history/history_overview.h"

#include <QAbstractTableModel>

namespace sonavistor {

class CalendarModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setDays(std::vector<CalendarDay> days);
    const std::vector<CalendarDay>& days() const { return days_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<CalendarDay> days_;
};

class DayTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int SortRole = Qt::UserRole;
    using QAbstractTableModel::QAbstractTableModel;
    void setRows(std::vector<DayRow> rows);
    const std::vector<DayRow>& rows() const { return rows_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<DayRow> rows_;
};

}  // namespace sonavistor
