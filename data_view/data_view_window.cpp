#include "data_view/data_view_window.h"

#include "analysis/general_number.h"
#include "data_view/noise_panel.h"
#include "analysis/saved_samples.h"
#include "analysis/saved_file_load.h"
#include "common/error.h"
#include "common/file_dialogs.h"
#include "common/message_service.h"
#include "common/meter_settings.h"
#include "common/progress.h"
#include "common/shell_state.h"
#include "export/noise_report.h"
#include "widgets/accessible_text.h"
#include "widgets/chart_keys.h"
#include "widgets/chart_navigation.h"
#include "widgets/level_chart.h"
#include "widgets/print_graph.h"
#include "widgets/reading_grid.h"
#include "store/measurement_db.h"
#include "store/reading_table_model.h"
#include "store/staging_file.h"

#include <QChartView>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace sonavistor {

namespace {

constexpr char kCaption[] = "Data View & Analyze";
constexpr char kChartTitle[] = "Data Analyze";
constexpr char kLeftTitle[] = "SPL        (Unit:  DB)';";
constexpr char kTooManyFiles[] = "Sorry, the current version only support to open \r10 reports at the same time.";
constexpr char kErrorCaption[] = "Error Information";
constexpr char kOpenFilter[] = "*.QRV|*.QRV|*.qrv|*.qrv";
const QColor kGridColour = kDesktopColour;
constexpr char kReportFilter[] = "PDF files (*.pdf)|*.pdf";
constexpr char kReplaceQuestion[] = "  already exists!\rDo you want to replace it?";
constexpr char kQueryCaption[] = "Query  Information";

// Rows with a file colour show it in place of the selection highlight.
class FileColourDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem plain = option;
        if (index.data(Qt::BackgroundRole).isValid())
            plain.state &= ~QStyle::State_Selected;
        QStyledItemDelegate::paint(painter, plain, index);
    }
};

// The bar runs from 1 to the announced count. It moves in steps of a
// hundredth: every step repaints it on the spot, and a day has 43,200 readings.
class LoadProgress : public Progress {
public:
    explicit LoadProgress(QProgressBar* bar) : bar_(bar) {}
    void setMaximum(int maximum) override
    {
        // A Total of 0 or below still gives the bar a range; the file is read all the same.
        bar_->setRange(1, std::max(1, maximum));
        bar_->reset();
        step_ = std::max(1, maximum / 100);
        shown_ = 0;
    }
    void setPosition(int position) override
    {
        position_ = position;
        if (position_ - shown_ >= step_) {
            shown_ = position_;
            bar_->setValue(std::min(position_, bar_->maximum()));
        }
    }
    int position() const override { return position_; }
    void finish() override { bar_->setValue(std::min(std::max(position_, 1), bar_->maximum())); }

private:
    QProgressBar* bar_;
    int step_ = 1;
    int shown_ = 0;
    int position_ = 0;
};

QLineEdit* figureBox(QWidget* parent, QHBoxLayout* row, const char* labelName, const char* caption,
                     const char* editName)
{
    auto* label = new QLabel(QString::fromLatin1(caption), parent);
    label->setObjectName(QString::fromLatin1(labelName));
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(editName));
    edit->setReadOnly(true);
    edit->setFixedWidth(70);
    label->setBuddy(edit);
    row->addWidget(label);
    row->addWidget(edit);
    row->addSpacing(12);
    return edit;
}

QPushButton* chartButton(QWidget* parent, QHBoxLayout* row, const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    if (caption.isEmpty())
        b->setFixedWidth(30);
    row->addWidget(b);
    return b;
}

}  // namespace

DataViewWindow::DataViewWindow(MeasurementDatabase& database, const WindowContext& context)
    : database_(database), context_(context)
{
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QString::fromLatin1(kCaption));
    resize(900, 560);
    ShellState.ChildReady = false;
    buildLayout();
    startEmpty();
}

DataViewWindow::~DataViewWindow() = default;

void DataViewWindow::buildLayout()
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("Splitter1"));
    outer->addWidget(splitter, 1);

    // Left: the rows of every opened file in their file's colour.
    grid_ = new QTableView(splitter);
    grid_->setObjectName(QStringLiteral("DataGrid1"));
    grid_->setAccessibleName(QStringLiteral("LoadData"));
    grid_->setTabKeyNavigation(false);  // Tab goes on to the chart; arrows move in the grid
    model_ = new ReadingTableModel(database_, TableLoadData, this);
    model_->setBackgroundRule([this](const ReadingRow& row, int) {
        const std::optional<int> file = fileOfRecNo(row.RecNo, fileStarts_);
        return file ? QVariant(seriesColour(*file)) : QVariant();
    });
    model_->setForegroundRule([](const ReadingRow&, int) { return QVariant(QColor(Qt::white)); });
    grid_->setModel(model_);
    grid_->setItemDelegate(new FileColourDelegate(grid_));
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->setShowGrid(false);
    grid_->setFrameShape(QFrame::NoFrame);
    QPalette grid = grid_->palette();
    grid.setColor(QPalette::Base, kGridColour);
    grid.setColor(QPalette::Text, Qt::white);
    grid_->setPalette(grid);
    // Every date and time whole, whatever the desktop's font.
    const int gridWidth = gridWidthFor(grid_, fitReadingColumnsToFont(grid_, 18));

    // Right: the chart over its buttons.
    auto* chartPanel = new QWidget(splitter);
    chartPanel->setObjectName(QStringLiteral("Panel2"));
    auto* right = new QVBoxLayout(chartPanel);
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    chartView_ = new QChartView(chartPanel);
    chartView_->setObjectName(QStringLiteral("Chart1"));
    chartView_->setAccessibleName(QString::fromLatin1(kChartTitle));
    chart_ = std::make_unique<LevelChart>(chartView_, QString::fromLatin1(kChartTitle), QString::fromLatin1(kLeftTitle),
                                          kMaxOpenFiles);
    chart_->followDataOnXAxes();
    chart_->chart()->setBackgroundRoundness(0);  // flat
    chart_->chart()->setDropShadowEnabled(false);
    // Until the first file the chart library's own mouse zoom works, along the readings only.
    chartView_->setRubberBand(QChartView::HorizontalRubberBand);
    right->addWidget(chartView_, 1);
    noisePanel_ = new NoisePanel(chartPanel);
    right->addWidget(noisePanel_);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(4, 3, 4, 3);
    right->addLayout(buttons);
    QPushButton* printButton = chartButton(chartPanel, buttons, "BitBtn1", QStringLiteral("&Print Graph"));
    QPushButton* zoomInButton = chartButton(chartPanel, buttons, "BitBtn2", QStringLiteral("&Zoom In"));
    QPushButton* zoomOutButton = chartButton(chartPanel, buttons, "BitBtn3", QStringLiteral("Zoom O&ut"));
    QPushButton* resetZoomButton = chartButton(chartPanel, buttons, "BitBtn4", QStringLiteral("&Reset Zoom"));
    QPushButton* scrollLeftButton = chartButton(chartPanel, buttons, "SpeedButton1", QString());
    QPushButton* scrollRightButton = chartButton(chartPanel, buttons, "SpeedButton4", QString());
    scrollLeftButton->setIcon(style()->standardIcon(QStyle::SP_ArrowLeft));
    scrollRightButton->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
    setScrollButtonKeys(scrollLeftButton, scrollRightButton);
    addChartKeys(chartView_, {[this] { zoomIn(); }, [this] { zoomOut(); }, [this] { scrollLeft(); },
                          [this] { scrollRight(); }, [this] { resetZoom(); }});
    buttons->addStretch(1);
    connect(printButton, &QPushButton::clicked, this, [this] { showingErrors(context_.messages, [this] { printGraph(); }); });
    connect(zoomInButton, &QPushButton::clicked, this, [this] { showingErrors(context_.messages, [this] { zoomIn(); }); });
    connect(zoomOutButton, &QPushButton::clicked, this, [this] { showingErrors(context_.messages, [this] { zoomOut(); }); });
    connect(resetZoomButton, &QPushButton::clicked, this, [this] { showingErrors(context_.messages, [this] { resetZoom(); }); });
    connect(scrollLeftButton, &QPushButton::clicked, this, [this] { showingErrors(context_.messages, [this] { scrollLeft(); }); });
    connect(scrollRightButton, &QPushButton::clicked, this, [this] { showingErrors(context_.messages, [this] { scrollRight(); }); });
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({std::max(300, gridWidth), 600});

    // Bottom: the figures and the progress of the file being loaded.
    auto* figureBar = new QWidget(this);
    figureBar->setObjectName(QStringLiteral("Panel3"));
    auto* figures = new QHBoxLayout(figureBar);
    figures->setContentsMargins(8, 4, 8, 4);
    fileCountEdit_ = figureBox(figureBar, figures, "Label1", "File Numbers", "Edit1");
    minEdit_ = figureBox(figureBar, figures, "Label2", "MIN", "Edit2");
    maxEdit_ = figureBox(figureBar, figures, "Label3", "MAX", "Edit3");
    progressBar_ = new QProgressBar(figureBar);
    progressBar_->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar_->setAccessibleName(QStringLiteral("Loading progress"));
    progressBar_->setTextVisible(false);
    figures->addWidget(progressBar_, 1);
    outer->addWidget(figureBar);
}

void DataViewWindow::startEmpty()
{
    ShellState.ChildReady = false;
    fileCount_ = 0;
    fileStarts_.fill(0);
    for (int file = 1; file <= kMaxOpenFiles; ++file)
        chart_->series(file - 1)->setPen(QPen(seriesColour(file), 1));
    ShellState.ChildReady = true;
}

QColor DataViewWindow::seriesColour(int file) const
{
    return fileColour(file, palette());
}

QString DataViewWindow::stagingFolder()
{
    // The window stages its files in a folder of its own: the program
    // folder's staging file belongs to the import, which writes it while
    // its transfer lets other commands run.
    if (!staging_)
        staging_ = std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("sonavistor-view-XXXXXX")));
    if (!staging_->isValid()) {
        const QString why = staging_->errorString();
        staging_.reset();
        throw Error(QStringLiteral("Cannot create a folder for the staging file. %1").arg(why));
    }
    return staging_->path();
}

// ---------------------------------------------------------------- opening a file

void DataViewWindow::openFile(const QString& path)
{
    if (path.isEmpty())
        addSavedFile();
    else
        addSavedFile(path);
}

void DataViewWindow::addSavedFile(const QString& path)
{
    chosenPath_ = path;
    addSavedFile();
}

void DataViewWindow::addSavedFile()
{
    const QString chosen = std::exchange(chosenPath_, QString());
    // One file at a time: an Open that arrives during a load's event-loop pass adds nothing.
    if (loading_)
        return;
    if (fileCount_ >= kMaxOpenFiles) {
        context_.messages.show({QString::fromLatin1(kTooManyFiles), QString::fromLatin1(kErrorCaption),
                                MessageIcon::Error, Ok, Ok});
        refreshGrid();
        return;
    }
    loading_ = true;
    // However the load ends, the grid is put right and a close that came meanwhile happens.
    struct Finish {
        DataViewWindow* form;
        ~Finish()
        {
            form->loading_ = false;
            form->refreshGrid();
            form->closer_.complete();
        }
    } finish{this};

    const QString path =
        chosen.isEmpty() ? context_.dialogs.getOpenFileName(this, QString::fromLatin1(kOpenFilter)) : chosen;
    if (path.isEmpty())
        return;
    const QString folder = stagingFolder();
    const auto firstRecNo = static_cast<qint32>(database_.rowCount(TableLoadData) + 1);
    std::vector<QPointF> points;  // the file's line, x = reading index from 0
    const auto addPoint = [&points](double level) { points.emplace_back(static_cast<double>(points.size()), level); };
    LoadProgress progress(progressBar_);
    StagedSavedFile staged;
    try {
        staged = stageSavedFile(folder, path, firstRecNo, addPoint, &progress);
    } catch (...) {
        progressBar_->reset();
        throw;
    }
    if (!staged.isSavedFile)
        return;  // not a saved measurement file: skipped without a word
    progress.finish();

    // The file counts once all of it has been read; nothing of a file that
    // stops on a bad reading shows anywhere.
    const QString before[2] = {minEdit_->text(), maxEdit_->text()};
    const int file = ++fileCount_;
    fileCountEdit_->setText(QString::number(fileCount_));
    // From the first file on the chart takes no mouse input: the buttons zoom and scroll.
    chartView_->setRubberBand(QChartView::NoRubberBand);
    chartView_->setInteractive(false);
    chart_->setPoints(file - 1, std::move(points));
    minEdit_->setText(generalNumber(staged.lowest));
    maxEdit_->setText(generalNumber(staged.highest));
    fileStarts_[static_cast<size_t>(file - 1)] = staged.lastRecNo + 1;
    describeChart();
    QCoreApplication::processEvents();
    try {
        database_.PostLoadData(StagingFile::pathIn(folder));
    } catch (...) {
        fileStarts_[static_cast<size_t>(file - 1)] = 0;
        chart_->setPoints(file - 1, {});
        minEdit_->setText(before[0]);
        maxEdit_->setText(before[1]);
        --fileCount_;
        fileCountEdit_->setText(fileCount_ > 0 ? QString::number(fileCount_) : QString());
        if (fileCount_ == 0) {
            chartView_->setRubberBand(QChartView::HorizontalRubberBand);
            chartView_->setInteractive(true);
        }
        progressBar_->reset();
        describeChart();
        throw;
    }
    openedFiles_ << path;
    refreshNoiseFigures();
    capabilitiesChanged();  // the noise report has a file to report on
}

void DataViewWindow::refreshNoiseFigures()
{
    try {
        std::vector<size_t> fileSizes;  // each file keeps its own time step
        std::vector<AcousticSample> samples = readSavedSamples(openedFiles_, fileSizes);
        noisePanel_->showFigures(computeNoiseFigures(std::move(samples), fileSizes));
    } catch (const Error& e) {
        // The file changed on disk after it was shown: its rows stay, its figures are not to be trusted.
        noisePanel_->showFigures({});
        context_.messages.showException(e);
    }
}

void DataViewWindow::refreshGrid()
{
    grid_->setUpdatesEnabled(true);
    const int rows = model_->rowCount();
    if (rows > 0) {
        grid_->setCurrentIndex(model_->index(rows - 1, ReadingTableModel::ColRecNo));
        grid_->scrollToBottom();
    }
    grid_->viewport()->update();
}

// ---------------------------------------------------------------- chart buttons

void DataViewWindow::printGraph()
{
    // Below the chart: the files and the levels of the one opened last.
    QStringList footer;
    if (!fileCountEdit_->text().isEmpty())
        footer << QStringLiteral("          File Numbers:  %1          MIN:  %2          MAX:  %3")
                      .arg(fileCountEdit_->text(), minEdit_->text(), maxEdit_->text());
    PrintGraph(*chart_, footer, context_);
}

void DataViewWindow::zoomIn()
{
    ZoomIn(*chart_);
}

void DataViewWindow::zoomOut()
{
    ZoomOut(*chart_);
}

void DataViewWindow::resetZoom()
{
    ResetZoom(*chart_);
}

void DataViewWindow::describeChart()
{
    QStringList figures;
    if (!fileCountEdit_->text().isEmpty())
        figures << QStringLiteral("File Numbers: %1 MIN: %2 MAX: %3").arg(fileCountEdit_->text(), minEdit_->text(), maxEdit_->text());
    chartView_->setAccessibleDescription(chartDescription(figures, std::nullopt));
}

void DataViewWindow::scrollLeft()
{
    HorizScroll(*chart_, -10);
}

void DataViewWindow::scrollRight()
{
    HorizScroll(*chart_, 10);
}

void DataViewWindow::writeNoiseReport()
{
    try {
        if (openedFiles_.isEmpty())
            return;
        const QString path = context_.dialogs.getSaveFileName(this, QString::fromLatin1(kReportFilter), QStringLiteral("pdf"));
        if (path.isEmpty() || !mayReplaceFile(context_.messages, path, path + QString::fromLatin1(kReplaceQuestion),
                                              QString::fromLatin1(kQueryCaption)))
            return;
        std::vector<size_t> fileSizes;
        std::vector<AcousticSample> samples = readSavedSamples(openedFiles_, fileSizes);
        writeNoiseReportPdf(path, makeNoiseReport(openedFiles_, std::move(samples), fileSizes, {}, {},
                                                  MeterSettings.CompanyName, QDateTime::currentDateTime()));
    } catch (const std::exception& e) {
        context_.messages.showException(e);
    }
}

// ---------------------------------------------------------------- closing

void DataViewWindow::closeEvent(QCloseEvent* event)
{
    if (loading_) {
        // Never destroyed under its own load: it closes once the load is over.
        closer_.request();
        event->ignore();
        return;
    }
    // It never asks; LoadData keeps the rows until the next window is made.
    ShellState.AnalyzeWindowOpen = false;
    childClosed(ChildSlot::Analyze);
    event->accept();
}

}  // namespace sonavistor
