#pragma once
// The import window (old form name TForm4): reads the meter's record count and recording
// days once per window and connection, lets the user pick a day, imports its
// records (with three automatic retries) into GetRecorde, and shows them as
// a chart, a table and the figures Records, MAX, MIN and AVG; Save writes
// the day as a saved measurement file.

#include "widgets/deferred_close.h"
#include "common/child_window.h"
#include "common/window_context.h"
#include "import/import_session.h"
#include "import_window/import_figures.h"
#include "meter/meter_answers.h"
#include "meter/meter_reservation.h"
#include "store/reading_row.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <vector>

class QChartView;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTableView;
class QTimer;

namespace sonavistor {

class LevelChart;
class MeasurementDatabase;
class MessageService;
class MeterConnection;
class ProgressBarProgress;
class ReadingTableModel;
enum class RequestResult;

class ImportWindow : public QWidget, public ChildWindow {
    Q_OBJECT
    Q_INTERFACES(sonavistor::ChildWindow)
public:
    // What the window is busy with. The close box waits for it to end.
    enum class Operation { None, ReadingDates, Importing, WaitingForRetry, Saving };

    // toolBar: the main window's tool bar, disabled while the window talks
    // to the meter; null when there is none.
    ImportWindow(MeasurementDatabase& database, MeterConnection& meter, const WindowContext& context,
           QWidget* toolBar = nullptr);
    ~ImportWindow() override;

    LevelChart& chart() const { return *chart_; }
    Operation operation() const { return operation_; }
    int failedAttempts() const { return importSession_.failedAttempts(); }

    // ChildWindow
    std::optional<TableId> dataTable() const override { return TableGetRecorde; }
    bool gridIsWholeQuery() const override { return true; }
    bool canSave() const override { return saveEnabled(); }
    void save() override;
    bool canExport() const override;

    bool saveEnabled() const;

public slots:
    void openDayList();  // Import
    void importChosenDay();  // Import on the date panel
    void closeDayList();  // Back
    void retryImport();
    void saveDay();  // Save
    void printGraph();  // Print Graph

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void startEmpty();
    void buildLayout();
    QWidget* buildDatePanel(QWidget* chartPanel);
    QWidget* buildProgressPanel(QWidget* chartPanel);
    QWidget* buildChartButtons(QWidget* parent);
    QWidget* buildBottomBar();

    bool fetchDayList();
    void runAttempt(bool automatic);
    void attemptFailed();
    void showDay(const std::vector<ReadingRow>& rows);
    void showFigures();
    void clearFigures();
    // Back to a usable state after an import that could not go on.
    void abandonImport();
    void meterFailed(const QString& during, RequestResult result);

    // The window's message boxes: a close asked for while one is open
    // happens once it has closed.
    MessageService& messages() { return *messages_; }
    void afterMessage();

    void startOperation(Operation operation);
    void finishOperation();
    void closeWindow();
    void setToolBarEnabled(bool enabled);
    void showPanel(QWidget* panel);
    void centrePanels();
    void setChartButtonsEnabled(bool enabled);

    MeasurementDatabase& database_;
    MeterConnection& meter_;
    WindowContext context_;
    QPointer<QWidget> toolBar_;
    std::unique_ptr<LevelChart> chart_;
    std::unique_ptr<ProgressBarProgress> progress_;
    ReadingTableModel* model_ = nullptr;
    ImportFigures figures_;
    Operation operation_ = Operation::None;
    ImportSession importSession_;  // the attempts of the day being imported
    int attemptLine_ = -1;  // the list line the attempts of one request import
    MeterDays days_;                // the days the list shows
    MeterReservation importing_;    // the meter, from an attempt's start to its end
    DeferredClose closer_{*this, [this] { closeWindow(); }};
    bool closing_ = false;
    std::unique_ptr<MessageService> messages_;
    int openMessages_ = 0;

    QWidget* chartPanel_ = nullptr;  // the chart and the panels centred over it
    QPushButton* importButton_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    QLineEdit* savedFileEdit_ = nullptr;
    QLineEdit* recordsEdit_ = nullptr;
    QLineEdit* maxEdit_ = nullptr;
    QLineEdit* minEdit_ = nullptr;
    QLineEdit* avgEdit_ = nullptr;
    QTableView* grid_ = nullptr;
    QChartView* chartView_ = nullptr;
    QWidget* progressPanel_ = nullptr;
    QLabel* progressLabel_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    QWidget* datePanel_ = nullptr;
    QListWidget* dateList_ = nullptr;
    QPushButton* importDayButton_ = nullptr;
    QPushButton* backButton_ = nullptr;
    QList<QPushButton*> chartButtons_;  // Print Graph, zooms, reset, scrolls
    QTimer* retryTimer_ = nullptr;
};

}  // namespace sonavistor
