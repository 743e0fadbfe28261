#pragma once
// The data view and analysis window (old form name TForm7): up to ten saved measurement
// files side by side, each a coloured line in one chart, all their readings
// in LoadData under running RecNo numbers, shown in a grid whose rows carry
// their file's colour.

#include "widgets/deferred_close.h"
#include "analysis/file_colours.h"
#include "common/child_window.h"
#include "common/window_context.h"

#include <QWidget>

#include <memory>

class QChartView;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class QTemporaryDir;

namespace sonavistor {

class LevelChart;
class MeasurementDatabase;
class NoisePanel;
class ReadingTableModel;

class DataViewWindow : public QWidget, public ChildWindow {
    Q_OBJECT
    Q_INTERFACES(sonavistor::ChildWindow)
public:
    DataViewWindow(MeasurementDatabase& database, const WindowContext& context);
    ~DataViewWindow() override;

    // Opens one saved file and adds it. Errors of the file system, of a
    // reading that does not parse and of the database are thrown for the
    // standard error box after the window has been put right; the file then
    // leaves nothing behind.
    void addSavedFile();
    // The same for a file chosen elsewhere (the noise history), without the dialog.
    void addSavedFile(const QString& path);

    int fileCount() const { return fileCount_; }
    const RecNoStarts& fileStarts() const { return fileStarts_; }
    LevelChart& chart() const { return *chart_; }
    // The colour of file 1 ... 10 in this window.
    QColor seriesColour(int file) const;
    // The saved files shown, in the order they were opened.
    const QStringList& openedFiles() const { return openedFiles_; }

    // ChildWindow
    std::optional<TableId> dataTable() const override { return TableLoadData; }
    bool canExport() const override { return true; }
    bool canReportNoise() const override { return !openedFiles_.isEmpty(); }
    void reportNoise() override { writeNoiseReport(); }
    void openFile(const QString& path) override;

public slots:
    void printGraph();  // Print Graph
    void zoomIn();  // Zoom In
    void zoomOut();  // Zoom Out
    void resetZoom();  // Reset Zoom
    void scrollLeft();  // scroll left
    void scrollRight();  // scroll right
    // File > Noise Report: the noise report of the files shown, as a PDF file.
    void writeNoiseReport();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The figures under the chart, for a screen reader.
    void describeChart();
    void startEmpty();
    void buildLayout();
    void refreshGrid();
    void refreshNoiseFigures();
    QString stagingFolder();

    MeasurementDatabase& database_;
    WindowContext context_;
    std::unique_ptr<LevelChart> chart_;
    std::unique_ptr<QTemporaryDir> staging_;
    ReadingTableModel* model_ = nullptr;
    bool loading_ = false;
    QString chosenPath_;  // set by addSavedFile(path) for the one load it starts
    DeferredClose closer_{*this};

    QStringList openedFiles_;
    int fileCount_ = 0;
    RecNoStarts fileStarts_{};

    QTableView* grid_ = nullptr;
    QChartView* chartView_ = nullptr;
    QLineEdit* fileCountEdit_ = nullptr;
    QLineEdit* minEdit_ = nullptr;
    QLineEdit* maxEdit_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    NoisePanel* noisePanel_ = nullptr;
};

}  // namespace sonavistor
