// The real-time window's controls: the LED panel with its gauge and flags,
// the chart, the table of readings and the buttons, as the window was drawn.
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

constexpr char kLevelName[] = "Sound level";
constexpr char kLevelShortcut[] = "Ctrl+L";
const QColor kPanelGreen(0, 128, 0);
const QColor kYellow(255, 255, 0);

QLabel* label(QWidget* parent, const char* name, const QString& text, int x, int y)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->move(x, y);
    l->adjustSize();
    return l;
}

void colour(QLabel* l, const QColor& text, const QColor& background = QColor())
{
    QString style = QStringLiteral("color: %1;").arg(text.name());
    if (background.isValid())
        style += QStringLiteral(" background: %1;").arg(background.name());
    l->setStyleSheet(style);
}

TLEDFontNum* led(QWidget* parent, const char* name, int x, int y)
{
    auto* d = new TLEDFontNum(parent);
    d->setObjectName(QString::fromLatin1(name));
    d->move(x, y);
    // Background and unlit segments both the panel's green: only lit ones show.
    d->setBGColor(kPanelGreen);
    d->setDarkColor(kPanelGreen);
    return d;
}

}  // namespace

// ---------------------------------------------------------------- gauge

GaugeImage::GaugeImage(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);  // the green panel shows through
}

void GaugeImage::lightTicks(int n)
{
    lit_ = n;
    update();
}

void GaugeImage::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const auto ticks = gaugeTicks(width(), height());
    for (int k = 0; k < 50; ++k) {
        // Unlit ticks in the panel's green, then the first n again in yellow.
        p.setPen(QPen(k < lit_ ? kYellow : kPanelGreen, 1));
        const std::vector<QPoint> pixels =
            linePixels(ticks[static_cast<size_t>(k)].from, ticks[static_cast<size_t>(k)].to);
        p.drawPoints(pixels.data(), static_cast<int>(pixels.size()));
    }
}

QPushButton* RealtimeWindow::button(QWidget* parent, const char* name, const QString& caption, int width)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    // The designed width at least; wider, and taller, when a large font needs it.
    b->setMinimumWidth(width);
    parent->layout()->addWidget(b);
    return b;
}

void RealtimeWindow::buildLayout()
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("Splitter1"));
    splitter->setHandleWidth(8);
    outer->addWidget(splitter, 1);

    // Left: the display panel over the grid.
    auto* leftPanel = new QWidget(splitter);
    leftPanel->setObjectName(QStringLiteral("Panel1"));
    auto* left = new QVBoxLayout(leftPanel);
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(0);
    displayPanel_ = new QWidget(leftPanel);
    displayPanel_->setObjectName(QStringLiteral("Panel4"));
    displayPanel_->setFixedSize(265, 151);
    displayPanel_->setAutoFillBackground(true);
    QPalette green = displayPanel_->palette();
    green.setColor(QPalette::Window, kPanelGreen);
    displayPanel_->setPalette(green);
    left->addWidget(displayPanel_);

    gauge_ = new GaugeImage(displayPanel_);
    gauge_->setObjectName(QStringLiteral("image1"));
    gauge_->setGeometry(2, 2, 257, 147);
    underLabel_ = label(displayPanel_, "underlable", QStringLiteral("UNDER"), 8, 2);
    colour(underLabel_, Qt::white, Qt::red);
    fastLabel_ = label(displayPanel_, "fastlable", QStringLiteral("FAST"), 109, 2);
    colour(fastLabel_, kYellow);
    slowLabel_ = label(displayPanel_, "slowlable", QStringLiteral("SLOW"), 156, 2);
    colour(slowLabel_, kYellow);
    overLabel_ = label(displayPanel_, "overlable", QStringLiteral("OVER"), 216, 2);
    colour(overLabel_, Qt::white, Qt::red);
    rangeLowDisplay_ = led(displayPanel_, "LEDFontNum2", 8, 16);
    rangeLowDisplay_->setText(QStringLiteral("30"));
    rangeHighDisplay_ = led(displayPanel_, "LEDFontNum3", 210, 16);
    rangeHighDisplay_->setText(QStringLiteral("130"));
    levelDisplay_ = led(displayPanel_, "LEDFontNum1", 100, 75);
    levelDisplay_->setSpace(4);
    levelDisplay_->setAccessibleName(QString::fromLatin1(kLevelName));
    maxLabel_ = label(displayPanel_, "maxlable", QStringLiteral("MAX"), 8, 82);
    minLabel_ = label(displayPanel_, "minlable", QStringLiteral("MIN"), 8, 102);
    label(displayPanel_, "Label11", QStringLiteral("SPL"), 8, 120);
    QFont big = font();
    big.setPixelSize(16);
    weightingLabel_ = label(displayPanel_, "Label2", QStringLiteral("A"), 240, 90);
    weightingLabel_->setFont(big);
    colour(weightingLabel_, kYellow);
    weightingLabel_->adjustSize();
    QLabel* unitLabel = label(displayPanel_, "Label9", QStringLiteral("dB"), 232, 120);
    unitLabel->setFont(big);
    colour(unitLabel, kYellow);
    unitLabel->adjustSize();

    grid_ = new QTableView(leftPanel);
    grid_->setObjectName(QStringLiteral("DataGrid1"));
    grid_->setAccessibleName(QStringLiteral("Readings"));
    grid_->setTabKeyNavigation(false);  // Tab goes on to the chart; arrows move in the grid
    model_ = new ReadingTableModel(database_, TableMeaData, this);
    model_->setBackgroundRule([](const ReadingRow& row, int) {
        return QVariant(rowColour(row.MeaValue, MeasureState.MaxLevel, MeasureState.MinLevel));
    });
    model_->setForegroundRule([](const ReadingRow&, int) { return QVariant(QColor(Qt::white)); });
    grid_->setModel(model_);
    grid_->verticalHeader()->hide();
    grid_->setShowGrid(false);
    grid_->setFrameShape(QFrame::NoFrame);  // flat
    // The style sheet states the compact size too: without it the header
    // would be drawn in the program's font, which may be far larger.
    grid_->setStyleSheet(QStringLiteral(
        "QTableView { background: #3a6ea5; color: white; font-size: 11px; } QHeaderView { font-size: 11px; }"));
    const int columns = fitReadingColumns(grid_);
    left->addWidget(grid_, 1);
    // The display panel's width, or what the columns need beside the scroll bar.
    const int panelWidth = std::max(265, columns + grid_->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    leftPanel->setMinimumWidth(panelWidth);

    // Right: the chart over its button bar.
    auto* rightPanel = new QWidget(splitter);
    rightPanel->setObjectName(QStringLiteral("Panel2"));
    auto* right = new QVBoxLayout(rightPanel);
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    chartView_ = new QChartView(rightPanel);
    chartView_->setObjectName(QStringLiteral("Chart1"));
    chart_ = std::make_unique<LevelChart>(chartView_, QStringLiteral("SPL Graph Analyzing"), QStringLiteral("SPL  Unit: DB"));
    QFont titleFont = chart_->chart()->titleFont();
    titleFont.setPixelSize(16);
    chart_->chart()->setTitleFont(titleFont);
    chart_->chart()->setTitleBrush(QBrush(Qt::blue));
    chart_->setLeftIncrement(1);
    chart_->setMarginPercents(2, 3, 2, 2);
    right->addWidget(chartView_, 1);
    footer_ = new QLabel(rightPanel);
    footer_->setObjectName(QStringLiteral("ChartFooter"));
    footer_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    footer_->setStyleSheet(QStringLiteral("background: white;"));
    right->addWidget(footer_);
    auto* chartButtonBar = new QWidget(rightPanel);
    chartButtonBar->setObjectName(QStringLiteral("Panel5"));
    auto* chartRow = new QHBoxLayout(chartButtonBar);
    chartRow->setContentsMargins(4, 3, 4, 3);
    chartRow->setSpacing(4);
    right->addWidget(chartButtonBar);
    printButton_ = button(chartButtonBar, "BitBtn6", QStringLiteral("&Print Graph"), 96);
    QPushButton* zoomInButton = button(chartButtonBar, "BitBtn3", QStringLiteral("&Zoom In"), 96);
    QPushButton* zoomOutButton = button(chartButtonBar, "BitBtn4", QStringLiteral("Zoom O&ut"), 96);
    QPushButton* resetZoomButton = button(chartButtonBar, "SpeedButton2", QStringLiteral("&Reset Zoom"), 92);
    QPushButton* scrollLeftButton = button(chartButtonBar, "SpeedButton1", QString(), 30);
    QPushButton* scrollRightButton = button(chartButtonBar, "SpeedButton4", QString(), 30);
    chartRow->addStretch(1);
    scrollLeftButton->setIcon(style()->standardIcon(QStyle::SP_ArrowLeft));
    scrollRightButton->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
    setScrollButtonKeys(scrollLeftButton, scrollRightButton);
    chartView_->setAccessibleName(chart_->chart()->title());
    addChartKeys(chartView_, chartButtonCommands(*chart_));
    connect(printButton_, &QPushButton::clicked, this,
            [this] {
                showingErrors(context_.messages, [this] {
                    PrintGraph(*chart_, footer_->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts), context_);
                });
            });
    connect(zoomInButton, &QPushButton::clicked, this, [this] { ZoomIn(*chart_); });
    connect(zoomOutButton, &QPushButton::clicked, this, [this] { ZoomOut(*chart_); });
    connect(resetZoomButton, &QPushButton::clicked, this, [this] { ResetZoom(*chart_); });
    connect(scrollLeftButton, &QPushButton::clicked, this, [this] { ScrollByPoints(*chart_, -30); });
    connect(scrollRightButton, &QPushButton::clicked, this, [this] { ScrollByPoints(*chart_, 30); });
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({panelWidth, 900 - panelWidth});

    // Bottom: the measurement buttons.
    auto* measureBar = new QWidget(this);
    measureBar->setObjectName(QStringLiteral("Panel3"));
    auto* measureRow = new QHBoxLayout(measureBar);
    measureRow->setContentsMargins(8, 5, 8, 5);
    measureRow->setSpacing(7);
    outer->addWidget(measureBar);
    startButton_ = button(measureBar, "BitBtn1", QStringLiteral("&Start to Measure"), 112);
    stopButton_ = button(measureBar, "BitBtn8", QStringLiteral("&Stop Measure"), 112);
    clearButton_ = button(measureBar, "BitBtn2", QStringLiteral("&Clear"), 90);
    measureRow->addSpacing(41);
    saveButton_ = button(measureBar, "BitBtn7", QStringLiteral("Sa&ve"), 64);
    savedFileEdit_ = new QLineEdit(measureBar);
    savedFileEdit_->setObjectName(QStringLiteral("Edit1"));
    savedFileEdit_->setMinimumWidth(320);
    measureRow->addWidget(savedFileEdit_);
    measureRow->addStretch(1);
    savedFileEdit_->setEnabled(false);
    savedFileEdit_->setAccessibleName(QStringLiteral("Saved file"));
    announcer_ = new Announcer(measureBar);
    auto* sayLevel = new QShortcut(QKeySequence(QString::fromLatin1(kLevelShortcut)), this);
    sayLevel->setContext(Qt::WidgetWithChildrenShortcut);
    connect(sayLevel, &QShortcut::activated, this, &RealtimeWindow::sayLevel);
    connect(startButton_, &QPushButton::clicked, this, [this] { showingErrors(context_.messages, [this] { startMeasurement(); }); });
    connect(stopButton_, &QPushButton::clicked, this, [this] { showingErrors(context_.messages, [this] { stopMeasurement(); }); });
    connect(clearButton_, &QPushButton::clicked, this, [this] { showingErrors(context_.messages, [this] { clearReadings(); }); });
    connect(saveButton_, &QPushButton::clicked, this, [this] { showingErrors(context_.messages, [this] { saveMeasurement(); }); });
    // Start hidden means measuring; Save follows its button.
    events().watch(startButton_);
    events().watch(saveButton_);

    readingTimer_ = new QTimer(this);
    readingTimer_->setObjectName(QStringLiteral("Timer1"));
    connect(readingTimer_, &QTimer::timeout, this, [this] { showingErrors(context_.messages, [this] { requestReading(); }); });
}

}  // namespace sonavistor
