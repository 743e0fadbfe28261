#include "data_view/noise_panel.h"

#include "common/number_text.h"

#include <QHeaderView>

namespace sonavistor {

namespace {

QString level(const std::optional<double>& value)
{
    return value ? oneDecimal(*value) : QStringLiteral("-");
}

}  // namespace

QStringList noisePanelTitles()
{
    return {QStringLiteral("Date"),     QStringLiteral("Weighting"), QStringLiteral("Lden"),  QStringLiteral("Lday"),
            QStringLiteral("Levening"), QStringLiteral("Lnight"),    QStringLiteral("Events")};
}

std::vector<QStringList> noisePanelRows(const NoiseFigures& figures)
{
    std::vector<QStringList> rows;
    for (const DayFigures& d : figures.days) {
        rows.push_back({dayText(d.day), QString(QLatin1Char(d.weighting)), level(d.lden.level),
                        level(d.period(Period::Day).leq), level(d.period(Period::Evening).leq),
                        level(d.period(Period::Night).leq), QString::number(d.events)});
    }
    return rows;
}

NoisePanel::NoisePanel(QWidget* parent) : QTableWidget(parent)
{
    setObjectName(QStringLiteral("NoiseFigures"));
    setAccessibleName(QStringLiteral("Noise figures"));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);  // read-only: Tab leaves, arrows move
    setSelectionBehavior(QAbstractItemView::SelectRows);
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    setColumnCount(static_cast<int>(noisePanelTitles().size()));
    setHorizontalHeaderLabels(noisePanelTitles());
    setMaximumHeight(110);
}

void NoisePanel::showFigures(const NoiseFigures& figures)
{
    const std::vector<QStringList> rows = noisePanelRows(figures);
    setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < rowCount(); ++r) {
        const QStringList& cells = rows[static_cast<size_t>(r)];
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(c >= 2 ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter);
            setItem(r, c, item);
        }
    }
}

}  // namespace sonavistor
