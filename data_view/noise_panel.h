#pragma once
// The noise figures of the data view's files: one row per calendar day and
// weighting with Lden, Lday, Levening, Lnight and the number of events.

#include "analysis/noise_figures.h"

#include <QStringList>
#include <QTableWidget>

#include <vector>

namespace sonavistor {

// The panel's columns and each day's cells ("-" for a figure without readings).
QStringList noisePanelTitles();
std::vector<QStringList> noisePanelRows(const NoiseFigures& figures);

class NoisePanel : public QTableWidget {
    Q_OBJECT
public:
    explicit NoisePanel(QWidget* parent = nullptr);
    void showFigures(const NoiseFigures& figures);
};

}  // namespace sonavistor
