#pragma once
// The real-time measurement window (old form name TForm5): once a second a live reading,
// shown as LED digits, arc bar graph, indicators, a table row, statistics
// and a chart point; alarms; Save to a saved measurement file.

#include "widgets/deferred_close.h"
#include "common/child_window.h"
#include "common/window_context.h"
#include "meter/live_reading.h"
#include "meter/meter_reservation.h"
#include "widgets/accessible_text.h"
#include "widgets/live_display.h"

#include <QWidget>

#include <memory>
#include <optional>

class QChartView;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;

namespace sonavistor {

class AlarmSink;
class Announcer;
class LevelChart;
class MeasurementDatabase;
class MeterConnection;
class ReadingTableModel;
class TLEDFontNum;

// The arc bar graph: fifty ticks over the display panel, the first n lit.
class GaugeImage : public QWidget {
    Q_OBJECT
public:
    explicit GaugeImage(QWidget* parent = nullptr);
    void lightTicks(int n);
    int litTicks() const { return lit_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int lit_ = 50;
};

class RealtimeWindow : public QWidget, public ChildWindow {
    Q_OBJECT
    Q_INTERFACES(sonavistor::ChildWindow)
public:
    // alarms: where alarm sounds go; null plays the program folder's sound files.
    RealtimeWindow(MeasurementDatabase& database, MeterConnection& meter, const WindowContext& context,
           AlarmSink* alarms = nullptr);
    ~RealtimeWindow() override;

    LevelChart& chart() const { return *chart_; }
    bool tickWaiting() const { return tickWaiting_; }

    // ChildWindow
    std::optional<TableId> dataTable() const override { return TableMeaData; }
    void stopMeasuring() override { stopMeasurement(); }
    bool canSave() const override;
    void save() override { saveMeasurement(); }
    // The rows are final only while no measurement runs.
    bool canExport() const override;

    bool isMeasuring() const;
    bool saveEnabled() const;

public slots:
    void startMeasurement();  // Start to Measure
    void requestReading();
    void stopMeasurement();  // Stop Measure
    void clearReadings();  // Clear
    void saveMeasurement();  // Save
    void showReading(const sonavistor::LiveReading& reading);
    // Ctrl+L: says the level and the running maximum, minimum and average.
    void sayLevel();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void resetDisplay();
    void buildLayout();
    QPushButton* button(QWidget* parent, const char* name, const QString& caption, int width);
    void playAlarms(int level);
    void showRange(const std::optional<std::pair<int, int>>& range);
    void releaseMeter();
    void describeChart(std::optional<double> latest);

    MeasurementDatabase& database_;
    MeterConnection& meter_;
    WindowContext context_;
    AlarmSink* alarms_;
    std::unique_ptr<AlarmSink> ownAlarms_;
    std::unique_ptr<LevelChart> chart_;
    ReadingTableModel* model_ = nullptr;
    LiveStatistics stats_;
    MeterReservation measuring_;  // the meter, while measuring
    bool tickWaiting_ = false;
    DeferredClose closer_{*this};
    bool highAlarm_ = false;  // this reading's alarms, as played
    bool lowAlarm_ = false;
    AlertAnnouncer alerts_;
    Announcer* announcer_ = nullptr;

    QWidget* displayPanel_ = nullptr;
    GaugeImage* gauge_ = nullptr;
    QLabel* underLabel_ = nullptr;
    QLabel* overLabel_ = nullptr;
    QLabel* fastLabel_ = nullptr;
    QLabel* slowLabel_ = nullptr;
    QLabel* maxLabel_ = nullptr;
    QLabel* minLabel_ = nullptr;
    QLabel* weightingLabel_ = nullptr;
    QLabel* footer_ = nullptr;
    TLEDFontNum* levelDisplay_ = nullptr;
    TLEDFontNum* rangeLowDisplay_ = nullptr;
    TLEDFontNum* rangeHighDisplay_ = nullptr;
    QTableView* grid_ = nullptr;
    QChartView* chartView_ = nullptr;
    QPushButton* startButton_ = nullptr;
    QPushButton* stopButton_ = nullptr;
    QPushButton* clearButton_ = nullptr;
    QPushButton* saveButton_ = nullptr;
    QPushButton* printButton_ = nullptr;
    QLineEdit* savedFileEdit_ = nullptr;
    QTimer* readingTimer_ = nullptr;
};

}  // namespace sonavistor
