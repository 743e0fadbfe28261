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

TForm7::TForm7(MeasurementDatabase& database, const WindowContext& context)
    : database_(database), context_(context)
{
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QString::fromLatin1(kCaption));
    resize(900, 560);
    ShellState.ChildReady = false;
    buildLayout();
    FormCreate();
}

TForm7::~TForm7() = default;

void TForm7::buildLayout()
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto* Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    outer->addWidget(Splitter1, 1);

    // Left: the rows of every opened file in their file's colour.
    DataGrid1 = new QTableView(Splitter1);
    DataGrid1->setObjectName(QStringLiteral("DataGrid1"));
    DataGrid1->setAccessibleName(QStringLiteral("LoadData"));
    DataGrid1->setTabKeyNavigation(false);  // Tab goes on to the chart; arrows move in the grid
    model_ = new ReadingTableModel(database_, TableLoadData, this);
    model_->setBackgroundRule([this](const ReadingRow& row, int) {
        const std::optional<int> file = fileOfRecNo(row.RecNo, FileStarts);
        return file ? QVariant(seriesColour(*file)) : QVariant();
    });
    model_->setForegroundRule([](const ReadingRow&, int) { return QVariant(QColor(Qt::white)); });
    DataGrid1->setModel(model_);
    DataGrid1->setItemDelegate(new FileColourDelegate(DataGrid1));
    DataGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DataGrid1->verticalHeader()->hide();
    DataGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    DataGrid1->setShowGrid(false);
    DataGrid1->setFrameShape(QFrame::NoFrame);
    QPalette grid = DataGrid1->palette();
    grid.setColor(QPalette::Base, kGridColour);
    grid.setColor(QPalette::Text, Qt::white);
    DataGrid1->setPalette(grid);
    // Every date and time whole, whatever the desktop's font.
    const int gridWidth = gridWidthFor(DataGrid1, fitReadingColumnsToFont(DataGrid1, 18));

    // Right: the chart over its buttons.
    auto* Panel2 = new QWidget(Splitter1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    auto* right = new QVBoxLayout(Panel2);
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    Chart1 = new QChartView(Panel2);
    Chart1->setObjectName(QStringLiteral("Chart1"));
    Chart1->setAccessibleName(QString::fromLatin1(kChartTitle));
    chart_ = std::make_unique<LevelChart>(Chart1, QString::fromLatin1(kChartTitle), QString::fromLatin1(kLeftTitle),
                                          kMaxOpenFiles);
    chart_->followDataOnXAxes();
    chart_->chart()->setBackgroundRoundness(0);  // flat
    chart_->chart()->setDropShadowEnabled(false);
    // Until the first file the chart library's own mouse zoom works, along the readings only.
    Chart1->setRubberBand(QChartView::HorizontalRubberBand);
    right->addWidget(Chart1, 1);
    noisePanel_ = new NoisePanel(Panel2);
    right->addWidget(noisePanel_);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(4, 3, 4, 3);
    right->addLayout(buttons);
    QPushButton* BitBtn1 = chartButton(Panel2, buttons, "BitBtn1", QStringLiteral("&Print Graph"));
    QPushButton* BitBtn2 = chartButton(Panel2, buttons, "BitBtn2", QStringLiteral("&Zoom In"));
    QPushButton* BitBtn3 = chartButton(Panel2, buttons, "BitBtn3", QStringLiteral("Zoom O&ut"));
    QPushButton* BitBtn4 = chartButton(Panel2, buttons, "BitBtn4", QStringLiteral("&Reset Zoom"));
    QPushButton* SpeedButton1 = chartButton(Panel2, buttons, "SpeedButton1", QString());
    QPushButton* SpeedButton4 = chartButton(Panel2, buttons, "SpeedButton4", QString());
    SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_ArrowLeft));
    SpeedButton4->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
    setScrollButtonKeys(SpeedButton1, SpeedButton4);
    addChartKeys(Chart1, {[this] { BitBtn2Click(); }, [this] { BitBtn3Click(); }, [this] { SpeedButton1Click(); },
                          [this] { SpeedButton4Click(); }, [this] { BitBtn4Click(); }});
    buttons->addStretch(1);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { showingErrors(context_.messages, [this] { BitBtn1Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { showingErrors(context_.messages, [this] { BitBtn2Click(); }); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { showingErrors(context_.messages, [this] { BitBtn3Click(); }); });
    connect(BitBtn4, &QPushButton::clicked, this, [this] { showingErrors(context_.messages, [this] { BitBtn4Click(); }); });
    connect(SpeedButton1, &QPushButton::clicked, this, [this] { showingErrors(context_.messages, [this] { SpeedButton1Click(); }); });
    connect(SpeedButton4, &QPushButton::clicked, this, [this] { showingErrors(context_.messages, [this] { SpeedButton4Click(); }); });
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({std::max(300, gridWidth), 600});

    // Bottom: the figures and the progress of the file being loaded.
    auto* Panel3 = new QWidget(this);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    auto* figures = new QHBoxLayout(Panel3);
    figures->setContentsMargins(8, 4, 8, 4);
    Edit1 = figureBox(Panel3, figures, "Label1", "File Numbers", "Edit1");
    Edit2 = figureBox(Panel3, figures, "Label2", "MIN", "Edit2");
    Edit3 = figureBox(Panel3, figures, "Label3", "MAX", "Edit3");
    ProgressBar1 = new QProgressBar(Panel3);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setAccessibleName(QStringLiteral("Loading progress"));
    ProgressBar1->setTextVisible(false);
    figures->addWidget(ProgressBar1, 1);
    outer->addWidget(Panel3);
}

void TForm7::FormCreate()
{
    ShellState.ChildReady = false;
    FileCount = 0;
    FileStarts.fill(0);
    for (int file = 1; file <= kMaxOpenFiles; ++file)
        chart_->series(file - 1)->setPen(QPen(seriesColour(file), 1));
    ShellState.ChildReady = true;
}

QColor TForm7::seriesColour(int file) const
{
    return fileColour(file, palette());
}

QString TForm7::stagingFolder()
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

void TForm7::openFile(const QString& path)
{
    if (path.isEmpty())
        LoadData();
    else
        LoadData(path);
}

void TForm7::LoadData(const QString& path)
{
    chosenPath_ = path;
    LoadData();
}

void TForm7::LoadData()
{
    const QString chosen = std::exchange(chosenPath_, QString());
    // One file at a time: an Open that arrives during a load's event-loop pass adds nothing.
    if (loading_)
        return;
    if (FileCount >= kMaxOpenFiles) {
        context_.messages.show({QString::fromLatin1(kTooManyFiles), QString::fromLatin1(kErrorCaption),
                                MessageIcon::Error, Ok, Ok});
        refreshGrid();
        return;
    }
    loading_ = true;
    // However the load ends, the grid is put right and a close that came meanwhile happens.
    struct Finish {
        TForm7* form;
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
    LoadProgress progress(ProgressBar1);
    StagedSavedFile staged;
    try {
        staged = stageSavedFile(folder, path, firstRecNo, addPoint, &progress);
    } catch (...) {
        ProgressBar1->reset();
        throw;
    }
    if (!staged.isSavedFile)
        return;  // not a saved measurement file: skipped without a word
    progress.finish();

    // The file counts once all of it has been read; nothing of a file that
    // stops on a bad reading shows anywhere.
    const QString before[2] = {Edit2->text(), Edit3->text()};
    const int file = ++FileCount;
    Edit1->setText(QString::number(FileCount));
    // From the first file on the chart takes no mouse input: the buttons zoom and scroll.
    Chart1->setRubberBand(QChartView::NoRubberBand);
    Chart1->setInteractive(false);
    chart_->setPoints(file - 1, std::move(points));
    Edit2->setText(generalNumber(staged.lowest));
    Edit3->setText(generalNumber(staged.highest));
    FileStarts[static_cast<size_t>(file - 1)] = staged.lastRecNo + 1;
    describeChart();
    QCoreApplication::processEvents();
    try {
        database_.PostLoadData(StagingFile::pathIn(folder));
    } catch (...) {
        FileStarts[static_cast<size_t>(file - 1)] = 0;
        chart_->setPoints(file - 1, {});
        Edit2->setText(before[0]);
        Edit3->setText(before[1]);
        --FileCount;
        Edit1->setText(FileCount > 0 ? QString::number(FileCount) : QString());
        if (FileCount == 0) {
            Chart1->setRubberBand(QChartView::HorizontalRubberBand);
            Chart1->setInteractive(true);
        }
        ProgressBar1->reset();
        describeChart();
        throw;
    }
    openedFiles_ << path;
    refreshNoiseFigures();
    capabilitiesChanged();  // the noise report has a file to report on
}

void TForm7::refreshNoiseFigures()
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

void TForm7::refreshGrid()
{
    DataGrid1->setUpdatesEnabled(true);
    const int rows = model_->rowCount();
    if (rows > 0) {
        DataGrid1->setCurrentIndex(model_->index(rows - 1, ReadingTableModel::ColRecNo));
        DataGrid1->scrollToBottom();
    }
    DataGrid1->viewport()->update();
}

// ---------------------------------------------------------------- chart buttons

void TForm7::BitBtn1Click()
{
    // Below the chart: the files and the levels of the one opened last.
    QStringList footer;
    if (!Edit1->text().isEmpty())
        footer << QStringLiteral("          File Numbers:  %1          MIN:  %2          MAX:  %3")
                      .arg(Edit1->text(), Edit2->text(), Edit3->text());
    PrintGraph(*chart_, footer, context_);
}

void TForm7::BitBtn2Click()
{
    ZoomIn(*chart_);
}

void TForm7::BitBtn3Click()
{
    ZoomOut(*chart_);
}

void TForm7::BitBtn4Click()
{
    ResetZoom(*chart_);
}

void TForm7::describeChart()
{
    QStringList figures;
    if (!Edit1->text().isEmpty())
        figures << QStringLiteral("File Numbers: %1 MIN: %2 MAX: %3").arg(Edit1->text(), Edit2->text(), Edit3->text());
    Chart1->setAccessibleDescription(chartDescription(figures, std::nullopt));
}

void TForm7::SpeedButton1Click()
{
    HorizScroll(*chart_, -10);
}

void TForm7::SpeedButton4Click()
{
    HorizScroll(*chart_, 10);
}

void TForm7::NoiseReportClick()
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

void TForm7::closeEvent(QCloseEvent* event)
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
