#pragma once
// The noise figures of the data view's files: first the whole measurement's
// (the energy average over the days and nights covered well enough, one row
// per weighting), then one row per calendar day and weighting with Lden,
// Lday, Levening, Lnight and the number of events, then one row per night
// (23-07 h across midnight) with its Lnight.

#include "analysis/noise_figures.h"

#include <QStringList>
#include <QTableWidget>

#include <vector>

namespace sonavistor {

// The panel's columns and each row's cells ("-" for a figure without
// readings, empty where a row has no such figure).
QStringList noisePanelTitles();
std::vector<QStringList> noisePanelRows(const NoiseFigures& figures, const NoiseOptions& options = {});

class NoisePanel : public QTableWidget {
    Q_OBJECT
public:
    explicit NoisePanel(QWidget* parent = nullptr);
    void showFigures(const NoiseFigures& figures, const NoiseOptions& options = {});
};

}  // namespace sonavistor
