#pragma once
// TForm5, the real-time measurement window: once a second a live reading,
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
    void DrawGauge(int n);
    int litTicks() const { return lit_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int lit_ = 50;
};

class TForm5 : public QWidget, public ChildWindow {
    Q_OBJECT
    Q_INTERFACES(sonavistor::ChildWindow)
public:
    // alarms: where alarm sounds go; null plays the program folder's sound files.
    TForm5(MeasurementDatabase& database, MeterConnection& meter, const WindowContext& context,
           AlarmSink* alarms = nullptr);
    ~TForm5() override;

    LevelChart& chart() const { return *chart_; }
    bool tickWaiting() const { return tickWaiting_; }

    // ChildWindow
    std::optional<TableId> dataTable() const override { return TableMeaData; }
    void stopMeasuring() override { BitBtn8Click(); }
    bool canSave() const override;
    void save() override { BitBtn7Click(); }
    // The rows are final only while no measurement runs.
    bool canExport() const override;

    bool isMeasuring() const;
    bool saveEnabled() const;

public slots:
    void BitBtn1Click();  // Start to Measure
    void Timer1Timer();
    void BitBtn8Click();  // Stop Measure
    void BitBtn2Click();  // Clear
    void BitBtn7Click();  // Save
    void ShowRead_Pro(const sonavistor::LiveReading& reading);
    // Ctrl+L: says the level and the running maximum, minimum and average.
    void sayLevel();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
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

    QWidget* Panel4 = nullptr;
    GaugeImage* image1 = nullptr;
    QLabel* underlable = nullptr;
    QLabel* overlable = nullptr;
    QLabel* fastlable = nullptr;
    QLabel* slowlable = nullptr;
    QLabel* maxlable = nullptr;
    QLabel* minlable = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* footer_ = nullptr;
    TLEDFontNum* LEDFontNum1 = nullptr;
    TLEDFontNum* LEDFontNum2 = nullptr;
    TLEDFontNum* LEDFontNum3 = nullptr;
    QTableView* DataGrid1 = nullptr;
    QChartView* Chart1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn8 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* BitBtn7 = nullptr;
    QPushButton* BitBtn6 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QTimer* Timer1 = nullptr;
};

}  // namespace sonavistor
