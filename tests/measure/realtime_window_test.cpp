#include "app/application.h"
#include "app/child_windows.h"
#include "app/main_window.h"
#include "app/close_on_signal.h"
#include "common/meter_settings.h"
#include "common/shell_state.h"
#include "widgets/alarm_player.h"
#include "widgets/live_display.h"
#include "widgets/led_font_num.h"
#include "widgets/level_chart.h"
#include "measure/measure_state.h"
#include "measure/realtime_window.h"
#include "meter/fake_hid_platform.h"
#include "meter/meter_connection.h"
#include "sim/demo_scenario.h"
#include "sim/simulated_device.h"
#include "store/measurement_db.h"
#include "tests/meter/meter_test_support.h"
#include "tests/support/accessibility.h"
#include "tests/support/program_folder_fixture.h"
#include "tests/support/scripted_file_dialogs.h"
#include "tests/support/scripted_messages.h"
#include "tests/support/screenshot.h"

#include <QAction>
#include <QChartView>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>

using namespace sonavistor;
using namespace sonavistor::test;

namespace {

class RecordingAlarms : public AlarmSink {
public:
    QStringList played;
    void play(const QString& name) override { played << name; }
};

class RealTimeWindow : public ::testing::Test {
protected:
    void start(MeterScenario scenario)
    {
        AppEnvironment env{folder.path(), "sonavistor", locks.path(), &messages, &dialogs, &platform};
        form = std::make_unique<MainWindow>(env);
        form->setChildFactory(kMeasureWindow, [this](MainWindow& main) {
            auto* window = new RealtimeWindow(main.database(), main.meter(), main.windowContext(), &alarms);
            main.addChildWindow(window)->showMaximized();
            return window;
        });
        form->show();
        meterPath = plugSimulatedMeter(platform, scenario);
        ASSERT_TRUE(waitUntil([] { return MeterLink.Connected; }));
        form->measureInRealTime();
        window = qobject_cast<RealtimeWindow*>(ShellState.MeasureWindowHandle.data());
        ASSERT_NE(window, nullptr);
        static_cast<SonavistorApplication*>(QCoreApplication::instance())->setMessageService(&messages);
    }
    void TearDown() override
    {
        static_cast<SonavistorApplication*>(QCoreApplication::instance())->setMessageService(nullptr);
        if (form) {
            MeasureState.LiveDataSaved = true;
            messages.answer(Yes);
            form->close();
            form.reset();
        }
    }
    static MeterScenario live(std::vector<std::pair<int, int>> readings, int delayMs = 0)
    {
        MeterScenario s;
        s.live = std::move(readings);
        s.reportDelayMs = delayMs;
        return s;
    }
    template <typename T>
    T* find(const char* name) { return window->findChild<T*>(name); }
    QString led(const char* name) { return find<TLEDFontNum>(name)->Text(); }
    bool shown(const char* name) { return !find<QWidget>(name)->isHidden(); }
    void reading() { window->requestReading(); }
    std::vector<ReadingRow> rows() { return form->database().rows(TableMeaData); }

    ProgramFolder folder;
    QTemporaryDir locks;
    ScriptedMessages messages;
    ScriptedFileDialogs dialogs;
    RecordingAlarms alarms;
    FakeHidPlatform platform;
    QString meterPath;
    std::unique_ptr<MainWindow> form;
    QPointer<RealtimeWindow> window;
};

}  // namespace

TEST_F(RealTimeWindow, FirstReadingShowsEverywhere)
{
    start(live({{853, 64}}));
    EXPECT_EQ(led("LEDFontNum1"), "0.0");
    EXPECT_EQ(find<GaugeImage>("image1")->litTicks(), 50);
    EXPECT_EQ(find<TLEDFontNum>("LEDFontNum1")->x(), 100);
    // The chart keeps margins of 2 % (3 % at the top) of its view, whatever its size.
    find<QChartView>("Chart1")->resize(1000, 600);
    EXPECT_EQ(window->chart().chart()->margins(), QMargins(20, 18, 20, 12));
    find<QChartView>("Chart1")->resize(500, 300);
    EXPECT_EQ(window->chart().chart()->margins(), QMargins(10, 9, 10, 6));
    // The left axis labels whole decibels from 0, 1, 2 or 5 times a power of ten apart.
    QValueAxis* left = window->chart().axis(Axis::Left);
    EXPECT_EQ(left->tickType(), QValueAxis::TicksDynamic);
    EXPECT_EQ(left->tickAnchor(), 0);
    const double interval = left->tickInterval();
    const double decade = std::pow(10.0, std::floor(std::log10(interval)));
    EXPECT_GE(interval, 1);
    EXPECT_TRUE(interval == decade || interval == 2 * decade || interval == 5 * decade) << interval;
    window->startMeasurement();
    EXPECT_TRUE(shown("BitBtn8"));
    EXPECT_FALSE(shown("BitBtn1"));
    EXPECT_EQ(MeterLink.Busy, 10);
    reading();
    EXPECT_EQ(led("LEDFontNum1"), "85.3");
    EXPECT_EQ(find<TLEDFontNum>("LEDFontNum1")->x(), 86);
    EXPECT_EQ(led("LEDFontNum2"), "30");
    EXPECT_EQ(led("LEDFontNum3"), "130");
    EXPECT_TRUE(shown("fastlable"));
    EXPECT_FALSE(shown("slowlable"));
    EXPECT_FALSE(shown("maxlable"));
    EXPECT_FALSE(shown("underlable"));
    EXPECT_EQ(find<GaugeImage>("image1")->litTicks(), 27);
    ASSERT_EQ(rows().size(), 1u);
    EXPECT_EQ(rows()[0].RecNo, 1);
    EXPECT_EQ(rows()[0].MeaValue, "85.3");
    EXPECT_EQ(rows()[0].Weight, "A");
    EXPECT_LE(rows()[0].NDate.size(), 10);
    EXPECT_LE(rows()[0].NTime.size(), 8);
    // Once painted, the range displays are sized to their digits, and the
    // grid shows the whole time and date.
    form->resize(1280, 800);
    QCoreApplication::processEvents();
    EXPECT_EQ(find<TLEDFontNum>("LEDFontNum2")->size(), QSize(34, 25));
    EXPECT_EQ(find<TLEDFontNum>("LEDFontNum3")->size(), QSize(47, 25));
    auto* grid = find<QTableView>("DataGrid1");
    const QFontMetrics cells(grid->font());
    EXPECT_GT(grid->columnWidth(3), cells.horizontalAdvance("23:59:58"));
    EXPECT_GT(grid->columnWidth(4), cells.horizontalAdvance("2026/12/31"));
    EXPECT_GE(grid->viewport()->width(), grid->horizontalHeader()->length());
    const QString gap(28, ' ');
    EXPECT_EQ(find<QLabel>("ChartFooter")->text().section('\n', 0, 0),
              "          MAX:     85.3" + gap + "MIN:     85.3" + gap + "AVG:     85.3");
    EXPECT_TRUE(find<QPushButton>("BitBtn2")->isEnabled());
    EXPECT_FALSE(MeasureState.LiveDataSaved);
    // The only row is both maximum and minimum: purple.
    const QAbstractItemModel* model = find<QTableView>("DataGrid1")->model();
    EXPECT_EQ(model->data(model->index(0, 1), Qt::BackgroundRole).value<QColor>(), QColor(128, 0, 128));
}

TEST_F(RealTimeWindow, AScreenReaderReadsTheDisplayAndTheChart)
{
    start(live({{853, 64}, {1300, 1}}));
    EXPECT_EQ(accessibleText(find<QWidget>("LEDFontNum1")), "Sound level");
    EXPECT_EQ(accessibleText(find<QWidget>("LEDFontNum1"), QAccessible::Value), "0.0 dB, A weighting");
    EXPECT_EQ(accessibleText(find<QWidget>("maxlable")), "MAX: on");
    window->startMeasurement();
    reading();
    EXPECT_EQ(accessibleText(find<QWidget>("LEDFontNum1"), QAccessible::Value), "85.3 dB, A weighting, FAST");
    EXPECT_EQ(accessibleText(find<QWidget>("LEDFontNum2")), "Range 30 to 130 dB");
    EXPECT_EQ(accessibleText(find<QWidget>("fastlable")), "FAST: on");
    EXPECT_EQ(accessibleText(find<QWidget>("slowlable")), "SLOW: off");
    EXPECT_EQ(accessibleText(find<QWidget>("maxlable")), "MAX: off");
    const QString chart = accessibleText(find<QWidget>("Chart1"), QAccessible::Description);
    EXPECT_TRUE(chart.startsWith("MAX: 85.3 MIN: 85.3 AVG: 85.3. Date: ")) << chart.toStdString();
    EXPECT_TRUE(chart.endsWith(". Latest value 85.3 dB")) << chart.toStdString();
    reading();  // 130.0 in range 1 (30 .. 80), slow
    EXPECT_EQ(accessibleText(find<QWidget>("LEDFontNum3")), "Range 30 to 80 dB");
    EXPECT_EQ(accessibleText(find<QWidget>("overlable")), "OVER: on");
    EXPECT_EQ(accessibleText(find<QWidget>("LEDFontNum1"), QAccessible::Value), "130.0 dB, A weighting, SLOW, OVER");
    EXPECT_EQ(accessibleText(form->findChild<QWidget*>("StatusBar1")).section(", ", 0, 0), "Connect OK!");
    EXPECT_TRUE(unnamedTabStops(window).isEmpty()) << unnamedTabStops(window).join(' ').toStdString();
}

TEST_F(RealTimeWindow, AlarmsRangeAndConnectionAreAnnouncedOnlyWhenTheyChange)
{
    AccessibilityEvents events;
    start(live({{853, 0}, {853, 0}, {500, 0}, {200, 0}}));
    MeterSettings.AlarmOn = true;
    MeterSettings.SystemHal = 80.0;
    MeterSettings.SystemLal = 40.0;
    window->startMeasurement();
    events.clear();
    reading();
    reading();
    reading();
    EXPECT_EQ(events.alerts(), QStringList({"High level alarm", "Alarm ended"}));
    events.clear();
    reading();  // 20.0: under range 30 .. 130 and below the low limit
    EXPECT_EQ(events.alerts(), QStringList({"Low level alarm", "Under range"}));
    MeterSettings.AlarmOn = false;
    // The level is told only when asked.
    events.clear();
    window->sayLevel();
    EXPECT_EQ(events.alerts(), QStringList({"Level 20.0 dB, maximum 85.3 dB, minimum 20.0 dB, average 60.2 dB"}));
    events.clear();
    platform.unplug(meterPath);
    ASSERT_TRUE(waitUntil([] { return !MeterLink.Connected; }));
    EXPECT_EQ(events.alerts(), QStringList({"Disconnect!"}));
}

TEST_F(RealTimeWindow, TabFollowsTheLayoutAndTheChartTakesKeys)
{
    start(live({{853, 64}}));
    EXPECT_EQ(tabStops(window), QStringList({"DataGrid1", "Chart1", "BitBtn3", "BitBtn4", "SpeedButton2",
                                             "SpeedButton1", "SpeedButton4", "BitBtn1"}));
    window->startMeasurement();
    for (int i = 0; i < 3; ++i)
        reading();
    window->stopMeasurement();
    EXPECT_EQ(tabStops(window), QStringList({"DataGrid1", "Chart1", "BitBtn6", "BitBtn3", "BitBtn4", "SpeedButton2",
                                             "SpeedButton1", "SpeedButton4", "BitBtn1", "BitBtn2", "BitBtn7"}));
    auto* chart = find<QChartView>("Chart1");
    const auto width = [this] { return window->chart().range(Axis::Bottom).max - window->chart().range(Axis::Bottom).min; };
    const double before = width();
    QTest::keyClick(chart, Qt::Key_Plus);
    EXPECT_LT(width(), before);
    const double left = window->chart().range(Axis::Bottom).min;
    QTest::keyClick(chart, Qt::Key_Right);
    EXPECT_DOUBLE_EQ(window->chart().range(Axis::Bottom).min, left + 30);
    QTest::keyClick(chart, Qt::Key_Left);
    EXPECT_DOUBLE_EQ(window->chart().range(Axis::Bottom).min, left);
}

TEST_F(RealTimeWindow, BarGraphLimitsAndRanges)
{
    // level, status -> lit ticks, UNDER, OVER
    start(live({{305, 0}, {315, 0}, {250, 0}, {300, 0}, {1300, 0}, {800, 1}, {900, 1}, {450, 4}, {853, 5}}));
    window->startMeasurement();
    const auto check = [this](int ticks, bool under, bool over) {
        reading();
        EXPECT_EQ(find<GaugeImage>("image1")->litTicks(), ticks) << led("LEDFontNum1").toStdString();
        EXPECT_EQ(shown("underlable"), under);
        EXPECT_EQ(shown("overlable"), over);
    };
    check(0, false, false);   // 30.5: R(0.5) = 0
    check(1, false, false);   // 31.5: R(1.5) = 2
    check(0, true, false);    // below the range
    check(0, false, false);   // exactly the low limit
    check(50, false, false);  // range 0 at 130.0
    check(25, false, false);  // range 1 at 80.0
    check(25, false, true);   // above range 1
    check(0, true, false);    // range 4 (80 .. 130) at 45.0
    EXPECT_EQ(led("LEDFontNum2"), "80");
    reading();                // range index 5: the range display stays
    EXPECT_EQ(led("LEDFontNum2"), "80");
    EXPECT_EQ(led("LEDFontNum3"), "130");
}

TEST_F(RealTimeWindow, LevelsAbove140AreLimitedButAlarmOnTheirOwnValue)
{
    MeterSettings.AlarmOn = true;
    MeterSettings.SystemHal = 140.0;
    MeterSettings.SystemLal = 30.0;
    start(live({{1500, 0}, {65535, 0x7F}, {250, 0}, {750, 0}}));
    MeterSettings.AlarmOn = true;
    MeterSettings.SystemHal = 140.0;
    MeterSettings.SystemLal = 30.0;
    window->startMeasurement();
    reading();
    EXPECT_EQ(led("LEDFontNum1"), "140.0");
    EXPECT_EQ(rows().back().MeaValue, "140.0");
    EXPECT_EQ(alarms.played, QStringList({"highalarm.wav"}));
    reading();  // 6553.5 dB and every status bit
    EXPECT_EQ(led("LEDFontNum1"), "140.0");
    reading();
    EXPECT_EQ(alarms.played.last(), "lowalarm.wav");
    // Low level above the high one: 75 dB passes both, one sound, the high one.
    MeterSettings.SystemLal = 100.0;
    MeterSettings.SystemHal = 50.0;
    const qsizetype before = alarms.played.size();
    reading();
    EXPECT_EQ(alarms.played.mid(before), QStringList({"highalarm.wav"}));
    MeterSettings.AlarmOn = false;
}

TEST(GaugeTick, ALineLeavesOutItsEndPoint)
{
    EXPECT_EQ(linePixels({0, 0}, {3, 0}), (std::vector<QPoint>{{0, 0}, {1, 0}, {2, 0}}));
    EXPECT_TRUE(linePixels({5, 5}, {5, 5}).empty());
    const std::vector<QPoint> steep = linePixels({10, 10}, {7, 16});
    ASSERT_EQ(steep.size(), 6u);  // one pixel per row over the longer axis
    EXPECT_EQ(steep.front(), QPoint(10, 10));
    EXPECT_EQ(steep.back().y(), 15);
}

TEST_F(RealTimeWindow, StopThenStartGoesOnCountingAndAveraging)
{
    start(live({{600, 0}, {800, 0}}));
    window->startMeasurement();
    reading();
    window->stopMeasurement();
    EXPECT_TRUE(find<QPushButton>("BitBtn7")->isEnabled());
    EXPECT_TRUE(find<QPushButton>("BitBtn6")->isEnabled());
    EXPECT_EQ(MeterLink.Busy, 0);
    EXPECT_EQ(MeterLink.RequestKind, KindNone);
    window->startMeasurement();
    reading();
    EXPECT_EQ(rows().back().RecNo, 2);
    EXPECT_TRUE(find<QLabel>("ChartFooter")->text().contains("AVG:     70.0"));
    // Clear: rows, chart and counting start again; the LEDs stay.
    window->clearReadings();
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(window->chart().pointCount(), 0);
    EXPECT_EQ(led("LEDFontNum1"), "80.0");
    EXPECT_TRUE(MeasureState.LiveDataSaved);
}

TEST_F(RealTimeWindow, StartDoesNothingWithoutAMeterOrWhileAnImportRuns)
{
    start(live({{600, 0}}));
    MeterLink.Busy = 30;
    window->startMeasurement();
    EXPECT_TRUE(shown("BitBtn1"));
    MeterLink.Busy = 0;
    platform.unplug(meterPath);
    ASSERT_TRUE(waitUntil([] { return !MeterLink.Connected; }));
    window->startMeasurement();
    EXPECT_TRUE(shown("BitBtn1"));
    EXPECT_TRUE(messages.shown().isEmpty());
}

TEST_F(RealTimeWindow, StopWhileATickWaitsDropsThatReply)
{
    start(live({{700, 0}}, 300));
    window->startMeasurement();
    once(window, [] { return MeterLink.Pending; }, [this] { window->stopMeasurement(); });
    reading();
    EXPECT_TRUE(rows().empty());
    EXPECT_EQ(led("LEDFontNum1"), "0.0");
}

TEST_F(RealTimeWindow, MeterUnpluggedDuringATickAndPluggedBack)
{
    start(live({{700, 0}}, 300));
    window->startMeasurement();
    once(window, [] { return MeterLink.Pending; }, [this] { platform.unplug(meterPath); });
    reading();
    EXPECT_TRUE(rows().empty());
    ASSERT_TRUE(waitUntil([] { return !MeterLink.Connected; }));
    reading();  // nothing to ask
    EXPECT_TRUE(rows().empty());

    meterPath = plugSimulatedMeter(platform, live({{721, 0}}));
    ASSERT_TRUE(waitUntil([] { return MeterLink.Connected; }));
    reading();
    ASSERT_FALSE(rows().empty());
    EXPECT_EQ(rows().back().MeaValue, "72.1");
    EXPECT_EQ(led("LEDFontNum1"), "72.1");
}

TEST_F(RealTimeWindow, CloseDuringAWaitingTickEndsItsWait)
{
    start(live({{700, 0}}, 300));
    window->startMeasurement();
    MeasureState.LiveDataSaved = true;
    once(window, [] { return MeterLink.Pending; }, [this] { window->parentWidget()->close(); });
    reading();  // the window must still be here when the tick returns
    EXPECT_TRUE(window);
    EXPECT_TRUE(rows().empty());  // the wait ended at the close, without the reading
    ASSERT_TRUE(waitUntil([this] { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); return window.isNull(); }));
}

TEST_F(RealTimeWindow, ClosingAsksAndCancelKeepsTheWindow)
{
    start(live({{700, 0}}));
    window->startMeasurement();
    reading();
    messages.answer(Cancel);
    window->parentWidget()->close();
    ASSERT_TRUE(window);
    EXPECT_EQ(messages.shown().last().text, "Measured data has not save yet.\rDo you want to save data?");
    EXPECT_EQ(messages.shown().last().caption, "Query Information");
    EXPECT_TRUE(window->parentWidget()->isMinimized());
    EXPECT_TRUE(shown("BitBtn1"));
    EXPECT_TRUE(find<QPushButton>("BitBtn7")->isEnabled());
    form->everySecond();
    EXPECT_FALSE(form->findChild<QAction*>("N3")->isEnabled());

    messages.answer(No);
    window->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window);
    form->everySecond();
    EXPECT_TRUE(form->findChild<QAction*>("N3")->isEnabled());
    EXPECT_EQ(rows().size(), 1u);  // No keeps the rows in the table
}

TEST_F(RealTimeWindow, SaveWritesTheRowsAndRemembersTheFile)
{
    start(live({{653, 0}, {700, 16}}));
    window->startMeasurement();
    reading();
    reading();
    window->stopMeasurement();
    QTemporaryDir out;
    dialogs.choose(out.filePath("street"));
    form->everySecond();
    form->saveActiveWindow();  // File > Save performs the window's Save
    EXPECT_EQ(find<QLineEdit>("Edit1")->text(), out.filePath("street.qrv"));
    EXPECT_TRUE(MeasureState.LiveDataSaved);
    EXPECT_FALSE(find<QPushButton>("BitBtn7")->isEnabled());
    QFile saved(out.filePath("street.qrv"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray text = saved.readAll();
    EXPECT_TRUE(text.startsWith("@Sonavistor File\r\nTotal:2\r\n"));
    EXPECT_TRUE(text.contains(",65.3  ,A\r\n"));
    EXPECT_TRUE(text.contains(",70.0  ,C\r\n"));

    // Cancelling the dialog of a first Save leaves the rows unsaved.
    window->clearReadings();
    window->startMeasurement();
    reading();
    window->stopMeasurement();
    dialogs.cancel();
    window->saveMeasurement();
    EXPECT_FALSE(MeasureState.LiveDataSaved);
    EXPECT_TRUE(find<QPushButton>("BitBtn7")->isEnabled());
}

TEST_F(RealTimeWindow, SaveOverAnExistingFileAsksFirst)
{
    start(live({{653, 0}}));
    window->startMeasurement();
    reading();
    window->stopMeasurement();
    QTemporaryDir out;
    const QString path = out.filePath("street.qrv");
    QFile existing(path);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("keep me");
    existing.close();

    dialogs.choose(path);
    messages.answer(No);
    window->saveMeasurement();
    EXPECT_EQ(messages.shown().last().text, path + " already exits!\rAre you sure to replace it?");
    EXPECT_EQ(messages.shown().last().caption, "Query Information");
    EXPECT_TRUE(find<QPushButton>("BitBtn7")->isEnabled());
    EXPECT_FALSE(MeasureState.LiveDataSaved);
    EXPECT_TRUE(find<QLineEdit>("Edit1")->text().isEmpty());
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), "keep me");
    existing.close();

    dialogs.choose(path);
    messages.answer(Yes);
    window->saveMeasurement();
    EXPECT_TRUE(MeasureState.LiveDataSaved);
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_TRUE(existing.readAll().startsWith("@Sonavistor File\r\nTotal:1\r\n"));
}

TEST_F(RealTimeWindow, ADatabaseErrorSkipsTheRestOfThatReadingOnly)
{
    start(live({{600, 0}, {700, 0}}));
    form->database().appendRow(TableMeaData, {"x", "y", "1.0", "A", 1});  // RecNo 1 is taken
    window->startMeasurement();
    reading();
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_EQ(messages.shown()[0].icon, MessageIcon::Error);
    EXPECT_EQ(window->chart().pointCount(), 0);
    reading();
    EXPECT_EQ(rows().back().RecNo, 2);
    EXPECT_EQ(window->chart().pointCount(), 1);
}

TEST_F(RealTimeWindow, ScreenshotsOfTheDemoSignal)
{
    start(demoScenario());
    window->startMeasurement();
    for (int i = 0; i < 90; ++i)
        reading();
    window->stopMeasurement();
    form->resize(1280, 800);
    QCoreApplication::processEvents();
    saveScreenshot(form.get(), "realtime-window");
    window->findChild<QPushButton*>("BitBtn3")->click();
    saveScreenshot(form.get(), "realtime-window-zoom");
    EXPECT_EQ(rows().size(), 90u);
}

TEST_F(RealTimeWindow, SigtermEndsLikeExitAndKeepsTheUnsavedReadings)
{
    // A tick waits for a slow meter when the signal comes.
    start(live({{600, 0x40}, {700, 0x40}}, 300));
    QTemporaryDir data;
    form->setRecoveryFolder(data.path());
    window->startMeasurement();
    reading();
    MeterSettings.CompanyName = QStringLiteral("Acme Noise");
    CloseOnSignal endSignals;
    endSignals.setTarget(form.get());
    once(form.get(), [] { return MeterLink.Pending; }, [] { ::raise(SIGTERM); });
    reading();  // the signal arrives during this tick's wait
    ASSERT_TRUE(waitUntil([this] { return !form->isVisible(); }));
    EXPECT_TRUE(messages.shown().isEmpty());  // nothing was asked
    EXPECT_FALSE(window && window->isMeasuring());
    EXPECT_TRUE(folder.read("Quorvane.INI").contains("Acme Noise"));
    const QStringList kept = QDir(data.filePath("recovered")).entryList({"live-*.qrv"});
    ASSERT_EQ(kept.size(), 1);
    QFile file(data.filePath("recovered/" + kept[0]));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("@Sonavistor File\r\nTotal:1\r\n"));

    // The next start tells where they are, once.
    form.reset();
    AppEnvironment env{folder.path(), "sonavistor", locks.path(), &messages, &dialogs, &platform};
    form = std::make_unique<MainWindow>(env);
    EXPECT_TRUE(form->startedUp());  // the lock was given back
    form->setRecoveryFolder(data.path());
    ASSERT_EQ(messages.shown().size(), 1);
    EXPECT_TRUE(messages.shown()[0].text.contains(kept[0]));
    form->setRecoveryFolder(data.path());
    EXPECT_EQ(messages.shown().size(), 1);
}
