// TForm4's controls: the grid at the left, the chart with its buttons and the
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

void TForm4::buildLayout()
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto* Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    outer->addWidget(Splitter1, 1);

    DataGrid1 = new QTableView(Splitter1);
    DataGrid1->setObjectName(QStringLiteral("DataGrid1"));
    DataGrid1->setAccessibleName(QStringLiteral("Imported readings"));
    DataGrid1->setTabKeyNavigation(false);  // Tab goes on to the chart; arrows move in the grid
    model_ = new ReadingTableModel(database_, TableGetRecorde, this);
    DataGrid1->setModel(model_);
    DataGrid1->verticalHeader()->hide();
    DataGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // DataGrid1DrawColumnCell: every cell, the selected one too, white on black.
    DataGrid1->setStyleSheet(QStringLiteral(
        "QTableView { background: black; color: white; gridline-color: #404040;"
        " selection-background-color: black; selection-color: white; }"));
    // Every date and time whole, whatever the desktop's font.
    const int gridWidth = gridWidthFor(DataGrid1, fitReadingColumnsToFont(DataGrid1, 18));

    ChartPanel = new QWidget(Splitter1);
    ChartPanel->setObjectName(QStringLiteral("ChartPanel"));
    auto* right = new QVBoxLayout(ChartPanel);
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    Chart1 = new QChartView(ChartPanel);
    Chart1->setObjectName(QStringLiteral("Chart1"));
    Chart1->setAccessibleName(QStringLiteral("Imported levels"));
    chart_ = std::make_unique<LevelChart>(Chart1, QStringLiteral("Data Imported  Analyzing"),
                                          QStringLiteral("SPL  Unit:DB"));
    QFont titleFont = chart_->chart()->titleFont();
    titleFont.setPixelSize(16);
    chart_->chart()->setTitleFont(titleFont);
    chart_->chart()->setTitleBrush(QBrush(Qt::blue));
    right->addWidget(Chart1, 1);
    right->addWidget(buildChartButtons(ChartPanel));
    Panel3 = buildProgressPanel(ChartPanel);
    Panel4 = buildDatePanel(ChartPanel);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({std::max(320, gridWidth), 700});

    outer->addWidget(buildBottomBar());

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(false);
    Timer1->setInterval(10);
    connect(Timer1, &QTimer::timeout, this, [this] { showingErrors(messages(), [this] { Timer1Timer(); }); });
}

QWidget* TForm4::buildChartButtons(QWidget* parent)
{
    auto* Panel5 = new QWidget(parent);
    Panel5->setObjectName(QStringLiteral("Panel5"));
    auto* row = new QHBoxLayout(Panel5);
    row->setContentsMargins(4, 3, 4, 3);
    QPushButton* BitBtn6 = button(Panel5, "BitBtn6", QStringLiteral("&Print Graph"));
    QPushButton* BitBtn2 = button(Panel5, "BitBtn2", QStringLiteral("&Zoom In"));
    QPushButton* BitBtn3 = button(Panel5, "BitBtn3", QStringLiteral("Zoom O&ut"));
    QPushButton* BitBtn4 = button(Panel5, "BitBtn4", QStringLiteral("&Reset Zoom"));
    QPushButton* SpeedButton1 = button(Panel5, "SpeedButton1", QString());
    QPushButton* SpeedButton4 = button(Panel5, "SpeedButton4", QString());
    SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_ArrowLeft));
    SpeedButton4->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
    setScrollButtonKeys(SpeedButton1, SpeedButton4);
    addChartKeys(Chart1, chartButtonCommands(*chart_));
    chartButtons_ = {BitBtn6, BitBtn2, BitBtn3, BitBtn4, SpeedButton1, SpeedButton4};
    for (QPushButton* b : chartButtons_)
        row->addWidget(b);
    row->addStretch(1);
    connect(BitBtn6, &QPushButton::clicked, this, [this] { showingErrors(messages(), [this] { BitBtn6Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { ZoomIn(*chart_); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { ZoomOut(*chart_); });
    connect(BitBtn4, &QPushButton::clicked, this, [this] { ResetZoom(*chart_); });
    connect(SpeedButton1, &QPushButton::clicked, this, [this] { ScrollByPoints(*chart_, -30); });
    connect(SpeedButton4, &QPushButton::clicked, this, [this] { ScrollByPoints(*chart_, 30); });
    return Panel5;
}

QWidget* TForm4::buildProgressPanel(QWidget* chartPanel)
{
    auto* panel = new QWidget(chartPanel);
    panel->setObjectName(QStringLiteral("Panel3"));
    panel->setFixedSize(380, 90);
    fill(panel, kPanelGreen);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(16, 12, 16, 16);
    Label7 = label(panel, "Label7", QString());
    Label7->setStyleSheet(QStringLiteral("color: %1;").arg(kYellow.name()));
    QFont big = Label7->font();
    big.setPixelSize(15);
    Label7->setFont(big);
    ProgressBar1 = new QProgressBar(panel);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    Label7->setBuddy(ProgressBar1);
    column->addWidget(Label7);
    column->addWidget(ProgressBar1);
    return panel;
}

QWidget* TForm4::buildDatePanel(QWidget* chartPanel)
{
    auto* panel = new QWidget(chartPanel);
    panel->setObjectName(QStringLiteral("Panel4"));
    panel->setFixedSize(320, 300);
    fill(panel, kAzure);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(12, 12, 12, 12);
    QLabel* Label8 = label(panel, "Label8", QStringLiteral("Please Select the date you want to import:"));
    Label8->setStyleSheet(QStringLiteral("color: white;"));
    ListBox1 = new QListWidget(panel);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    Label8->setBuddy(ListBox1);
    BitBtn7 = button(panel, "BitBtn7", QStringLiteral("I&mport"));
    BitBtn8 = button(panel, "BitBtn8", QStringLiteral("&Back"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn7);
    buttons->addWidget(BitBtn8);
    column->addWidget(Label8);
    column->addWidget(ListBox1, 1);
    column->addLayout(buttons);
    connect(BitBtn7, &QPushButton::clicked, this, [this] { showingErrors(messages(), [this] { BitBtn7Click(); }); });
    connect(BitBtn8, &QPushButton::clicked, this, [this] { showingErrors(messages(), [this] { BitBtn8Click(); }); });
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, [this] { showingErrors(messages(), [this] { BitBtn7Click(); }); });
    // As in a dialog: Enter on the list imports, Enter on a focused button
    // presses it, Escape goes back.
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        auto* enter = new QShortcut(key, ListBox1, [this] { BitBtn7->click(); });
        enter->setContext(Qt::WidgetShortcut);
    }
    BitBtn7->setAutoDefault(true);
    BitBtn8->setAutoDefault(true);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), panel, [this] { BitBtn8->click(); });
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    return panel;
}

QWidget* TForm4::buildBottomBar()
{
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("Panel1"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(6, 4, 6, 4);
    BitBtn1 = button(bar, "BitBtn1", QStringLiteral("&Import"));
    BitBtn5 = button(bar, "BitBtn5", QStringLiteral("Sa&ve"));
    connect(BitBtn1, &QPushButton::clicked, this, [this] { showingErrors(messages(), [this] { BitBtn1Click(); }); });
    connect(BitBtn5, &QPushButton::clicked, this, [this] { showingErrors(messages(), [this] { BitBtn5Click(); }); });
    Edit5 = new QLineEdit(bar);
    Edit5->setObjectName(QStringLiteral("Edit5"));
    Edit5->setReadOnly(true);
    Edit5->setAccessibleName(QStringLiteral("Saved file"));
    Edit5->setMinimumWidth(220);
    row->addWidget(BitBtn1);
    row->addWidget(BitBtn5);
    row->addWidget(Edit5, 1);
    row->addSpacing(12);

    QLabel* Label6 = label(bar, "Label6", QStringLiteral("Records"), 60);
    Label6->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Edit4 = figureBox(bar, "Edit4", Label6);
    Edit4->setFixedWidth(70);
    Edit4->setStyleSheet(QStringLiteral("QLineEdit { color: rgb(0, 160, 0); font-weight: bold; }"));
    QLabel* Label1 = swatch(bar, "Label1", kMaxRed);
    QLabel* Label2 = label(bar, "Label2", QStringLiteral("MAX"), 60);
    Edit1 = figureBox(bar, "Edit1", Label2);
    QLabel* Label3 = swatch(bar, "Label3", kMinPurple);
    QLabel* Label4 = label(bar, "Label4", QStringLiteral("MIN"), 60);
    Edit2 = figureBox(bar, "Edit2", Label4);
    QLabel* Label5 = label(bar, "Label5", QStringLiteral("AVG"), 60);
    Edit3 = figureBox(bar, "Edit3", Label5);
    for (QWidget* w : std::initializer_list<QWidget*>{Label6, Edit4, Label1, Label2, Edit1, Label3, Label4, Edit2,
                                                      Label5, Edit3})
        row->addWidget(w);
    for (QLabel* caption : {Label2, Label4, Label5})
        caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return bar;
}

// ---------------------------------------------------------------- panels, tool bar

void TForm4::showPanel(QWidget* panel)
{
    panel->move(centredPanelPos(ChartPanel->size(), panel->size()));
    panel->raise();
    panel->show();
}

void TForm4::centrePanels()
{
    for (QWidget* panel : {Panel3, Panel4}) {
        if (!panel->isHidden())
            panel->move(centredPanelPos(ChartPanel->size(), panel->size()));
    }
}

void TForm4::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The chart panel has its new size only once the layout has run.
    QTimer::singleShot(0, this, [this] { centrePanels(); });
}

void TForm4::setToolBarEnabled(bool enabled)
{
    if (toolBar_)
        toolBar_->setEnabled(enabled);
}

}  // namespace sonavistor
