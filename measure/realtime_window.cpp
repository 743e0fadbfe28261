#include "measure/realtime_window.h"

#include "analysis/saved_file.h"
#include "common/error.h"
#include "common/file_dialogs.h"
#include "common/message_service.h"
#include "common/meter_settings.h"
#include "common/shell_state.h"
#include "widgets/accessible_text.h"
#include "widgets/alarm_player.h"
#include "widgets/announcer.h"
#include "widgets/chart_keys.h"
#include "widgets/chart_navigation.h"
#include "widgets/led_font_num.h"
#include "widgets/level_chart.h"
#include "meter/live_reading.h"
#include "measure/measure_state.h"
#include "widgets/print_graph.h"
#include "widgets/reading_grid.h"
#include "meter/meter_connection.h"
#include "store/measurement_db.h"
#include "store/reading_table_model.h"

#include <QChartView>
#include <QCloseEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace sonavistor {

namespace {

constexpr char kCaption[] = "Sonavistor Real Time Measure";
constexpr char kNotSavedQuestion[] = "Measured data has not save yet.\rDo you want to save data?";
constexpr char kQueryCaption[] = "Query Information";
constexpr char kReplaceQuestion[] = " already exits!\rAre you sure to replace it?";
constexpr char kSaveFilter[] = "*.qrv|*.qrv|*.QRV|*.QRV";
constexpr char kHighAlarm[] = "highalarm.wav";
constexpr char kLowAlarm[] = "lowalarm.wav";

// An indicator shown or hidden, and what a screen reader says of it.
void showFlag(QLabel* flag, bool lit)
{
    flag->setVisible(lit);
    flag->setAccessibleName(flagSpeech(flag->text(), lit));
}

}  // namespace

// ---------------------------------------------------------------- window

RealtimeWindow::RealtimeWindow(MeasurementDatabase& database, MeterConnection& meter, const WindowContext& context,
               AlarmSink* alarms)
    : database_(database), meter_(meter), context_(context), alarms_(alarms)
{
    if (!alarms_) {
        auto player = std::make_unique<AlarmPlayer>(context_.programFolder);
        alarms_ = player.get();
        ownAlarms_ = std::move(player);
    }
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QString::fromLatin1(kCaption));
    resize(908, 556);
    ShellState.ChildReady = false;
    buildLayout();
    resetDisplay();
    // The reading is shown inside the request's wait, before the wait ends.
    connect(&meter_, &MeterConnection::liveReading, this, &RealtimeWindow::showReading, Qt::DirectConnection);
}

RealtimeWindow::~RealtimeWindow() = default;

void RealtimeWindow::resetDisplay()
{
    weightingLabel_->setText(QStringLiteral("A"));
    for (QLabel* flag : {fastLabel_, slowLabel_, underLabel_, overLabel_})
        showFlag(flag, false);
    // MAX and MIN stay lit until the first reading says otherwise.
    showFlag(maxLabel_, true);
    showFlag(minLabel_, true);
    printButton_->setEnabled(false);
    database_.ClearTable(TableMeaData);
    stopButton_->hide();
    readingTimer_->stop();
    levelDisplay_->setWordWidth(28);
    levelDisplay_->setWordHeight(48);  // the display makes it 49
    levelDisplay_->setThick(6);
    for (TLEDFontNum* limit : {rangeLowDisplay_, rangeHighDisplay_}) {
        limit->setWordWidth(13);
        limit->setWordHeight(17);
        limit->setThick(3);
        limit->setSpace(0);
    }
    clearButton_->setEnabled(false);
    MeasureState.MaxLevel = 0;
    MeasureState.MinLevel = 0;
    MeasureState.ReadingCount = 0;
    levelDisplay_->setText(QStringLiteral("0.0"));
    levelDisplay_->setSpokenText(levelSpeech(levelDisplay_->Text(), weightingLabel_->text(), {}));
    showRange(rangeLimits(0));
    describeChart({});
    levelDisplay_->move((gauge_->width() - 2 * levelDisplay_->WordWidth()) / 2, 75);
    saveButton_->setEnabled(false);
    gauge_->lightTicks(50);
    chart_->setRange(Axis::Bottom, {0, 59});
    ShellState.ChildReady = true;
    MeasureState.MeasureWindowOpen = true;
}

// ---------------------------------------------------------------- measuring

bool RealtimeWindow::isMeasuring() const
{
    // "Visible" is the button's own flag, not whether it is on screen now.
    return startButton_->isHidden();
}

bool RealtimeWindow::saveEnabled() const
{
    return saveButton_->isEnabled();
}

bool RealtimeWindow::canSave() const
{
    return saveEnabled() && !isMeasuring();
}

bool RealtimeWindow::canExport() const
{
    return !isMeasuring() && !database_.isEmpty(TableMeaData);
}

void RealtimeWindow::startMeasurement()
{
    if (!meter_.connected())
        return;
    measuring_ = meter_.reserve(MeterUse::Measuring);
    if (!measuring_)
        return;
    startButton_->hide();
    stopButton_->show();
    saveButton_->setEnabled(false);
    alerts_.reset();
    readingTimer_->start(1000);
}

void RealtimeWindow::requestReading()
{
    // A tick that comes due while the last one still waits is skipped.
    if (tickWaiting_ || !meter_.connected())
        return;
    // A failed request simply leaves this tick without a reading.
    tickWaiting_ = true;
    meter_.readLevel();
    tickWaiting_ = false;
    // A close that came during the wait completes now that the tick is over.
    closer_.complete();
}

void RealtimeWindow::playAlarms(int level)
{
    highAlarm_ = MeterSettings.AlarmOn && level > MeterSettings.SystemHal * 10;
    lowAlarm_ = MeterSettings.AlarmOn && level < MeterSettings.SystemLal * 10;
    // With the low level set above the high one a reading can pass both:
    // one sound, the high alarm's, rather than the second cutting off the first.
    if (highAlarm_)
        alarms_->play(QString::fromLatin1(kHighAlarm));
    else if (lowAlarm_)
        alarms_->play(QString::fromLatin1(kLowAlarm));
}

void RealtimeWindow::showRange(const std::optional<std::pair<int, int>>& range)
{
    // Range indexes 5 to 7 have no limits: the display keeps the last range.
    if (range) {
        rangeLowDisplay_->setText(QString::number(range->first));
        rangeHighDisplay_->setText(QString::number(range->second));
    }
    const QString name = rangeSpeech(rangeLowDisplay_->Text().toInt(), rangeHighDisplay_->Text().toInt());
    rangeLowDisplay_->setAccessibleName(name);
    rangeHighDisplay_->setAccessibleName(name);
}

void RealtimeWindow::showReading(const LiveReading& reading)
{
    playAlarms(reading.level);  // the level before the limit
    const int level = limitedLevel(reading.level);
    const QString text = levelDisplayText(level);
    levelDisplay_->setText(text);
    const double v = level / 10.0;
    levelDisplay_->move(centredLeft(gauge_->width(), static_cast<int>(text.size()), levelDisplay_->WordWidth()),
                      levelDisplay_->y());
    ++MeasureState.ReadingCount;
    clearButton_->setEnabled(true);

    showFlag(maxLabel_, reading.maxHold);
    showFlag(minLabel_, reading.minHold);
    showFlag(fastLabel_, reading.fast);
    showFlag(slowLabel_, !reading.fast);

    showRange(reading.range);
    const auto& range = reading.range;
    const int low = range ? range->first : rangeLowDisplay_->Text().toInt();
    const int high = range ? range->second : rangeHighDisplay_->Text().toInt();
    const GaugeState gauge = gaugeFor(v, low, high);
    showFlag(underLabel_, gauge.under);
    showFlag(overLabel_, gauge.over);
    gauge_->lightTicks(gauge.ticks);

    const QString weight = reading.weighting();
    const QDateTime now = QDateTime::currentDateTime();
    // A database error is shown by the standard error box; the rest of this
    // reading is skipped and the next one is handled as usual.
    grid_->setUpdatesEnabled(false);
    try {
        database_.appendRow(TableMeaData, {rowDate(now.date()), rowTime(now.time()), text, weight,
                                                  MeasureState.ReadingCount});
    } catch (...) {
        grid_->setUpdatesEnabled(true);
        throw;
    }
    weightingLabel_->setText(weight);
    levelDisplay_->setSpokenText(levelSpeech(text, weight, {gauge.under, gauge.over, reading.fast, !reading.fast,
                                                          reading.maxHold, reading.minHold}));
    grid_->scrollToBottom();
    grid_->setUpdatesEnabled(true);

    stats_.MaxLevel = MeasureState.MaxLevel;
    stats_.MinLevel = MeasureState.MinLevel;
    stats_.LevelSum = MeasureState.LevelSum;
    stats_.add(v, MeasureState.ReadingCount);
    MeasureState.MaxLevel = stats_.MaxLevel;
    MeasureState.MinLevel = stats_.MinLevel;
    MeasureState.LevelSum = stats_.LevelSum;
    grid_->viewport()->update();  // the maximum and minimum rows may have changed

    footer_->setText(footerLine1(MeasureState.MaxLevel, MeasureState.MinLevel,
                                 stats_.average(MeasureState.ReadingCount)) +
                     QLatin1Char('\n') + footerLine2(QLocale::system().toString(now.date(), QLocale::ShortFormat)));
    chart_->addPoint(v, true);
    describeChart(v);
    MeasureState.LiveDataSaved = false;
    for (const QString& news : alerts_.update({highAlarm_, lowAlarm_, gauge.over, gauge.under}))
        announcer_->say(news);
}

void RealtimeWindow::describeChart(std::optional<double> latest)
{
    chartView_->setAccessibleDescription(chartDescription(footer_->text().split(QLatin1Char('\n')), latest));
}

void RealtimeWindow::sayLevel()
{
    const bool any = MeasureState.ReadingCount > 0;
    const auto figure = [any](double v) { return any ? std::optional<double>(v) : std::nullopt; };
    announcer_->say(levelSummary(levelDisplay_->Text(), figure(MeasureState.MaxLevel), figure(MeasureState.MinLevel),
                                 figure(stats_.average(MeasureState.ReadingCount))));
}

void RealtimeWindow::stopMeasurement()
{
    readingTimer_->stop();
    stopButton_->hide();
    startButton_->show();
    if (database_.isEmpty(TableMeaData)) {
        saveButton_->setEnabled(false);
    } else {
        saveButton_->setEnabled(true);
        printButton_->setEnabled(true);
    }
    meter_.endLiveReadings();
    releaseMeter();
}

void RealtimeWindow::releaseMeter()
{
    // Only the marker this window set: "Stop Measure" also runs, from other
    // commands, while an import holds the meter.
    measuring_.release();
}

void RealtimeWindow::clearReadings()
{
    database_.ClearTable(TableMeaData);
    MeasureState.LiveDataSaved = true;
    savedFileEdit_->clear();
    saveButton_->setEnabled(false);
    printButton_->setEnabled(false);
    chart_->clear();
    MeasureState.ReadingCount = 0;
    clearButton_->setEnabled(false);
    footer_->clear();
    describeChart({});
    chart_->setRange(Axis::Bottom, {0, 59});
}

// ---------------------------------------------------------------- saving

void RealtimeWindow::saveMeasurement()
{
    saveButton_->setEnabled(false);
    MeasureState.LiveDataSaved = true;
    const auto notSaved = [this] {
        saveButton_->setEnabled(true);
        MeasureState.LiveDataSaved = false;
    };
    if (savedFileEdit_->text().isEmpty()) {
        const QString chosen = context_.dialogs.getSaveFileName(this, QString::fromLatin1(kSaveFilter));
        if (chosen.isEmpty())
            return notSaved();
        const QString path = withSavedFileExtension(chosen);
        if (!mayReplaceFile(context_.messages, path, path + QString::fromLatin1(kReplaceQuestion),
                            QString::fromLatin1(kQueryCaption)))
            return notSaved();
        savedFileEdit_->setText(path);
    }
    try {
        writeSavedFile(savedFileEdit_->text(), database_.rows(TableMeaData));
    } catch (const std::exception& error) {
        // Nothing was saved (the old file stays as it was): the rows stay
        // unsaved, so closing still asks.
        notSaved();
        context_.messages.showException(error);
    }
}

// ---------------------------------------------------------------- closing

void RealtimeWindow::closeEvent(QCloseEvent* e)
{
    if (tickWaiting_) {
        // Never destroyed under a waiting tick: its wait ends now, and the
        // window closes once the tick has returned (the reading is dropped).
        closer_.request();
        meter_.stopWaiting();
        e->ignore();
        return;
    }
    MeasureState.MeasureWindowOpen = false;
    ShellState.MeasureWindowHandle = nullptr;
    startButton_->show();
    stopButton_->hide();
    readingTimer_->stop();
    releaseMeter();
    if (!MeasureState.LiveDataSaved) {
        saveButton_->setEnabled(true);
        const MessageButton answer =
            context_.messages.show({QString::fromLatin1(kNotSavedQuestion), QString::fromLatin1(kQueryCaption),
                                   MessageIcon::Question, Yes | No | Cancel, Yes});
        if (answer == Yes) {
            try {
                saveMeasurement();
            } catch (const std::exception& error) {
                context_.messages.showException(error);  // closes for good all the same
            }
        } else if (answer != No) {
            childCloseCancelled(ChildSlot::Measure, this);
            // The window stays, so other commands must still stop it.
            MeasureState.MeasureWindowOpen = true;
            if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
                sub->showMinimized();
            e->ignore();
            return;
        }
    }
    childClosed(ChildSlot::Measure);
    e->accept();
}

}  // namespace sonavistor
