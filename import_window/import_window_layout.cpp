// The import window's controls: the grid at the left, the chart with its buttons and the
// two panels centred over it, Import, Save and the figures along the bottom.
#include "import_window/import_window.h"

#include "common/message_service.h"
#include "import_window/import_view.h"
#include "widgets/chart_keys.h"
#include "widgets/chart_navigation.h"
#include "widgets/level_chart.h"
#include "widgets/reading_grid.h"
#include "store/reading_table_model.h"

#include <QChartView>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QResizeEvent>
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

const QColor kAzure(0, 128, 255);
const QColor kPanelGreen(0, 128, 0);
const QColor kYellow(255, 255, 0);
const QColor kMaxRed(255, 0, 0);
const QColor kMinPurple(128, 0, 128);

QPushButton* button(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QLabel* label(QWidget* parent, const char* name, const QString& text, int width = -1)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    if (width >= 0) {
        // The designed width, or what a large font needs.
        l->setMinimumWidth(width);
        l->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    }
    return l;
}

QLineEdit* figureBox(QWidget* parent, const char* name, QLabel* caption)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setReadOnly(true);
    e->setFixedSize(50, 30);
    caption->setBuddy(e);
    return e;
}

QLabel* swatch(QWidget* parent, const char* name, const QColor& colour)
{
    QLabel* l = label(parent, name, QString());
    l->setFixedSize(14, 14);
    l->setStyleSheet(QStringLiteral("background: %1;").arg(colour.name()));
    return l;
}

void fill(QWidget* panel, const QColor& colour)
{
    panel->setAutoFillBackground(true);
    QPalette p = panel->palette();
    p.setColor(QPalette::Window, colour);
    panel->setPalette(p);
}

}  // namespace

void ImportWindow::buildLayout()
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("Splitter1"));
    outer->addWidget(splitter, 1);

    grid_ = new QTableView(splitter);
    grid_->setObjectName(QStringLiteral("DataGrid1"));
    grid_->setAccessibleName(QStringLiteral("Imported readings"));
    grid_->setTabKeyNavigation(false);  // Tab goes on to the chart; arrows move in the grid
    model_ = new ReadingTableModel(database_, TableGetRecorde, this);
    grid_->setModel(model_);
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // DataGrid1DrawColumnCell: every cell, the selected one too, white on black.
    grid_->setStyleSheet(QStringLiteral(
        "QTableView { background: black; color: white; gridline-color: #404040;"
        " selection-background-color: black; selection-color: white; }"));
    // Every date and time whole, whatever the desktop's font.
    const int gridWidth = gridWidthFor(grid_, fitReadingColumnsToFont(grid_, 18));

    chartPanel_ = new QWidget(splitter);
    chartPanel_->setObjectName(QStringLiteral("ChartPanel"));
    auto* right = new QVBoxLayout(chartPanel_);
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    chartView_ = new QChartView(chartPanel_);
    chartView_->setObjectName(QStringLiteral("Chart1"));
    chartView_->setAccessibleName(QStringLiteral("Imported levels"));
    chart_ = std::make_unique<LevelChart>(chartView_, QStringLiteral("Data Imported  Analyzing"),
                                          QStringLiteral("SPL  Unit:DB"));
    QFont titleFont = chart_->chart()->titleFont();
    titleFont.setPixelSize(16);
    chart_->chart()->setTitleFont(titleFont);
    chart_->chart()->setTitleBrush(QBrush(Qt::blue));
    right->addWidget(chartView_, 1);
    right->addWidget(buildChartButtons(chartPanel_));
    progressPanel_ = buildProgressPanel(chartPanel_);
    datePanel_ = buildDatePanel(chartPanel_);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({std::max(320, gridWidth), 700});

    outer->addWidget(buildBottomBar());

    retryTimer_ = new QTimer(this);
    retryTimer_->setObjectName(QStringLiteral("Timer1"));
    retryTimer_->setSingleShot(false);
    retryTimer_->setInterval(10);
    connect(retryTimer_, &QTimer::timeout, this, [this] { showingErrors(messages(), [this] { retryImport(); }); });
}

QWidget* ImportWindow::buildChartButtons(QWidget* parent)
{
    auto* chartButtonBar = new QWidget(parent);
    chartButtonBar->setObjectName(QStringLiteral("Panel5"));
    auto* row = new QHBoxLayout(chartButtonBar);
    row->setContentsMargins(4, 3, 4, 3);
    QPushButton* printButton = button(chartButtonBar, "BitBtn6", QStringLiteral("&Print Graph"));
    QPushButton* zoomInButton = button(chartButtonBar, "BitBtn2", QStringLiteral("&Zoom In"));
    QPushButton* zoomOutButton = button(chartButtonBar, "BitBtn3", QStringLiteral("Zoom O&ut"));
    QPushButton* resetZoomButton = button(chartButtonBar, "BitBtn4", QStringLiteral("&Reset Zoom"));
    QPushButton* scrollLeftButton = button(chartButtonBar, "SpeedButton1", QString());
    QPushButton* scrollRightButton = button(chartButtonBar, "SpeedButton4", QString());
    scrollLeftButton->setIcon(style()->standardIcon(QStyle::SP_ArrowLeft));
    scrollRightButton->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
    setScrollButtonKeys(scrollLeftButton, scrollRightButton);
    addChartKeys(chartView_, chartButtonCommands(*chart_));
    chartButtons_ = {printButton, zoomInButton, zoomOutButton, resetZoomButton, scrollLeftButton, scrollRightButton};
    for (QPushButton* b : chartButtons_)
        row->addWidget(b);
    row->addStretch(1);
    connect(printButton, &QPushButton::clicked, this, [this] { showingErrors(messages(), [this] { printGraph(); }); });
    connect(zoomInButton, &QPushButton::clicked, this, [this] { ZoomIn(*chart_); });
    connect(zoomOutButton, &QPushButton::clicked, this, [this] { ZoomOut(*chart_); });
    connect(resetZoomButton, &QPushButton::clicked, this, [this] { ResetZoom(*chart_); });
    connect(scrollLeftButton, &QPushButton::clicked, this, [this] { ScrollByPoints(*chart_, -30); });
    connect(scrollRightButton, &QPushButton::clicked, this, [this] { ScrollByPoints(*chart_, 30); });
    return chartButtonBar;
}

QWidget* ImportWindow::buildProgressPanel(QWidget* chartPanel)
{
    auto* panel = new QWidget(chartPanel);
    panel->setObjectName(QStringLiteral("Panel3"));
    panel->setFixedSize(380, 90);
    fill(panel, kPanelGreen);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(16, 12, 16, 16);
    progressLabel_ = label(panel, "Label7", QString());
    progressLabel_->setStyleSheet(QStringLiteral("color: %1;").arg(kYellow.name()));
    QFont big = progressLabel_->font();
    big.setPixelSize(15);
    progressLabel_->setFont(big);
    progressBar_ = new QProgressBar(panel);
    progressBar_->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar_->setTextVisible(false);
    progressLabel_->setBuddy(progressBar_);
    column->addWidget(progressLabel_);
    column->addWidget(progressBar_);
    return panel;
}

QWidget* ImportWindow::buildDatePanel(QWidget* chartPanel)
{
    auto* panel = new QWidget(chartPanel);
    panel->setObjectName(QStringLiteral("Panel4"));
    panel->setFixedSize(320, 300);
    fill(panel, kAzure);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(12, 12, 12, 12);
    QLabel* datePrompt = label(panel, "Label8", QStringLiteral("Please Select the date you want to import:"));
    datePrompt->setStyleSheet(QStringLiteral("color: white;"));
    dateList_ = new QListWidget(panel);
    dateList_->setObjectName(QStringLiteral("ListBox1"));
    datePrompt->setBuddy(dateList_);
    importDayButton_ = button(panel, "BitBtn7", QStringLiteral("I&mport"));
    backButton_ = button(panel, "BitBtn8", QStringLiteral("&Back"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(importDayButton_);
    buttons->addWidget(backButton_);
    column->addWidget(datePrompt);
    column->addWidget(dateList_, 1);
    column->addLayout(buttons);
    connect(importDayButton_, &QPushButton::clicked, this, [this] { showingErrors(messages(), [this] { importChosenDay(); }); });
    connect(backButton_, &QPushButton::clicked, this, [this] { showingErrors(messages(), [this] { closeDayList(); }); });
    connect(dateList_, &QListWidget::itemDoubleClicked, this, [this] { showingErrors(messages(), [this] { importChosenDay(); }); });
    // As in a dialog: Enter on the list imports, Enter on a focused button
    // presses it, Escape goes back.
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto* enter = new QShortcut(key, dateList_, [this] { importDayButton_->click(); });
        enter->setContext(Qt::WidgetShortcut);
    }
    importDayButton_->setAutoDefault(true);
    backButton_->setAutoDefault(true);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), panel, [this] { backButton_->click(); });
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    return panel;
}

QWidget* ImportWindow::buildBottomBar()
{
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("Panel1"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(6, 4, 6, 4);
    importButton_ = button(bar, "BitBtn1", QStringLiteral("&Import"));
    saveButton_ = button(bar, "BitBtn5", QStringLiteral("Sa&ve"));
    connect(importButton_, &QPushButton::clicked, this, [this] { showingErrors(messages(), [this] { openDayList(); }); });
    connect(saveButton_, &QPushButton::clicked, this, [this] { showingErrors(messages(), [this] { saveDay(); }); });
    savedFileEdit_ = new QLineEdit(bar);
    savedFileEdit_->setObjectName(QStringLiteral("Edit5"));
    savedFileEdit_->setReadOnly(true);
    savedFileEdit_->setAccessibleName(QStringLiteral("Saved file"));
    savedFileEdit_->setMinimumWidth(220);
    row->addWidget(importButton_);
    row->addWidget(saveButton_);
    row->addWidget(savedFileEdit_, 1);
    row->addSpacing(12);

    QLabel* recordsCaption = label(bar, "Label6", QStringLiteral("Records"), 60);
    recordsCaption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    recordsEdit_ = figureBox(bar, "Edit4", recordsCaption);
    recordsEdit_->setFixedWidth(70);
    recordsEdit_->setStyleSheet(QStringLiteral("QLineEdit { color: rgb(0, 160, 0); font-weight: bold; }"));
    QLabel* maxSwatch = swatch(bar, "Label1", kMaxRed);
    QLabel* maxCaption = label(bar, "Label2", QStringLiteral("MAX"), 60);
    maxEdit_ = figureBox(bar, "Edit1", maxCaption);
    QLabel* minSwatch = swatch(bar, "Label3", kMinPurple);
    QLabel* minCaption = label(bar, "Label4", QStringLiteral("MIN"), 60);
    minEdit_ = figureBox(bar, "Edit2", minCaption);
    QLabel* avgCaption = label(bar, "Label5", QStringLiteral("AVG"), 60);
    avgEdit_ = figureBox(bar, "Edit3", avgCaption);
    for (QWidget* w : std::initializer_list<QWidget*>{recordsCaption, recordsEdit_, maxSwatch, maxCaption, maxEdit_, minSwatch, minCaption, minEdit_,
                                                      avgCaption, avgEdit_})
        row->addWidget(w);
    for (QLabel* caption : {maxCaption, minCaption, avgCaption})
        caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return bar;
}

// ---------------------------------------------------------------- panels, tool bar

void ImportWindow::showPanel(QWidget* panel)
{
    panel->move(centredPanelPos(chartPanel_->size(), panel->size()));
    panel->raise();
    panel->show();
}

void ImportWindow::centrePanels()
{
    for (QWidget* panel : {progressPanel_, datePanel_}) {
        if (!panel->isHidden())
            panel->move(centredPanelPos(chartPanel_->size(), panel->size()));
    }
}

void ImportWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The chart panel has its new size only once the layout has run.
    QTimer::singleShot(0, this, [this] { centrePanels(); });
}

void ImportWindow::setToolBarEnabled(bool enabled)
{
    if (toolBar_)
        toolBar_->setEnabled(enabled);
}

}  // namespace sonavistor
