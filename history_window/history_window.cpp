#include "history_window/history_window.h"

#include "common/error.h"
#include "common/file_dialogs.h"
#include "common/message_service.h"
#include "common/settings_file.h"
#include "common/whole_file.h"
#include "history_window/history_models.h"
#include "history_window/history_scan_job.h"
#include "history_window/level_colours.h"

#include <QChart>
#include <QChartView>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QValueAxis>
#include <QVBoxLayout>

#include <set>

namespace sonavistor {

namespace {

// Where the settings file keeps the last folder shown.
constexpr char kSettingsSection[] = "Noise History";
constexpr char kFolderKey[] = "FOLDER";
constexpr char kCsvFilter[] = "CSV files (*.csv)|*.csv";
constexpr char kReplaceQuestion[] = "  already exists!\rDo you want to replace it?";
constexpr char kQueryCaption[] = "Query  Information";
// Watched file changes are gathered this long before the folder is read
// again: the logger writes its day file once a second.
constexpr int kChangeDelayMs = 500;
// Files changed this recently are watched for their contents as well: the
// day the logger is writing.
constexpr qint64 kWatchRecentMs = 2 * 24 * 3600 * 1000LL;
constexpr int kHourWidth = 22;
constexpr int kDateWidth = 110;

// The colour scale beside the calendar, labelled every 10 dB.
class LevelLegend : public QWidget {
public:
    explicit LevelLegend(QWidget* parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("Legend"));
        setAccessibleName(QStringLiteral("Colour scale from %1 to %2 dB").arg(kScaleLowest).arg(kScaleHighest));
        setMinimumHeight(44);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const int left = 8;
        const int width = this->width() - 2 * left;
        const QRect bar(left, 4, width, 16);
        for (int x = 0; x < width; ++x) {
            const double level = kScaleLowest + (kScaleHighest - kScaleLowest) * x / std::max(1, width - 1);
            p.setPen(levelColour(level));
            p.drawLine(bar.left() + x, bar.top(), bar.left() + x, bar.bottom());
        }
        p.setPen(palette().color(QPalette::WindowText));
        for (int level = static_cast<int>(kScaleLowest); level <= kScaleHighest; level += 10) {
            const int x = left + static_cast<int>((level - kScaleLowest) / (kScaleHighest - kScaleLowest) * (width - 1));
            p.drawLine(x, bar.bottom(), x, bar.bottom() + 4);
            const QString text = level == kScaleHighest ? QStringLiteral("%1 dB").arg(level) : QString::number(level);
            const int w = fontMetrics().horizontalAdvance(text);
            p.drawText(std::clamp(x - w / 2, 0, this->width() - w), bar.bottom() + 6 + fontMetrics().ascent(), text);
        }
    }
};

// A line above the first day of each month.
class MonthDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const auto* model = static_cast<const CalendarModel*>(index.model());
        const CalendarDay& day = model->days()[static_cast<size_t>(index.row())];
        if (day.hours[static_cast<size_t>(index.column())].count)
            painter->fillRect(option.rect, levelColour(day.hours[static_cast<size_t>(index.column())].leq));
        if (option.state & QStyle::State_HasFocus) {
            painter->setPen(QPen(option.palette.color(QPalette::Highlight), 2));
            painter->drawRect(option.rect.adjusted(1, 1, -1, -1));
        }
        if (day.date.day() == 1) {
            painter->setPen(QPen(option.palette.color(QPalette::WindowText), 2));
            painter->drawLine(option.rect.topLeft(), option.rect.topRight());
        }
    }
};

QPushButton* button(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

}  // namespace

NoiseHistoryWindow::NoiseHistoryWindow(MessageService& messages, FileDialogService& dialogs, FolderQuestion askFolder,
                                       QString indexPath, QString settingsPath, QWidget* parent)
    : QWidget(parent),
      messages_(messages),
      dialogs_(dialogs),
      askFolder_(std::move(askFolder)),
      indexPath_(std::move(indexPath)),
      settingsPath_(std::move(settingsPath))
{
    setObjectName(QStringLiteral("NoiseHistory"));
    setWindowTitle(QStringLiteral("Noise History"));
    job_ = new HistoryScanJob(indexPath_, this);
    watcher_ = new QFileSystemWatcher(this);
    changeDelay_ = new QTimer(this);
    changeDelay_->setSingleShot(true);
    changeDelay_->setInterval(kChangeDelayMs);
    buildLayout();

    connect(job_, &HistoryScanJob::progress, this, [this](int done, int total) {
        ScanProgress->setMaximum(std::max(total, 1));
        ScanProgress->setValue(done);
    });
    connect(job_, &HistoryScanJob::finished, this, &NoiseHistoryWindow::showResult);
    const auto changed = [this] { changeDelay_->start(); };
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, changed);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, changed);
    connect(changeDelay_, &QTimer::timeout, this, [this] {
        if (!folder_.isEmpty())
            job_->start(folder_);
    });
}

NoiseHistoryWindow::~NoiseHistoryWindow() = default;

void NoiseHistoryWindow::buildLayout()
{
    resize(1100, 760);
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    FolderLabel = new QLabel(this);
    FolderLabel->setObjectName(QStringLiteral("FolderLabel"));
    FolderLabel->setAccessibleName(QStringLiteral("Folder"));
    ChooseButton = button(this, "ChooseButton", QStringLiteral("Choose &Folder..."));
    ScanProgress = new QProgressBar(this);
    ScanProgress->setObjectName(QStringLiteral("ScanProgress"));
    ScanProgress->setAccessibleName(QStringLiteral("Files read"));
    ScanProgress->setFormat(QStringLiteral("%v of %m files read"));
    ScanProgress->hide();
    CancelButton = button(this, "CancelButton", QStringLiteral("Cancel"));
    CancelButton->setShortcut(QKeySequence(Qt::Key_Escape));  // only while it shows: during a scan
    CancelButton->hide();
    top->addWidget(FolderLabel, 1);
    top->addWidget(ScanProgress);
    top->addWidget(CancelButton);
    top->addWidget(ChooseButton);
    layout->addLayout(top);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    layout->addWidget(splitter, 1);

    // Left: the calendar over its legend.
    auto* left = new QWidget(splitter);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto* calendarLabel = new QLabel(QStringLiteral("&Calendar (hourly Leq)"), left);
    Calendar = new QTableView(left);
    Calendar->setObjectName(QStringLiteral("Calendar"));
    Calendar->setAccessibleName(QStringLiteral("Calendar"));
    calendarLabel->setBuddy(Calendar);
    calendarModel_ = new CalendarModel(this);
    Calendar->setModel(calendarModel_);
    Calendar->setItemDelegate(new MonthDelegate(Calendar));
    Calendar->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Calendar->setSelectionMode(QAbstractItemView::SingleSelection);
    Calendar->setShowGrid(false);
    // Small fixed cells: a whole day across, a month down in one view.
    Calendar->horizontalHeader()->setMinimumSectionSize(10);
    Calendar->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Calendar->horizontalHeader()->setDefaultSectionSize(kHourWidth);
    Calendar->verticalHeader()->setMinimumSectionSize(10);
    Calendar->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Calendar->verticalHeader()->setDefaultSectionSize(16);
    Calendar->verticalHeader()->setFixedWidth(kDateWidth);
    Calendar->setMinimumWidth(kDateWidth + 24 * kHourWidth + Calendar->style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                              2 * Calendar->frameWidth() + 4);
    auto* legend = new LevelLegend(left);
    leftLayout->addWidget(calendarLabel);
    leftLayout->addWidget(Calendar, 1);
    leftLayout->addWidget(legend);

    // Right: the day line, the day table, the files not read.
    auto* right = new QSplitter(Qt::Vertical, splitter);
    DayLine = new QChartView(right);
    DayLine->setObjectName(QStringLiteral("DayLine"));
    DayLine->setAccessibleName(QStringLiteral("Day line"));
    DayLine->setMinimumHeight(200);
    DayLine->setRenderHint(QPainter::Antialiasing);

    auto* tablePane = new QWidget(right);
    auto* tableLayout = new QVBoxLayout(tablePane);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    auto* tableTop = new QHBoxLayout;
    auto* dayLabel = new QLabel(QStringLiteral("&Days"), tablePane);
    ExportButton = button(tablePane, "ExportButton", QStringLiteral("&Export CSV..."));
    tableTop->addWidget(dayLabel, 1);
    tableTop->addWidget(ExportButton);
    DayTable = new QTableView(tablePane);
    DayTable->setObjectName(QStringLiteral("DayTable"));
    DayTable->setAccessibleName(QStringLiteral("Days"));
    dayLabel->setBuddy(DayTable);
    dayModel_ = new DayTableModel(this);
    daySort_ = new QSortFilterProxyModel(this);
    daySort_->setSourceModel(dayModel_);
    daySort_->setSortRole(DayTableModel::SortRole);
    DayTable->setModel(daySort_);
    DayTable->setSortingEnabled(true);
    DayTable->sortByColumn(static_cast<int>(DayColumn::Date), Qt::AscendingOrder);
    DayTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DayTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    DayTable->setSelectionMode(QAbstractItemView::SingleSelection);
    DayTable->verticalHeader()->hide();
    DayTable->verticalHeader()->setDefaultSectionSize(20);
    DayTable->horizontalHeader()->setStretchLastSection(true);
    tableLayout->addLayout(tableTop);
    tableLayout->addWidget(DayTable, 1);

    auto* problemPane = new QWidget(right);
    auto* problemLayout = new QVBoxLayout(problemPane);
    problemLayout->setContentsMargins(0, 0, 0, 0);
    auto* problemLabel = new QLabel(QStringLiteral("Files &not read"), problemPane);
    Problems = new QTableWidget(0, 2, problemPane);
    Problems->setObjectName(QStringLiteral("Problems"));
    Problems->setAccessibleName(QStringLiteral("Files not read"));
    problemLabel->setBuddy(Problems);
    Problems->setHorizontalHeaderLabels({QStringLiteral("File"), QStringLiteral("Reason")});
    Problems->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Problems->verticalHeader()->hide();
    // Read-only tables: Tab goes on to the next control, arrows move within.
    for (QAbstractItemView* view : std::initializer_list<QAbstractItemView*>{Calendar, DayTable, Problems})
        view->setTabKeyNavigation(false);
    Problems->horizontalHeader()->setStretchLastSection(true);
    problemLayout->addWidget(problemLabel);
    problemLayout->addWidget(Problems, 1);
    right->setStretchFactor(0, 2);
    right->setStretchFactor(1, 3);
    right->setStretchFactor(2, 1);

    StatusLabel = new QLabel(this);
    StatusLabel->setObjectName(QStringLiteral("StatusLabel"));
    layout->addWidget(StatusLabel);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    showDayLine({}, {});

    connect(ChooseButton, &QPushButton::clicked, this, [this] { chooseFolder(); });
    connect(CancelButton, &QPushButton::clicked, this, &NoiseHistoryWindow::cancelScan);
    connect(ExportButton, &QPushButton::clicked, this, &NoiseHistoryWindow::exportCsv);
    connect(Calendar->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) {
                    const CalendarDay& day = calendarModel_->days()[static_cast<size_t>(current.row())];
                    showDayLine(day.date, day.hours);
                }
            });
    connect(DayTable->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid()) {
                    const DayRow& row = dayModel_->rows()[static_cast<size_t>(daySort_->mapToSource(current).row())];
                    showDayLine(row.figures.date, row.figures.hours);
                }
            });
    connect(Calendar, &QTableView::activated, this, &NoiseHistoryWindow::openDayOfCalendar);
    connect(DayTable, &QTableView::activated, this, &NoiseHistoryWindow::openDayOfTable);
}

QString NoiseHistoryWindow::rememberedFolder() const
{
    if (!settingsPath_.isEmpty()) {
        const QString folder = readSettingsValue(settingsPath_, kSettingsSection, kFolderKey);
        if (!folder.isEmpty())
            return folder;
    }
    return QDir::homePath() + QStringLiteral("/sonavistor-log");
}

bool NoiseHistoryWindow::chooseFolder()
{
    const QString folder = askFolder_(this, folder_.isEmpty() ? rememberedFolder() : folder_);
    if (folder.isEmpty())
        return false;
    openFolder(folder);
    return true;
}

void NoiseHistoryWindow::openFolder(const QString& folder)
{
    const QString chosen = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    if (chosen != folder_)
        calendarModel_->setDays({});  // another folder starts at its latest days
    folder_ = chosen;
    FolderLabel->setText(QDir::toNativeSeparators(folder_));
    try {
        if (!settingsPath_.isEmpty() && readSettingsValue(settingsPath_, kSettingsSection, kFolderKey) != folder_)
            writeSettingsValue(settingsPath_, kSettingsSection, kFolderKey, folder_);
        HistoryIndex index(indexPath_);
        showOverview(index.files(folder_));
    } catch (const Error& e) {
        messages_.showError(e.message());
        return;
    }
    ScanProgress->setValue(0);
    ScanProgress->show();
    CancelButton->show();
    job_->start(folder_);
}

bool NoiseHistoryWindow::scanning() const
{
    return job_->running();
}

void NoiseHistoryWindow::cancelScan()
{
    job_->cancel();
}

void NoiseHistoryWindow::showResult(const std::shared_ptr<const ScanResult>& result)
{
    if (job_->running() || result->folder != folder_)
        return;  // a newer scan follows; its result is shown
    ScanProgress->hide();
    CancelButton->hide();
    if (!result->error.isEmpty()) {
        messages_.showError(result->error);
        return;
    }
    lastRead_ = result->report.read;
    showOverview(result->files);
    const ScanReport& r = result->report;
    StatusLabel->setText(QStringLiteral("%1 files, %2 read now%3%4")
                             .arg(r.listed)
                             .arg(r.read)
                             .arg(r.problems ? QStringLiteral(", %1 not readable").arg(r.problems) : QString())
                             .arg(r.cancelled ? QStringLiteral(", cancelled") : QString()));
    watch(result->files);
    emit refreshed();
}

void NoiseHistoryWindow::showOverview(const std::vector<IndexedFile>& files)
{
    HistoryOverview o = overviewOf(files);
    // Keep the place: a refresh while logging runs must not jump the view.
    const QModelIndex current = Calendar->currentIndex();
    const QDate currentDate =
        current.isValid() ? calendarModel_->days()[static_cast<size_t>(current.row())].date : QDate();
    const bool shownBefore = !calendarModel_->days().empty();
    const int scrolled = Calendar->verticalScrollBar()->value();
    calendarModel_->setDays(std::move(o.calendar));
    dayModel_->setRows(std::move(o.days));
    Problems->setRowCount(static_cast<int>(o.problems.size()));
    for (int i = 0; i < static_cast<int>(o.problems.size()); ++i) {
        const FileProblem& p = o.problems[static_cast<size_t>(i)];
        Problems->setItem(i, 0, new QTableWidgetItem(QDir::toNativeSeparators(p.path)));
        Problems->setItem(i, 1, new QTableWidgetItem(p.reason));
    }
    const auto& days = calendarModel_->days();
    if (currentDate.isValid() && !days.empty()) {
        const qint64 row = days.front().date.daysTo(currentDate);
        if (row >= 0 && row < static_cast<qint64>(days.size()))
            Calendar->setCurrentIndex(calendarModel_->index(static_cast<int>(row), current.column()));
    } else if (shownBefore) {
        Calendar->verticalScrollBar()->setValue(scrolled);
    } else if (!days.empty()) {
        Calendar->scrollToBottom();  // the latest days first
    }
}

void NoiseHistoryWindow::showDayLine(const QDate& date, const std::array<HourFigures, 24>& hours)
{
    auto* chart = new QChart;
    chart->legend()->hide();
    chart->setTitle(date.isValid() ? QStringLiteral("Hourly Leq, %1").arg(date.toString(Qt::ISODate))
                                   : QStringLiteral("Hourly Leq"));
    auto* x = new QValueAxis(chart);
    x->setRange(0, 24);
    x->setTickCount(9);
    x->setLabelFormat(QStringLiteral("%d"));
    x->setTitleText(QStringLiteral("Hour"));
    auto* y = new QValueAxis(chart);
    y->setRange(kScaleLowest, kScaleHighest);
    y->setTickCount(8);
    y->setLabelFormat(QStringLiteral("%d"));
    y->setTitleText(QStringLiteral("dB"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    // Hours without readings break the line.
    QLineSeries* run = nullptr;
    for (size_t h = 0; h < 24; ++h) {
        if (hours[h].count == 0) {
            run = nullptr;
            continue;
        }
        if (!run) {
            run = new QLineSeries(chart);
            chart->addSeries(run);
            run->attachAxis(x);
            run->attachAxis(y);
        }
        // Each hour's level stands over its middle.
        run->append(static_cast<double>(h) + 0.5, hours[h].leq);
    }
    QChart* old = DayLine->chart();
    DayLine->setChart(chart);
    DayLine->setAccessibleDescription(date.isValid() ? chart->title() : QString());
    delete old;
}

void NoiseHistoryWindow::watch(const std::vector<IndexedFile>& files)
{
    if (!watcher_->files().isEmpty())
        watcher_->removePaths(watcher_->files());
    if (!watcher_->directories().isEmpty())
        watcher_->removePaths(watcher_->directories());
    // Folders tell of files that come and go; a file's own changes are
    // watched only for recent files, the ones the logger may still write.
    std::set<QString> folders{folder_};
    QStringList recent;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    for (const IndexedFile& f : files) {
        for (QString d = QFileInfo(f.path).absolutePath(); d.startsWith(folder_) && folders.insert(d).second;)
            d = QFileInfo(d).absolutePath();
        if (now - f.stamp.modified < kWatchRecentMs)
            recent << f.path;
    }
    QStringList paths(folders.begin(), folders.end());
    paths += recent;
    watcher_->addPaths(paths);
}

void NoiseHistoryWindow::exportCsv()
{
    try {
        const QString path = dialogs_.getSaveFileName(this, QString::fromLatin1(kCsvFilter), QStringLiteral("csv"));
        if (path.isEmpty() || !mayReplaceFile(messages_, path, path + QString::fromLatin1(kReplaceQuestion),
                                              QString::fromLatin1(kQueryCaption)))
            return;
        // The rows in the order the table shows them.
        std::vector<DayRow> rows;
        rows.reserve(static_cast<size_t>(daySort_->rowCount()));
        for (int r = 0; r < daySort_->rowCount(); ++r)
            rows.push_back(dayModel_->rows()[static_cast<size_t>(daySort_->mapToSource(daySort_->index(r, 0)).row())]);
        writeWholeFile(path, dayTableCsv(rows));
    } catch (const std::exception& e) {
        messages_.showException(e);
    }
}

void NoiseHistoryWindow::openDayOfCalendar(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    const QDate date = calendarModel_->days()[static_cast<size_t>(index.row())].date;
    for (const DayRow& row : dayModel_->rows()) {
        if (row.figures.date == date) {
            emit openFileRequested(row.path);
            return;
        }
    }
}

void NoiseHistoryWindow::openDayOfTable(const QModelIndex& index)
{
    if (index.isValid())
        emit openFileRequested(dayModel_->rows()[static_cast<size_t>(daySort_->mapToSource(index).row())].path);
}

}  // namespace sonavistor
