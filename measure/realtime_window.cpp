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

TForm5::TForm5(MeasurementDatabase& database, MeterConnection& meter, const WindowContext& context,
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
    FormCreate();
    // The reading is shown inside the request's wait, before the wait ends.
    connect(&meter_, &MeterConnection::liveReading, this, &TForm5::ShowRead_Pro, Qt::DirectConnection);
}

TForm5::~TForm5() = default;

void TForm5::FormCreate()
{
    Label2->setText(QStringLiteral("A"));
    for (QLabel* flag : {fastlable, slowlable, underlable, overlable})
        showFlag(flag, false);
    // MAX and MIN stay lit until the first reading says otherwise.
    showFlag(maxlable, true);
    showFlag(minlable, true);
    BitBtn6->setEnabled(false);
    database_.ClearTable(TableMeaData);
    BitBtn8->hide();
    Timer1->stop();
    LEDFontNum1->setWordWidth(28);
    LEDFontNum1->setWordHeight(48);  // the display makes it 49
    LEDFontNum1->setThick(6);
    for (TLEDFontNum* limit : {LEDFontNum2, LEDFontNum3}) {
        limit->setWordWidth(13);
        limit->setWordHeight(17);
        limit->setThick(3);
        limit->setSpace(0);
    }
    BitBtn2->setEnabled(false);
    MeasureState.MaxLevel = 0;
    MeasureState.MinLevel = 0;
    MeasureState.ReadingCount = 0;
    LEDFontNum1->setText(QStringLiteral("0.0"));
    LEDFontNum1->setSpokenText(levelSpeech(LEDFontNum1->Text(), Label2->text(), {}));
    showRange(rangeLimits(0));
    describeChart({});
    LEDFontNum1->move((image1->width() - 2 * LEDFontNum1->WordWidth()) / 2, 75);
    BitBtn7->setEnabled(false);
    image1->DrawGauge(50);
    chart_->setRange(Axis::Bottom, {0, 59});
    ShellState.ChildReady = true;
    MeasureState.MeasureWindowOpen = true;
}

// ---------------------------------------------------------------- measuring

bool TForm5::isMeasuring() const
{
    // "Visible" is the button's own flag, not whether it is on screen now.
    return BitBtn1->isHidden();
}

bool TForm5::saveEnabled() const
{
    return BitBtn7->isEnabled();
}

bool TForm5::canSave() const
{
    return saveEnabled() && !isMeasuring();
}

bool TForm5::canExport() const
{
    return !isMeasuring() && !database_.isEmpty(TableMeaData);
}

void TForm5::BitBtn1Click()
{
    if (!meter_.connected())
        return;
    measuring_ = meter_.reserve(MeterUse::Measuring);
    if (!measuring_)
        return;
    BitBtn1->hide();
    BitBtn8->show();
    BitBtn7->setEnabled(false);
    alerts_.reset();
    Timer1->start(1000);
}

void TForm5::Timer1Timer()
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

void TForm5::playAlarms(int level)
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

void TForm5::showRange(const std::optional<std::pair<int, int>>& range)
{
    // Range indexes 5 to 7 have no limits: the display keeps the last range.
    if (range) {
        LEDFontNum2->setText(QString::number(range->first));
        LEDFontNum3->setText(QString::number(range->second));
    }
    const QString name = rangeSpeech(LEDFontNum2->Text().toInt(), LEDFontNum3->Text().toInt());
    LEDFontNum2->setAccessibleName(name);
    LEDFontNum3->setAccessibleName(name);
}

void TForm5::ShowRead_Pro(const LiveReading& reading)
{
    playAlarms(reading.level);  // the level before the limit
    const int level = limitedLevel(reading.level);
    const QString text = levelDisplayText(level);
    LEDFontNum1->setText(text);
    const double v = level / 10.0;
    LEDFontNum1->move(centredLeft(image1->width(), static_cast<int>(text.size()), LEDFontNum1->WordWidth()),
                      LEDFontNum1->y());
    ++MeasureState.ReadingCount;
    BitBtn2->setEnabled(true);

    showFlag(maxlable, reading.maxHold);
    showFlag(minlable, reading.minHold);
    showFlag(fastlable, reading.fast);
    showFlag(slowlable, !reading.fast);

    showRange(reading.range);
    const auto& range = reading.range;
    const int low = range ? range->first : LEDFontNum2->Text().toInt();
    const int high = range ? range->second : LEDFontNum3->Text().toInt();
    const GaugeState gauge = gaugeFor(v, low, high);
    showFlag(underlable, gauge.under);
    showFlag(overlable, gauge.over);
    image1->DrawGauge(gauge.ticks);

    const QString weight = reading.weighting();
    const QDateTime now = QDateTime::currentDateTime();
    // A database error is shown by the standard error box; the rest of this
    // reading is skipped and the next one is handled as usual.
    DataGrid1->setUpdatesEnabled(false);
    try {
        database_.appendRow(TableMeaData, {rowDate(now.date()), rowTime(now.time()), text, weight,
                                                  MeasureState.ReadingCount});
    } catch (...) {
        DataGrid1->setUpdatesEnabled(true);
        throw;
    }
    Label2->setText(weight);
    LEDFontNum1->setSpokenText(levelSpeech(text, weight, {gauge.under, gauge.over, reading.fast, !reading.fast,
                                                          reading.maxHold, reading.minHold}));
    DataGrid1->scrollToBottom();
    DataGrid1->setUpdatesEnabled(true);

    stats_.MaxLevel = MeasureState.MaxLevel;
    stats_.MinLevel = MeasureState.MinLevel;
    stats_.LevelSum = MeasureState.LevelSum;
    stats_.add(v, MeasureState.ReadingCount);
    MeasureState.MaxLevel = stats_.MaxLevel;
    MeasureState.MinLevel = stats_.MinLevel;
    MeasureState.LevelSum = stats_.LevelSum;
    DataGrid1->viewport()->update();  // the maximum and minimum rows may have changed

    footer_->setText(footerLine1(MeasureState.MaxLevel, MeasureState.MinLevel,
                                 stats_.average(MeasureState.ReadingCount)) +
                     QLatin1Char('\n') + footerLine2(QLocale::system().toString(now.date(), QLocale::ShortFormat)));
    chart_->addPoint(v, true);
    describeChart(v);
    MeasureState.LiveDataSaved = false;
    for (const QString& news : alerts_.update({highAlarm_, lowAlarm_, gauge.over, gauge.under}))
        announcer_->say(news);
}

void TForm5::describeChart(std::optional<double> latest)
{
    Chart1->setAccessibleDescription(chartDescription(footer_->text().split(QLatin1Char('\n')), latest));
}

void TForm5::sayLevel()
{
    const bool any = MeasureState.ReadingCount > 0;
    const auto figure = [any](double v) { return any ? std::optional<double>(v) : std::nullopt; };
    announcer_->say(levelSummary(LEDFontNum1->Text(), figure(MeasureState.MaxLevel), figure(MeasureState.MinLevel),
                                 figure(stats_.average(MeasureState.ReadingCount))));
}

void TForm5::BitBtn8Click()
{
    Timer1->stop();
    BitBtn8->hide();
    BitBtn1->show();
    if (database_.isEmpty(TableMeaData)) {
        BitBtn7->setEnabled(false);
    } else {
        BitBtn7->setEnabled(true);
        BitBtn6->setEnabled(true);
    }
    meter_.endLiveReadings();
    releaseMeter();
}

void TForm5::releaseMeter()
{
    // Only the marker this window set: "Stop Measure" also runs, from other
    // commands, while an import holds the meter.
    measuring_.release();
}

void TForm5::BitBtn2Click()
{
    database_.ClearTable(TableMeaData);
    MeasureState.LiveDataSaved = true;
    Edit1->clear();
    BitBtn7->setEnabled(false);
    BitBtn6->setEnabled(false);
    chart_->clear();
    MeasureState.ReadingCount = 0;
    BitBtn2->setEnabled(false);
    footer_->clear();
    describeChart({});
    chart_->setRange(Axis::Bottom, {0, 59});
}

// ---------------------------------------------------------------- saving

void TForm5::BitBtn7Click()
{
    BitBtn7->setEnabled(false);
    MeasureState.LiveDataSaved = true;
    const auto notSaved = [this] {
        BitBtn7->setEnabled(true);
        MeasureState.LiveDataSaved = false;
    };
    if (Edit1->text().isEmpty()) {
        const QString chosen = context_.dialogs.getSaveFileName(this, QString::fromLatin1(kSaveFilter));
        if (chosen.isEmpty())
            return notSaved();
        const QString path = withSavedFileExtension(chosen);
        if (!mayReplaceFile(context_.messages, path, path + QString::fromLatin1(kReplaceQuestion),
                            QString::fromLatin1(kQueryCaption)))
            return notSaved();
        Edit1->setText(path);
    }
    try {
        writeSavedFile(Edit1->text(), database_.rows(TableMeaData));
    } catch (const std::exception& error) {
        // Nothing was saved (the old file stays as it was): the rows stay
        // unsaved, so closing still asks.
        notSaved();
        context_.messages.showException(error);
    }
}

// ---------------------------------------------------------------- closing

void TForm5::closeEvent(QCloseEvent* e)
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
    BitBtn1->show();
    BitBtn8->hide();
    Timer1->stop();
    releaseMeter();
    if (!MeasureState.LiveDataSaved) {
        BitBtn7->setEnabled(true);
        const MessageButton answer =
            context_.messages.show({QString::fromLatin1(kNotSavedQuestion), QString::fromLatin1(kQueryCaption),
                                   MessageIcon::Question, Yes | No | Cancel, Yes});
        if (answer == Yes) {
            try {
                BitBtn7Click();
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
