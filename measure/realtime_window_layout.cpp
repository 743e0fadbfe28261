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

void GaugeImage::DrawGauge(int n)
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

QPushButton* TForm5::button(QWidget* parent, const char* name, const QString& caption, int width)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    // The designed width at least; wider, and taller, when a large font needs it.
    b->setMinimumWidth(width);
    parent->layout()->addWidget(b);
    return b;
}

void TForm5::buildLayout()
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto* Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(8);
    outer->addWidget(Splitter1, 1);

    // Left: the display panel over the grid.
    auto* Panel1 = new QWidget(Splitter1);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* left = new QVBoxLayout(Panel1);
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(0);
    Panel4 = new QWidget(Panel1);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    Panel4->setFixedSize(265, 151);
    Panel4->setAutoFillBackground(true);
    QPalette green = Panel4->palette();
    green.setColor(QPalette::Window, kPanelGreen);
    Panel4->setPalette(green);
    left->addWidget(Panel4);

    image1 = new GaugeImage(Panel4);
    image1->setObjectName(QStringLiteral("image1"));
    image1->setGeometry(2, 2, 257, 147);
    underlable = label(Panel4, "underlable", QStringLiteral("UNDER"), 8, 2);
    colour(underlable, Qt::white, Qt::red);
    fastlable = label(Panel4, "fastlable", QStringLiteral("FAST"), 109, 2);
    colour(fastlable, kYellow);
    slowlable = label(Panel4, "slowlable", QStringLiteral("SLOW"), 156, 2);
    colour(slowlable, kYellow);
    overlable = label(Panel4, "overlable", QStringLiteral("OVER"), 216, 2);
    colour(overlable, Qt::white, Qt::red);
    LEDFontNum2 = led(Panel4, "LEDFontNum2", 8, 16);
    LEDFontNum2->setText(QStringLiteral("30"));
    LEDFontNum3 = led(Panel4, "LEDFontNum3", 210, 16);
    LEDFontNum3->setText(QStringLiteral("130"));
    LEDFontNum1 = led(Panel4, "LEDFontNum1", 100, 75);
    LEDFontNum1->setSpace(4);
    LEDFontNum1->setAccessibleName(QString::fromLatin1(kLevelName));
    maxlable = label(Panel4, "maxlable", QStringLiteral("MAX"), 8, 82);
    minlable = label(Panel4, "minlable", QStringLiteral("MIN"), 8, 102);
    label(Panel4, "Label11", QStringLiteral("SPL"), 8, 120);
    QFont big = font();
    big.setPixelSize(16);
    Label2 = label(Panel4, "Label2", QStringLiteral("A"), 240, 90);
    Label2->setFont(big);
    colour(Label2, kYellow);
    Label2->adjustSize();
    QLabel* Label9 = label(Panel4, "Label9", QStringLiteral("dB"), 232, 120);
    Label9->setFont(big);
    colour(Label9, kYellow);
    Label9->adjustSize();

    DataGrid1 = new QTableView(Panel1);
    DataGrid1->setObjectName(QStringLiteral("DataGrid1"));
    DataGrid1->setAccessibleName(QStringLiteral("Readings"));
    DataGrid1->setTabKeyNavigation(false);  // Tab goes on to the chart; arrows move in the grid
    model_ = new ReadingTableModel(database_, TableMeaData, this);
    model_->setBackgroundRule([this](const ReadingRow& row, int) {
        return QVariant(rowColour(row.MeaValue, MeasureState.MaxLevel, MeasureState.MinLevel));
    });
    model_->setForegroundRule([](const ReadingRow&, int) { return QVariant(QColor(Qt::white)); });
    DataGrid1->setModel(model_);
    DataGrid1->verticalHeader()->hide();
    DataGrid1->setShowGrid(false);
    DataGrid1->setFrameShape(QFrame::NoFrame);  // flat
    // The style sheet states the compact size too: without it the header
    // would be drawn in the program's font, which may be far larger.
    DataGrid1->setStyleSheet(QStringLiteral(
        "QTableView { background: #3a6ea5; color: white; font-size: 11px; } QHeaderView { font-size: 11px; }"));
    const int columns = fitReadingColumns(DataGrid1);
    left->addWidget(DataGrid1, 1);
    // The display panel's width, or what the columns need beside the scroll bar.
    const int panelWidth = std::max(265, columns + DataGrid1->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    Panel1->setMinimumWidth(panelWidth);

    // Right: the chart over its button bar.
    auto* Panel2 = new QWidget(Splitter1);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    auto* right = new QVBoxLayout(Panel2);
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    Chart1 = new QChartView(Panel2);
    Chart1->setObjectName(QStringLiteral("Chart1"));
    chart_ = std::make_unique<LevelChart>(Chart1, QStringLiteral("SPL Graph Analyzing"), QStringLiteral("SPL  Unit: DB"));
    QFont titleFont = chart_->chart()->titleFont();
    titleFont.setPixelSize(16);
    chart_->chart()->setTitleFont(titleFont);
    chart_->chart()->setTitleBrush(QBrush(Qt::blue));
    chart_->setLeftIncrement(1);
    chart_->setMarginPercents(2, 3, 2, 2);
    right->addWidget(Chart1, 1);
    footer_ = new QLabel(Panel2);
    footer_->setObjectName(QStringLiteral("ChartFooter"));
    footer_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    footer_->setStyleSheet(QStringLiteral("background: white;"));
    right->addWidget(footer_);
    auto* Panel5 = new QWidget(Panel2);
    Panel5->setObjectName(QStringLiteral("Panel5"));
    auto* chartRow = new QHBoxLayout(Panel5);
    chartRow->setContentsMargins(4, 3, 4, 3);
    chartRow->setSpacing(4);
    right->addWidget(Panel5);
    BitBtn6 = button(Panel5, "BitBtn6", QStringLiteral("&Print Graph"), 96);
    QPushButton* BitBtn3 = button(Panel5, "BitBtn3", QStringLiteral("&Zoom In"), 96);
    QPushButton* BitBtn4 = button(Panel5, "BitBtn4", QStringLiteral("Zoom O&ut"), 96);
    QPushButton* SpeedButton2 = button(Panel5, "SpeedButton2", QStringLiteral("&Reset Zoom"), 92);
    QPushButton* SpeedButton1 = button(Panel5, "SpeedButton1", QString(), 30);
    QPushButton* SpeedButton4 = button(Panel5, "SpeedButton4", QString(), 30);
    chartRow->addStretch(1);
    SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_ArrowLeft));
    SpeedButton4->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
    setScrollButtonKeys(SpeedButton1, SpeedButton4);
    Chart1->setAccessibleName(chart_->chart()->title());
    addChartKeys(Chart1, chartButtonCommands(*chart_));
    connect(BitBtn6, &QPushButton::clicked, this,
            [this] {
                showingErrors(context_.messages, [this] {
                    PrintGraph(*chart_, footer_->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts), context_);
                });
            });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { ZoomIn(*chart_); });
    connect(BitBtn4, &QPushButton::clicked, this, [this] { ZoomOut(*chart_); });
    connect(SpeedButton2, &QPushButton::clicked, this, [this] { ResetZoom(*chart_); });
    connect(SpeedButton1, &QPushButton::clicked, this, [this] { ScrollByPoints(*chart_, -30); });
    connect(SpeedButton4, &QPushButton::clicked, this, [this] { ScrollByPoints(*chart_, 30); });
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({panelWidth, 900 - panelWidth});

    // Bottom: the measurement buttons.
    auto* Panel3 = new QWidget(this);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    auto* measureRow = new QHBoxLayout(Panel3);
    measureRow->setContentsMargins(8, 5, 8, 5);
    measureRow->setSpacing(7);
    outer->addWidget(Panel3);
    BitBtn1 = button(Panel3, "BitBtn1", QStringLiteral("&Start to Measure"), 112);
    BitBtn8 = button(Panel3, "BitBtn8", QStringLiteral("&Stop Measure"), 112);
    BitBtn2 = button(Panel3, "BitBtn2", QStringLiteral("&Clear"), 90);
    measureRow->addSpacing(41);
    BitBtn7 = button(Panel3, "BitBtn7", QStringLiteral("Sa&ve"), 64);
    Edit1 = new QLineEdit(Panel3);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMinimumWidth(320);
    measureRow->addWidget(Edit1);
    measureRow->addStretch(1);
    Edit1->setEnabled(false);
    Edit1->setAccessibleName(QStringLiteral("Saved file"));
    announcer_ = new Announcer(Panel3);
    auto* sayLevel = new QShortcut(QKeySequence(QString::fromLatin1(kLevelShortcut)), this);
    sayLevel->setContext(Qt::WidgetWithChildrenShortcut);
    connect(sayLevel, &QShortcut::activated, this, &TForm5::sayLevel);
    connect(BitBtn1, &QPushButton::clicked, this, [this] { showingErrors(context_.messages, [this] { BitBtn1Click(); }); });
    connect(BitBtn8, &QPushButton::clicked, this, [this] { showingErrors(context_.messages, [this] { BitBtn8Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { showingErrors(context_.messages, [this] { BitBtn2Click(); }); });
    connect(BitBtn7, &QPushButton::clicked, this, [this] { showingErrors(context_.messages, [this] { BitBtn7Click(); }); });
    // Start hidden means measuring; Save follows its button.
    events().watch(BitBtn1);
    events().watch(BitBtn7);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, [this] { showingErrors(context_.messages, [this] { Timer1Timer(); }); });
}

}  // namespace sonavistor
