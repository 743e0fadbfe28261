#include "app/main_window.h"

#include "app/child_tiling.h"
#include "app/icons.h"
#include "app/message_service.h"
#include "app/meter_settings.h"
#include "app/panel_status_bar.h"
#include "app/program_folder.h"
#include "app/shell_state.h"
#include "measure/measure_state.h"
#include "meter/meter_connection.h"
#include "meter/meter_link.h"
#include "store/measurement_db.h"

#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace sonavistor {

namespace {

constexpr char kOneInstanceOnly[] = "sorry, this program only run one instance at a time!";
constexpr char kReportProjectFile[] = "quorvane_en.rav";
constexpr char kReportProjectMissing[] = "quorvane_en.rav Destroied";
constexpr char kExitQuestion[] = "Are You Sure to Exit This Program?";
constexpr char kExitCaption[] = "System Exit Query";
constexpr char kConnected[] = "Connect OK!";
constexpr char kDisconnected[] = "Disconnect!";
constexpr char kMeasureEntry[] = "Real Time Measure  Window";
constexpr char kAnalyzeEntry[] = "Reprot Analyzing Window";
constexpr char kImportEntry[] = "Data Import Window";

QAction* makeAction(QObject* owner, const char* name, const QString& caption)
{
    auto* action = new QAction(caption, owner);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QMdiSubWindow* subWindowOf(QObject* handle)
{
    auto* widget = qobject_cast<QWidget*>(handle);
    return widget ? qobject_cast<QMdiSubWindow*>(widget->parentWidget()) : nullptr;
}

}  // namespace

TForm1::TForm1(const AppEnvironment& env, QWidget* parent)
    : QMainWindow(parent), env_(env), database_(std::make_unique<MeasurementDatabase>()),
      printer_(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    Q_ASSERT(env_.messages);
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Sonavistor"));
    setWindowIcon(programIcon());
    env_.messages->setApplicationTitle(env_.applicationTitle);

    // A new run: the shared records start empty.
    ShellState = {};
    MeterSettings = {};
    MeasureState = {};
    MeterLink = {};

    mdi_ = new QMdiArea(this);
    mdi_->setObjectName(QStringLiteral("ClientArea"));
    mdi_->setBackground(QColor(128, 128, 128));
    setCentralWidget(mdi_);
    buildMenus();
    buildToolBar();
    buildStatusBar();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);

    FormCreate();
}

TForm1::~TForm1()
{
    // Reading threads end before the windows they report to.
    meter_.reset();
}

// ---------------------------------------------------------------- start-up

void TForm1::FormCreate()
{
    MeasureState.MeasureWindowOpen = false;

    instance_ = std::make_unique<SingleInstance>(env_.applicationTitle, env_.lockFolder);
    if (!instance_->acquire()) {
        // A second instance touches neither the database nor the settings.
        startedUp_ = false;
        setAttribute(Qt::WA_DontShowOnScreen);
        messages().inform(QString::fromLatin1(kOneInstanceOnly));
        return;
    }

    openWorkingDatabase();

    ShellState.AboutEnabled = true;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        setGeometry(0, 0, area.width(), area.height() - 20);
    }

    menumeasure = makeAction(this, "menumeasure", QString());
    menuanalyze = makeAction(this, "menuanalyze", QString());
    importdata = makeAction(this, "importdata", QString());
    for (QAction* entry : {menumeasure, menuanalyze, importdata})
        entry->setCheckable(true);
    connect(menumeasure, &QAction::triggered, this, &TForm1::MenuMeasureClick);
    connect(menuanalyze, &QAction::triggered, this, &TForm1::MenuOpenClick);
    connect(importdata, &QAction::triggered, this, &TForm1::MenuImportClick);

    StatusProgress = new QProgressBar(StatusBar1);
    StatusProgress->setObjectName(QStringLiteral("StatusProgress"));
    StatusProgress->setTextVisible(false);
    StatusProgress->setGeometry(StatusBar1->panelWidth(0) + StatusBar1->panelWidth(1) + 1, 2,
                                StatusBar1->panelWidth(2), StatusBar1->height() - 2);
    StatusProgress->setValue(0);

    InitOther();
    createMeterLink();

    startedUp_ = true;
    Timer1->start();
    FormPaint();
}

void TForm1::InitOther()
{
    ShellState.ChildReady = false;
    ShellState.MeasureWindowHandle = nullptr;
    ShellState.ImportWindowHandle = nullptr;
    ShellState.AnalyzeWindowHandle = nullptr;

    const QString reportProject = sideFilePath(programFolder(), QString::fromLatin1(kReportProjectFile));
    if (!QFileInfo::exists(reportProject)) {
        messages().show({QString::fromLatin1(kReportProjectMissing), QString(), MessageIcon::Error,
                         Ok, Ok});
        return;
    }
    reportProjectPath_ = reportProject;

    MeterSettings = readMeterSettings(QDir(programFolder()).filePath(QString::fromLatin1(kSettingsFileName)));

    ShellState.MeasureEnabled = true;
    ShellState.SetupEnabled = true;
    ShellState.ImportEnabled = true;
    MeasureState.LiveDataSaved = true;
    ShellState.ChildReady = true;
    settingsLoaded_ = true;
}

// ---------------------------------------------------------------- building

void TForm1::buildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    N2 = bar->addMenu(QStringLiteral("&File"));
    N2->setObjectName(QStringLiteral("N2"));
    N3 = makeAction(this, "N3", QStringLiteral("&Real Time Measure"));
    N6 = makeAction(this, "N6", QStringLiteral("&Open"));
    N15 = makeAction(this, "N15", QStringLiteral("&Save"));
    N16 = makeAction(this, "N16", QStringLiteral("&Import Data"));
    N7 = makeAction(this, "N7", QStringLiteral("&Export to Excel"));
    N13 = makeAction(this, "N13", QStringLiteral("Printer Se&tup"));
    N8 = makeAction(this, "N8", QStringLiteral("Print &Data Sheet"));
    N9 = makeAction(this, "N9", QStringLiteral("E&xit"));
    N2->addActions({N3, N6, N15});
    N2->addSeparator();
    N2->addActions({N16, N7});
    N2->addSeparator();
    N2->addActions({N13, N8});
    N2->addSeparator();
    N2->addAction(N9);

    N4 = bar->addMenu(QStringLiteral("&Option"));
    N4->setObjectName(QStringLiteral("N4"));
    N5 = makeAction(this, "N5", QStringLiteral("S&ystem Setup"));
    N4->addAction(N5);
    N4->addSeparator();
    N17 = N4->addMenu(QStringLiteral("&Language"));
    N17->setObjectName(QStringLiteral("N17"));
    N18 = makeAction(this, "N18", QStringLiteral("&Chinese"));
    N19 = makeAction(this, "N19", QStringLiteral("&English"));
    N18->setEnabled(false);
    N17->addActions({N18, N19});

    N20 = bar->addMenu(QStringLiteral("&Window"));
    N20->setObjectName(QStringLiteral("N20"));
    C1 = makeAction(this, "C1", QStringLiteral("&Cascade"));
    H2 = makeAction(this, "H2", QStringLiteral("&Horizontally"));
    V1 = makeAction(this, "V1", QStringLiteral("&Vertically"));
    for (QAction* a : {C1, H2, V1})
        a->setCheckable(true);
    N20->addActions({C1, H2, V1});
    N20->addSeparator();

    N10 = bar->addMenu(QStringLiteral("&Help"));
    N10->setObjectName(QStringLiteral("N10"));
    HelpItem = makeAction(this, "Help", QStringLiteral("Quorvane Help"));
    HelpItem->setToolTip(QStringLiteral("Help"));
    N1 = makeAction(this, "N1", QStringLiteral("Our &Web-Site"));
    N1->setEnabled(false);
    A1 = makeAction(this, "A1", QStringLiteral("&About"));
    N10->addActions({HelpItem, N1});
    N10->addSeparator();
    N10->addAction(A1);

    connect(N3, &QAction::triggered, this, &TForm1::N3Click);
    connect(N6, &QAction::triggered, this, &TForm1::N6Click);
    connect(N15, &QAction::triggered, this, &TForm1::N15Click);
    connect(N16, &QAction::triggered, this, &TForm1::N16Click);
    connect(N7, &QAction::triggered, this, &TForm1::N7Click);
    connect(N13, &QAction::triggered, this, &TForm1::N13Click);
    connect(N8, &QAction::triggered, this, &TForm1::N8Click);
    connect(N9, &QAction::triggered, this, &TForm1::N9Click);
    connect(N5, &QAction::triggered, this, &TForm1::N5Click);
    connect(HelpItem, &QAction::triggered, this, &TForm1::HelpClick);
    connect(A1, &QAction::triggered, this, &TForm1::A1Click);
    connect(C1, &QAction::triggered, this, &TForm1::C1Click);
    connect(H2, &QAction::triggered, this, &TForm1::H2Click);
    connect(V1, &QAction::triggered, this, &TForm1::V1Click);
}

void TForm1::buildToolBar()
{
    CoolBar1 = new QToolBar(this);
    CoolBar1->setObjectName(QStringLiteral("CoolBar1"));
    CoolBar1->setMovable(false);
    CoolBar1->setFloatable(false);
    CoolBar1->setFixedHeight(45);
    CoolBar1->setContentsMargins(0, 0, 0, 0);
    addToolBar(Qt::TopToolBarArea, CoolBar1);

    ToolBar1 = new QToolBar(CoolBar1);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setIconSize(QSize(32, 32));
    ToolBar1->setMovable(false);
    CoolBar1->addWidget(ToolBar1);

    const auto button = [this](QAction* item, const char* name, const char* hint, int image) {
        item->setToolTip(QString::fromLatin1(hint));
        item->setIcon(toolBarIcon(image));
        ToolBar1->addAction(item);
        QWidget* widget = ToolBar1->widgetForAction(item);
        widget->setObjectName(QString::fromLatin1(name));
        widget->setFixedSize(39, 38);
        if (auto* tool = qobject_cast<QToolButton*>(widget))
            tool->setAutoRaise(true);  // flat
    };
    const auto gap = [this](int width) {
        auto* spacer = new QWidget(ToolBar1);
        spacer->setFixedSize(width, 38);
        ToolBar1->addWidget(spacer);
    };
    button(N3, "ToolButton1", "Real Time Measure", 0);
    button(N16, "ToolButton2", "Import Data", 1);
    button(N6, "ToolButton3", "Open", 2);
    gap(13);
    button(N7, "ToolButton5", "Export to Excel", 4);
    button(N8, "ToolButton6", "Print Data Sheet", 5);
    button(N5, "ToolButton7", "System Option", 6);
    gap(8);
    button(A1, "ToolButton10", "About...", 8);
    gap(21);
    button(N9, "ToolButton9", "Exit", 9);
}

void TForm1::buildStatusBar()
{
    StatusBar1 = new PanelStatusBar({80, 150, 350, 50}, this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setFixedHeight(28);
    StatusBar1->setOwnerDrawn(0, [this](QPainter& p, const QRect& r) { StatusBar1DrawPanel(p, r); });
    setStatusBar(StatusBar1);
}

void TForm1::StatusBar1DrawPanel(QPainter& painter, const QRect& rect)
{
    painter.drawPixmap(rect.topLeft(), statusIcon(1));
    StatusBar1->setPanelText(3, MeterSettings.CompanyName);
    if (MeterLink.Connected)
        painter.drawPixmap(QPoint(rect.right() - 20, rect.top()), statusIcon(0));
}

// ---------------------------------------------------------------- refresh

bool TForm1::event(QEvent* event)
{
    if (event->type() == QEvent::Paint && startedUp_)
        FormPaint();
    return QMainWindow::event(event);
}

void TForm1::FormPaint()
{
    if (!startedUp_)
        return;
    menumeasure->setText(QString::fromLatin1(kMeasureEntry));
    menuanalyze->setText(QString::fromLatin1(kAnalyzeEntry));
    importdata->setText(QString::fromLatin1(kImportEntry));

    StatusBar1->setPanelText(1, QString::fromLatin1(MeterLink.Connected ? kConnected : kDisconnected));

    QWidget* active = activeChild();
    const auto markActive = [active](const QPointer<QObject>& handle, QAction* entry) {
        if (handle)
            entry->setChecked(handle == active);
    };
    markActive(ShellState.MeasureWindowHandle, menumeasure);
    markActive(ShellState.ImportWindowHandle, importdata);
    markActive(ShellState.AnalyzeWindowHandle, menuanalyze);

    if (ShellState.ImportEntryClosed) {
        ShellState.ImportEntryClosed = false;
        N20->removeAction(importdata);
    }
    if (ShellState.AnalyzeEntryClosed) {
        ShellState.AnalyzeEntryClosed = false;
        N20->removeAction(menuanalyze);
    }

    A1->setEnabled(ShellState.AboutEnabled);

    if (ShellState.MeasureEnabled) {
        N3->setEnabled(true);
        if (ShellState.MeasureEntryClosed) {
            ShellState.MeasureEntryClosed = false;
            N20->removeAction(menumeasure);
        }
    } else {
        N3->setEnabled(false);
    }

    N5->setEnabled(ShellState.SetupEnabled);
    N16->setEnabled(ShellState.ImportEnabled);

    N8->setEnabled(false);
    N7->setEnabled(false);
    N15->setEnabled(false);

    if (!mdi_->subWindowList().isEmpty() && ShellState.ChildReady && active) {
        const QString name = active->objectName();
        const auto button = [active](const char* control) {
            return active->findChild<QAbstractButton*>(QString::fromLatin1(control));
        };
        if (name == QLatin1String("Form5")) {
            QAbstractButton* start = button("BitBtn1");
            QAbstractButton* save = button("BitBtn7");
            // "Visible" is the button's own flag, not whether it is on screen now.
            const bool notMeasuring = start && !start->isHidden();
            if (notMeasuring && tableHasRows(TableMeaData)) {
                N8->setEnabled(true);
                N7->setEnabled(true);
            }
            if (save && save->isEnabled() && notMeasuring)
                N15->setEnabled(true);
        } else if (name == QLatin1String("Form4")) {
            if (tableHasRows(TableGetRecorde)) {
                N8->setEnabled(true);
                N7->setEnabled(true);
            }
            QAbstractButton* save = button("BitBtn5");
            if (save && save->isEnabled())
                N15->setEnabled(true);
        } else if (name == QLatin1String("Form7")) {
            N8->setEnabled(true);
            N7->setEnabled(true);
        }
    }
}

void TForm1::Timer1Timer()
{
    update();
    FormPaint();
    StatusProgress->setValue(ShellState.ProgressPosition);
    if (StatusBar1->panelText(3) != MeterSettings.CompanyName) {
        StatusBar1->setPanelText(3, MeterSettings.CompanyName);
        StatusBar1->update();
    }
    if (MeterLink.Connected != lastPaintedConnected_) {
        StatusBar1->update();
        lastPaintedConnected_ = MeterLink.Connected;
    }
}

// ---------------------------------------------------------------- children

void TForm1::setChildFactory(ChildKind kind, ChildFactory factory)
{
    factories_[kind] = std::move(factory);
}

void TForm1::setCommand(const QString& menuItem, Command command)
{
    commands_[menuItem] = std::move(command);
}

QMdiSubWindow* TForm1::addChildWindow(QWidget* form)
{
    QMdiSubWindow* sub = mdi_->addSubWindow(form);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(programIcon());
    return sub;
}

QWidget* TForm1::activeChild() const
{
    QMdiSubWindow* sub = mdi_->currentSubWindow();
    return sub ? sub->widget() : nullptr;
}

QString TForm1::activeChildName() const
{
    QWidget* child = activeChild();
    return child ? child->objectName() : QString();
}

void TForm1::bringToFront(QObject* handle)
{
    QMdiSubWindow* sub = subWindowOf(handle);
    if (!sub)
        return;
    if (sub->isMinimized())
        sub->showNormal();
    sub->show();
    sub->raise();
    mdi_->setActiveSubWindow(sub);
}

QWidget* TForm1::showOrCreate(ChildKind kind, QPointer<QObject>& handle, QAction* entry,
                              bool& entryClosed)
{
    if (!handle) {
        const auto factory = factories_.find(kind);
        if (factory == factories_.end() || !factory->second)
            return nullptr;
        N20->addAction(entry);
        entryClosed = false;
        QWidget* form = factory->second(*this);
        if (!form)
            return nullptr;
        if (!subWindowOf(form))
            addChildWindow(form);
        handle = form;
    }
    bringToFront(handle);
    return qobject_cast<QWidget*>(handle.data());
}

void TForm1::stopMeasuring()
{
    if (MeasureState.MeasureWindowOpen && ShellState.MeasureWindowHandle)
        QMetaObject::invokeMethod(ShellState.MeasureWindowHandle, "BitBtn8Click", Qt::DirectConnection);
}

void TForm1::runCommand(const QString& name)
{
    const auto command = commands_.find(name);
    if (command != commands_.end() && command->second)
        command->second(*this);
}

// ---------------------------------------------------------------- commands

void TForm1::N3Click()
{
    showOrCreate(ChildKind::Measure, ShellState.MeasureWindowHandle, menumeasure,
                 ShellState.MeasureEntryClosed);
}

void TForm1::N16Click()
{
    stopMeasuring();
    showOrCreate(ChildKind::Import, ShellState.ImportWindowHandle, importdata,
                 ShellState.ImportEntryClosed);
}

void TForm1::N6Click()
{
    stopMeasuring();
    if (commands_.count(QStringLiteral("N6"))) {
        runCommand(QStringLiteral("N6"));
        return;
    }
    // Without a command of its own, Open only creates or shows the data view window.
    if (!ShellState.AnalyzeWindowOpen) {
        if (showOrCreate(ChildKind::Analyze, ShellState.AnalyzeWindowHandle, menuanalyze,
                         ShellState.AnalyzeEntryClosed))
            ShellState.AnalyzeWindowOpen = true;
    } else {
        bringToFront(ShellState.AnalyzeWindowHandle);
    }
}

void TForm1::N15Click()
{
    QWidget* child = activeChild();
    if (!child)
        return;
    if (child->objectName() == QLatin1String("Form5"))
        QMetaObject::invokeMethod(child, "BitBtn7Click", Qt::DirectConnection);
    else if (child->objectName() == QLatin1String("Form4"))
        QMetaObject::invokeMethod(child, "BitBtn5Click", Qt::DirectConnection);
}

void TForm1::N7Click()
{
    stopMeasuring();
    runCommand(QStringLiteral("N7"));
}

void TForm1::N13Click()
{
    runCommand(QStringLiteral("N13"));
}

void TForm1::N8Click()
{
    stopMeasuring();
    runCommand(QStringLiteral("N8"));
}

void TForm1::N9Click()
{
    stopMeasuring();
    close();
}

void TForm1::N5Click()
{
    stopMeasuring();
    runCommand(QStringLiteral("N5"));
}

void TForm1::HelpClick()
{
    runCommand(QStringLiteral("Help"));
}

void TForm1::A1Click()
{
    stopMeasuring();
    runCommand(QStringLiteral("A1"));
}

void TForm1::MenuMeasureClick()
{
    bringToFront(ShellState.MeasureWindowHandle);
}

void TForm1::MenuOpenClick()
{
    bringToFront(ShellState.AnalyzeWindowHandle);
}

void TForm1::MenuImportClick()
{
    bringToFront(ShellState.ImportWindowHandle);
}

void TForm1::C1Click()
{
    C1->setChecked(true);
    H2->setChecked(false);
    V1->setChecked(false);
    mdi_->cascadeSubWindows();
}

void TForm1::H2Click()
{
    C1->setChecked(false);
    H2->setChecked(true);
    V1->setChecked(false);
    tile(TileMode::Horizontal);
}

void TForm1::V1Click()
{
    C1->setChecked(false);
    H2->setChecked(false);
    V1->setChecked(true);
    tile(TileMode::Vertical);
}

void TForm1::tile(TileMode mode)
{
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* sub : mdi_->subWindowList(QMdiArea::CreationOrder)) {
        if (sub->isVisible() && !sub->isMinimized())
            windows.append(sub);
    }
    const std::vector<QRect> rects =
        tileRects(static_cast<int>(windows.size()), mdi_->viewport()->rect(), mode);
    for (int i = 0; i < windows.size(); ++i) {
        if (windows[i]->isMaximized())
            windows[i]->showNormal();
        windows[i]->setGeometry(rects[static_cast<size_t>(i)]);
    }
}

// ---------------------------------------------------------------- closing

void TForm1::closeEvent(QCloseEvent* event)
{
    if (!startedUp_ || closing_) {
        event->accept();
        return;
    }
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    closing_ = true;
    FormClose();
    event->accept();
}

bool TForm1::FormCloseQuery()
{
    const MessageButton answer = messages().show({QString::fromLatin1(kExitQuestion),
                                                  QString::fromLatin1(kExitCaption),
                                                  MessageIcon::Question, Yes | No, Yes});
    return answer == Yes;
}

void TForm1::FormClose()
{
    Timer1->stop();
    // Closing goes on even if the help viewer cannot close its windows.
    try {
        runCommand(QStringLiteral("HelpCloseAll"));
    } catch (const std::exception&) {
    }
    CloseOther();
}

void TForm1::CloseOther()
{
    delete StatusProgress;
    StatusProgress = nullptr;
    ShellState.SetupEnabled = true;
    if (!settingsLoaded_)
        return;
    const QString path = QDir(programFolder()).filePath(QString::fromLatin1(kSettingsFileName));
    QString error;
    if (!writeMeterSettings(path, MeterSettings, &error))
        messages().showError(QStringLiteral("The settings could not be saved to %1: %2")
                                 .arg(QDir::toNativeSeparators(path), error));
}

}  // namespace sonavistor
