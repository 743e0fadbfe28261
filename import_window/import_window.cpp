#include "import_window/import_window.h"

#include "analysis/saved_file.h"
#include "common/error.h"
#include "common/file_dialogs.h"
#include "common/message_service.h"
#include "common/shell_state.h"
#include "import/day_import.h"
#include "import/day_list.h"
#include "import_window/import_view.h"
#include "widgets/accessible_text.h"
#include "widgets/level_chart.h"
#include "widgets/live_display.h"
#include "widgets/print_graph.h"
#include "widgets/progress_bar.h"
#include "meter/meter_connection.h"
#include "store/measurement_db.h"
#include "store/reading_table_model.h"

#include <QApplication>
#include <QChartView>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace sonavistor {

namespace {

constexpr char kCaption[] = "Sonavistor Import Data ";
constexpr char kErrorCaption[] = "Error Infromation";
constexpr char kQueryCaption[] = "Query Information";
constexpr char kNotConnected[] = " Deviceis not connected ";
constexpr char kNoRecords[] = " No recordes !";
constexpr char kSelectDate[] = "Please select a date!";
constexpr char kDeviceError[] = "Device is Error!";
constexpr char kImportFailed[] = "Import Failed! try again";
constexpr char kWaitDates[] = "Please wait a few seconds......";
constexpr char kWaitImport[] = "Please wait a few minutes......";
constexpr char kWaitSave[] = "Please wait a few seconds......";
constexpr char kNotSaved[] = "Up-load data have not save yet!\rDo you want to save data?";
constexpr char kReplace[] = "Filename  already exits!\rAre you sure to replace it?";
constexpr char kSaveFilter[] = "*.QRV|*.QRV|*.qrv|*.qrv";
constexpr int kSaveProgressMaximum = 43200;
constexpr int kRetryMs = 10;
// The event loop runs and the figures are shown about once per screen
// refresh, not once per row: a day is 43,200 rows.
constexpr int kRefreshMs = 16;

// Says when the next screen refresh is due.
class RefreshPace {
public:
    RefreshPace() { clock_.start(); }
    bool due()
    {
        if (clock_.elapsed() < kRefreshMs)
            return false;
        clock_.restart();
        return true;
    }

private:
    QElapsedTimer clock_;
};

// The Save's bar: it counts rows up to 43,200 and lets the event loop run
// once a refresh while the file is being written.
class SaveProgress : public Progress {
public:
    explicit SaveProgress(QProgressBar* bar) : bar_(bar) {}
    void setMaximum(int) override {}  // the bar keeps its 43,200
    void setPosition(int position) override
    {
        position_ = position;
        if (pace_.due()) {
            bar_->setValue(std::min(position_, bar_->maximum()));
            QCoreApplication::processEvents();
        }
    }
    int position() const override { return position_; }

private:
    QPointer<QProgressBar> bar_;
    RefreshPace pace_;
    int position_ = 0;
};

// The window's boxes go to the program's message service; the window learns
// when each has closed, and none may close the window under it.
class WindowMessages : public MessageService {
public:
    WindowMessages(MessageService& service, int& open, std::function<void()> after)
        : service_(service), open_(open), after_(std::move(after))
    {
    }
    MessageButton show(const MessageRequest& request) override
    {
        ++open_;
        MessageButton answer;
        try {
            answer = service_.show(request);
        } catch (...) {
            --open_;
            throw;
        }
        --open_;
        after_();
        return answer;
    }

private:
    MessageService& service_;
    int& open_;
    std::function<void()> after_;
};

}  // namespace

ImportWindow::ImportWindow(MeasurementDatabase& database, MeterConnection& meter, const WindowContext& context,
               QWidget* toolBar)
    : database_(database), meter_(meter), context_(context), toolBar_(toolBar)
{
    messages_ = std::make_unique<WindowMessages>(context_.messages, openMessages_, [this] { afterMessage(); });
    messages_->setApplicationTitle(context_.messages.applicationTitle());
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QString::fromLatin1(kCaption));
    resize(1000, 600);
    ShellState.ChildReady = false;
    buildLayout();
    events().watch(saveButton_);  // Save follows its button
    progress_ = std::make_unique<ProgressBarProgress>(progressBar_);
    startEmpty();
}

ImportWindow::~ImportWindow() = default;

void ImportWindow::startEmpty()
{
    ShellState.ChildReady = false;
    database_.ClearTable(TableGetRecorde);
    chart_->setRange(Axis::Left, {0, 140});
    chart_->setRange(Axis::Bottom, {0, 59});
    progressPanel_->hide();
    datePanel_->hide();
    ShellState.ChildReady = true;
    progressBar_->setMaximum(100);
    progressBar_->setValue(0);
    importButton_->setEnabled(true);
    recordsEdit_->setEnabled(false);
    saveButton_->setEnabled(false);
    setChartButtonsEnabled(false);
    meter_.forgetRecordCount();
}

bool ImportWindow::saveEnabled() const
{
    return saveButton_->isEnabled();
}

bool ImportWindow::canExport() const
{
    return !database_.isEmpty(TableGetRecorde);
}

void ImportWindow::save()
{
    // File > Save may come while the main window's enable rules lag behind.
    if (saveButton_->isEnabled())
        saveDay();
}

// ---------------------------------------------------------------- the day list

void ImportWindow::openDayList()
{
    if (operation_ != Operation::None)
        return;
    importSession_.reset();
    // The marker is left as it is: it may be the real-time window's.
    if (!meter_.connected() || meter_.inUse() || meter_.requestInProgress()) {
        messages().show({QString::fromLatin1(kNotConnected), QString::fromLatin1(kErrorCaption),
                                MessageIcon::Information, Ok, Ok});
        return;
    }
    if ((meter_.recordCount() == 0 || dateList_->count() == 0) && !fetchDayList())
        return;
    progressPanel_->hide();
    showPanel(datePanel_);
    dateList_->setFocus();
}

bool ImportWindow::fetchDayList()
{
    startOperation(Operation::ReadingDates);
    // Nothing else may ask the meter while the days are read.
    MeterReservation readingDays = meter_.reserve(MeterUse::Importing);
    importButton_->setEnabled(false);
    setToolBarEnabled(false);
    progressLabel_->setText(QString::fromLatin1(kWaitDates));
    progressBar_->setValue(0);
    showPanel(progressPanel_);
    DayListOutcome list = readDayList(meter_, progress_.get());
    readingDays.release();
    importButton_->setEnabled(true);
    setToolBarEnabled(true);
    const bool ready = list.status == DayListStatus::Ready;
    if (ready) {
        days_ = std::move(list.days);
        dateList_->clear();
        for (int i = 0; i < days_.size(); ++i)
            dateList_->addItem(days_.text(i));
    } else {
        // Nothing usable was read: the next Import asks the meter again.
        meter_.forgetRecordCount();
        days_ = {};
        dateList_->clear();
        progressPanel_->hide();
    }
    const bool closing = closer_.requested();
    finishOperation();
    switch (list.status) {
    case DayListStatus::Ready:
        break;
    case DayListStatus::NoCountMark:
    case DayListStatus::NoRecords:
        messages().show({QString::fromLatin1(kNoRecords), QString::fromLatin1(kErrorCaption),
                                MessageIcon::Information, Ok, Ok});
        break;
    case DayListStatus::CountFailed:
    case DayListStatus::DatesFailed:
        meterFailed(QStringLiteral("The list of recorded days could not be read"), list.request);
        break;
    }
    return ready && !closing;
}

// ---------------------------------------------------------------- importing

void ImportWindow::importChosenDay()
{
    if (operation_ == Operation::None)
        runAttempt(false);
}

void ImportWindow::closeDayList()
{
    const bool hadFocus = datePanel_->isAncestorOf(QApplication::focusWidget());
    datePanel_->hide();
    if (hadFocus)
        importButton_->setFocus();  // where the panel was opened from
}

void ImportWindow::retryImport()
{
    retryTimer_->stop();
    runAttempt(true);
}

void ImportWindow::runAttempt(bool automatic)
{
    int line = attemptLine_;
    if (!automatic) {
        const QList<QListWidgetItem*> selected = dateList_->selectedItems();
        line = selected.isEmpty() ? -1 : dateList_->row(selected.first());
    }
    if (line < 0 || line >= days_.size()) {
        messages().inform(QString::fromLatin1(kSelectDate));
        if (automatic)
            abandonImport();
        return;
    }
    if (!meter_.connected() || meter_.inUse() || meter_.requestInProgress()) {
        messages().inform(QString::fromLatin1(kDeviceError));
        // A retry that finds the meter gone leaves nothing half done.
        if (automatic)
            abandonImport();
        return;
    }
    startOperation(Operation::Importing);
    attemptLine_ = line;
    setToolBarEnabled(false);
    importing_ = meter_.reserve(MeterUse::Importing);
    importButton_->setEnabled(false);
    // A device change since the list was read has cleared the count, where
    // the last day's records end: ask for it again.
    if (meter_.recordCount() == 0) {
        const DayListOutcome count = readUsableRecordCount(meter_);
        if (closer_.requested() || count.status != DayListStatus::Ready) {
            abandonImport();
            if (count.status == DayListStatus::CountFailed)
                meterFailed(QStringLiteral("The day could not be imported"), count.request);
            else if (count.status != DayListStatus::Ready)
                messages().show({QString::fromLatin1(kNoRecords), QString::fromLatin1(kErrorCaption),
                                 MessageIcon::Information, Ok, Ok});
            return;
        }
    }
    days_.recordCount = meter_.recordCount();
    const DayRange range = days_.range(line);

    try {
        database_.ClearTable(TableGetRecorde);
    } catch (const std::exception& error) {
        abandonImport();
        messages().showException(error);
        return;
    }
    recordsEdit_->setEnabled(true);
    saveButton_->setEnabled(false);
    figures_.reset();
    clearFigures();
    // Every attempt draws its day from the start of the chart: a view left
    // far to the right by a longer day would show nothing of a shorter one.
    chart_->clear();
    chart_->setRange(Axis::Bottom, {0, 59});

    progressLabel_->setText(QString::fromLatin1(kWaitImport));
    showPanel(progressPanel_);
    datePanel_->hide();

    const ImportAttempt attempt = importSession_.attempt(meter_, range, progress_.get());
    if (closer_.requested())
        return abandonImport();  // closed during the read: the window goes, the day is not loaded
    switch (attempt.outcome) {
    case ImportAttempt::Outcome::MeterFailed:
        abandonImport();
        meterFailed(QStringLiteral("The day could not be imported"), attempt.request);
        return;
    case ImportAttempt::Outcome::BadRecord:
        return attemptFailed();
    case ImportAttempt::Outcome::Imported:
        break;
    }
    try {
        loadImportedRows(database_, context_.programFolder, attempt.rows);
    } catch (const std::exception& error) {
        // The load is all or nothing: GetRecorde stays empty.
        abandonImport();
        messages().showException(error);
        return;
    }
    showDay(attempt.rows);

    progressBar_->setValue(progressBar_->maximum());
    importButton_->setEnabled(true);
    saveButton_->setEnabled(true);
    ShellState.ProgressPosition = 0;
    progressPanel_->hide();
    importing_.release();
    setChartButtonsEnabled(true);
    setToolBarEnabled(true);
    finishOperation();
}

void ImportWindow::showDay(const std::vector<ReadingRow>& rows)
{
    // The rows are in GetRecorde already; the figures count up over them and
    // the chart takes them all at once, drawn once at the end.
    std::vector<QPointF> points;
    points.reserve(rows.size());
    const int start = progressBar_->value();
    RefreshPace pace;
    for (const ReadingRow& row : rows) {
        const double level = rowLevel(row);
        figures_.add(level);
        points.emplace_back(static_cast<double>(points.size()), level);
        if (pace.due()) {
            showFigures();
            progressBar_->setValue(start + figures_.count());
            QCoreApplication::processEvents();
        }
    }
    showFigures();
    progressBar_->setValue(start + figures_.count());
    chart_->setRange(Axis::Bottom, followedRange(chart_->range(Axis::Bottom), static_cast<int>(points.size())));
    chart_->setPoints(std::move(points));
    chart_->repaint();
}

void ImportWindow::showFigures()
{
    recordsEdit_->setText(figures_.recordsText());
    maxEdit_->setText(figures_.maxText());
    minEdit_->setText(figures_.minText());
    avgEdit_->setText(figures_.avgText());
    QStringList shown;
    if (figures_.count() > 0)
        shown << footerLine1(figures_.maximum(), figures_.minimum(), figures_.total() / figures_.count());
    chartView_->setAccessibleDescription(chartDescription(shown, std::nullopt));
}

void ImportWindow::clearFigures()
{
    for (QLineEdit* box : {recordsEdit_, maxEdit_, minEdit_, avgEdit_})
        box->clear();
    chartView_->setAccessibleDescription(chartDescription({}, std::nullopt));
}

void ImportWindow::attemptFailed()
{
    importing_.release();
    if (importSession_.retryDue()) {
        operation_ = Operation::WaitingForRetry;
        retryTimer_->start(kRetryMs);
        return;
    }
    importSession_.reset();
    progressPanel_->hide();
    importButton_->setEnabled(true);
    setToolBarEnabled(true);
    finishOperation();
    messages().inform(QString::fromLatin1(kImportFailed));
}

void ImportWindow::abandonImport()
{
    retryTimer_->stop();
    importSession_.reset();
    importing_.release();
    progressPanel_->hide();
    chart_->clear();
    importButton_->setEnabled(true);
    setToolBarEnabled(true);
    if (operation_ != Operation::None)
        finishOperation();
}

void ImportWindow::meterFailed(const QString& during, RequestResult result)
{
    if (result == RequestResult::Stopped)
        return;  // the window is closing: nothing to tell
    messages().show({during + QStringLiteral(": ") + describe(result) + QLatin1Char('.'),
                            QString::fromLatin1(kErrorCaption), MessageIcon::Information, Ok, Ok});
}

// ---------------------------------------------------------------- chart

void ImportWindow::printGraph()
{
    // The page carries the figures of the day below the chart.
    QStringList footer;
    if (figures_.count() > 0) {
        footer << footerLine1(figures_.maximum(), figures_.minimum(), figures_.total() / figures_.count())
               << QStringLiteral("          Records:  %1").arg(figures_.count());
    }
    PrintGraph(*chart_, footer, context_);
}

void ImportWindow::setChartButtonsEnabled(bool enabled)
{
    for (QPushButton* b : chartButtons_)
        b->setEnabled(enabled);
}

// ---------------------------------------------------------------- saving

void ImportWindow::saveDay()
{
    if (operation_ != Operation::None)
        return;
    const QString chosen = context_.dialogs.getSaveFileName(this, QString::fromLatin1(kSaveFilter));
    if (chosen.isEmpty())
        return;
    const QString path = withSavedFileExtension(chosen);
    if (!mayReplaceFile(messages(), path, QString::fromLatin1(kReplace), QString::fromLatin1(kQueryCaption)))
        return;
    savedFileEdit_->setText(path);
    saveButton_->setEnabled(false);

    startOperation(Operation::Saving);
    // A new import must not replace the rows while they are written.
    importButton_->setEnabled(false);
    progressLabel_->setText(QString::fromLatin1(kWaitSave));
    progressBar_->setMaximum(kSaveProgressMaximum);
    progressBar_->setValue(0);
    showPanel(progressPanel_);
    try {
        SaveProgress progress(progressBar_);
        writeSavedFile(path, database_.rows(TableGetRecorde), &progress);
    } catch (const std::exception& error) {
        // Nothing was saved (the old file stays as it was): the rows stay
        // unsaved, so closing the window still asks.
        saveButton_->setEnabled(true);
        progressPanel_->hide();
        importButton_->setEnabled(true);
        finishOperation();
        messages().showException(error);
        return;
    }
    progressBar_->setValue(std::min(model_->rowCount(), kSaveProgressMaximum));
    progressPanel_->hide();
    importButton_->setEnabled(true);
    finishOperation();
}

// ---------------------------------------------------------------- closing

void ImportWindow::startOperation(Operation operation)
{
    operation_ = operation;
}

void ImportWindow::afterMessage()
{
    if (openMessages_ == 0 && operation_ == Operation::None)
        closer_.complete();
}

void ImportWindow::finishOperation()
{
    operation_ = Operation::None;
    // The close that came during the operation, now that nothing waits.
    if (openMessages_ == 0)
        closer_.complete();
}

void ImportWindow::closeWindow()
{
    DeferredClose::closeNow(*this);
}

void ImportWindow::closeEvent(QCloseEvent* e)
{
    if (closing_) {
        e->accept();
        return;
    }
    if (openMessages_ > 0) {
        // Never destroyed under its own box: it closes once the box has.
        closer_.request();
        e->ignore();
        return;
    }
    if (operation_ == Operation::WaitingForRetry) {
        abandonImport();
    } else if (operation_ != Operation::None) {
        // Never destroyed under a running wait: a wait for the meter ends
        // now, and the window closes as soon as the operation has unwound.
        closer_.request();
        if (operation_ == Operation::ReadingDates || operation_ == Operation::Importing)
            meter_.stopWaiting();
        e->ignore();
        return;
    }
    if (saveButton_->isEnabled()) {
        const MessageButton answer =
            messages().show({QString::fromLatin1(kNotSaved), QString::fromLatin1(kQueryCaption),
                                    MessageIcon::Question, Yes | No | Cancel, Yes});
        if (answer == Yes) {
            saveDay();  // closes whatever its outcome
        } else if (answer != No) {
            childCloseCancelled(ChildSlot::Import, this);
            if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
                sub->showMinimized();
            e->ignore();
            return;
        }
    }
    closing_ = true;
    retryTimer_->stop();
    childClosed(ChildSlot::Import);
    e->accept();
}

}  // namespace sonavistor
