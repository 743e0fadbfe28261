#include "data_view/noise_panel.h"

#include "analysis/noise_summary.h"
#include "common/number_text.h"

#include <QHeaderView>

namespace sonavistor {

namespace {

QString level(const std::optional<double>& value)
{
    return value ? oneDecimal(*value) : QStringLiteral("-");
}

QString coverage(double share, bool used)
{
    return oneDecimal(100 * share) + QStringLiteral(" %") + (used ? QString() : QStringLiteral(" *"));
}

}  // namespace

QStringList noisePanelTitles()
{
    return {QStringLiteral("Date"),   QStringLiteral("Weighting"), QStringLiteral("Lden"),
            QStringLiteral("Lday"),   QStringLiteral("Levening"),  QStringLiteral("Lnight"),
            QStringLiteral("Events"), QStringLiteral("Coverage")};
}

std::vector<QStringList> noisePanelRows(const NoiseFigures& figures, const NoiseOptions& options)
{
    std::vector<QStringList> rows;
    for (const NoiseSummary& s : summariseNoise(figures, options.minCoverage)) {
        int events = 0;
        for (const DayFigures& d : figures.days)
            events += d.weighting == s.weighting ? d.events : 0;
        rows.push_back({QStringLiteral("Whole measurement"), QString(QLatin1Char(s.weighting)), level(s.lden),
                        level(s.lday), level(s.levening), level(s.lnight), QString::number(events),
                        QStringLiteral("%1 of %2 days, %3 of %4 nights")
                            .arg(s.daysUsed)
                            .arg(s.daysUsed + s.daysLeftOut)
                            .arg(s.nightsUsed)
                            .arg(s.nightsUsed + s.nightsLeftOut)});
    }
    for (const DayFigures& d : figures.days) {
        rows.push_back({dayText(d.day), QString(QLatin1Char(d.weighting)), level(d.lden.level),
                        level(d.period(Period::Day).leq), level(d.period(Period::Evening).leq),
                        level(d.period(Period::Night).leq), QString::number(d.events),
                        coverage(d.lden.coverage, inSummary(d, options.minCoverage))});
    }
    for (const NightFigures& n : figures.nights) {
        rows.push_back({QStringLiteral("Night ") + nightText(n.from), QString(QLatin1Char(n.weighting)), QString(),
                        QString(), QString(), level(n.lnight), QString::number(n.events),
                        coverage(n.coverage, inSummary(n, options.minCoverage))});
    }
    return rows;
}

NoisePanel::NoisePanel(QWidget* parent) : QTableWidget(parent)
{
    setObjectName(QStringLiteral("NoiseFigures"));
    setAccessibleName(QStringLiteral("Noise figures"));
    setAccessibleDescription(
        QStringLiteral("The whole measurement, then each day and each night. Coverage marked *: "
                       "below 75 %, left out of the whole measurement."));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);  // read-only: Tab leaves, arrows move
    setSelectionBehavior(QAbstractItemView::SelectRows);
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    setColumnCount(static_cast<int>(noisePanelTitles().size()));
    setHorizontalHeaderLabels(noisePanelTitles());
    setMaximumHeight(140);
}

void NoisePanel::showFigures(const NoiseFigures& figures, const NoiseOptions& options)
{
    const std::vector<QStringList> rows = noisePanelRows(figures, options);
    setRowCount(static_cast<int>(rows.size()));
    const QString note = QStringLiteral("* below %1 % coverage: left out of the whole measurement")
                             .arg(oneDecimal(100 * options.minCoverage));
    for (int r = 0; r < rowCount(); ++r) {
        const QStringList& cells = rows[static_cast<size_t>(r)];
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(c >= 2 ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter);
            if (cells[c].endsWith(QLatin1Char('*')))
                item->setToolTip(note);
            setItem(r, c, item);
        }
    }
}

}  // namespace sonavistor
