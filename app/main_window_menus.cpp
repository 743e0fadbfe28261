// The main window's menus, tool bar and status bar: built once, at construction.
#include "app/main_window.h"

#include "app/icons.h"
#include "app/panel_status_bar.h"
#include "common/message_service.h"
#include "widgets/announcer.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QToolBar>
#include <QToolButton>

namespace sonavistor {

namespace {

QAction* makeAction(QObject* owner, const char* name, const QString& caption)
{
    auto* action = new QAction(caption, owner);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

}  // namespace

void MainWindow::buildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    fileMenu_ = bar->addMenu(QStringLiteral("&File"));
    fileMenu_->setObjectName(QStringLiteral("N2"));
    realTimeAction_ = makeAction(this, "N3", QStringLiteral("&Real Time Measure"));
    openAction_ = makeAction(this, "N6", QStringLiteral("&Open"));
    saveAction_ = makeAction(this, "N15", QStringLiteral("&Save"));
    importAction_ = makeAction(this, "N16", QStringLiteral("&Import Data"));
    exportAction_ = makeAction(this, "N7", QStringLiteral("&Export to Excel"));
    printerSetupAction_ = makeAction(this, "N13", QStringLiteral("Printer Se&tup"));
    printDataSheetAction_ = makeAction(this, "N8", QStringLiteral("Print &Data Sheet"));
    noiseReportAction_ = makeAction(this, "NoiseReport", QStringLiteral("&Noise Report"));
    noiseReportAction_->setEnabled(false);
    exitAction_ = makeAction(this, "N9", QStringLiteral("E&xit"));
    noiseHistoryAction_ = makeAction(this, "NoiseHistory", QStringLiteral("Noise &History..."));
    fileMenu_->addActions({realTimeAction_, openAction_, noiseHistoryAction_, saveAction_});
    fileMenu_->addSeparator();
    fileMenu_->addActions({importAction_, exportAction_});
    fileMenu_->addSeparator();
    fileMenu_->addActions({printerSetupAction_, printDataSheetAction_, noiseReportAction_});
    fileMenu_->addSeparator();
    fileMenu_->addAction(exitAction_);

    optionMenu_ = bar->addMenu(QStringLiteral("&Option"));
    optionMenu_->setObjectName(QStringLiteral("N4"));
    systemSetupAction_ = makeAction(this, "N5", QStringLiteral("S&ystem Setup"));
    optionMenu_->addAction(systemSetupAction_);
    optionMenu_->addSeparator();
    languageMenu_ = optionMenu_->addMenu(QStringLiteral("&Language"));
    languageMenu_->setObjectName(QStringLiteral("N17"));
    chineseAction_ = makeAction(this, "N18", QStringLiteral("&Chinese"));
    englishAction_ = makeAction(this, "N19", QStringLiteral("&English"));
    chineseAction_->setEnabled(false);
    languageMenu_->addActions({chineseAction_, englishAction_});

    windowMenu_ = bar->addMenu(QStringLiteral("&Window"));
    windowMenu_->setObjectName(QStringLiteral("N20"));
    cascadeAction_ = makeAction(this, "C1", QStringLiteral("&Cascade"));
    horizontalAction_ = makeAction(this, "H2", QStringLiteral("&Horizontally"));
    verticalAction_ = makeAction(this, "V1", QStringLiteral("&Vertically"));
    for (QAction* a : {cascadeAction_, horizontalAction_, verticalAction_})
        a->setCheckable(true);
    windowMenu_->addActions({cascadeAction_, horizontalAction_, verticalAction_});
    windowMenu_->addSeparator();

    helpMenu_ = bar->addMenu(QStringLiteral("&Help"));
    helpMenu_->setObjectName(QStringLiteral("N10"));
    helpAction_ = makeAction(this, "Help", QStringLiteral("Quorvane Help"));
    helpAction_->setToolTip(QStringLiteral("Help"));
    webSiteAction_ = makeAction(this, "N1", QStringLiteral("Our &Web-Site"));
    webSiteAction_->setEnabled(false);
    aboutAction_ = makeAction(this, "A1", QStringLiteral("&About"));
    helpMenu_->addActions({helpAction_, webSiteAction_});
    helpMenu_->addSeparator();
    helpMenu_->addAction(aboutAction_);

    connect(noiseHistoryAction_, &QAction::triggered, this,
            [this] { showingErrors(messages(), [this] { runCommand(QStringLiteral("NoiseHistory")); }); });
    connect(saveAction_, &QAction::triggered, this, [this] { showingErrors(messages(), [this] { saveActiveWindow(); }); });
    connect(exportAction_, &QAction::triggered, this, [this] { showingErrors(messages(), [this] { exportToExcel(); }); });
    connect(printerSetupAction_, &QAction::triggered, this, [this] { showingErrors(messages(), [this] { setUpPrinter(); }); });
    connect(printDataSheetAction_, &QAction::triggered, this, [this] { showingErrors(messages(), [this] { printDataSheet(); }); });
    connect(noiseReportAction_, &QAction::triggered, this, [this] { showingErrors(messages(), [this] { reportNoise(); }); });
    connect(exitAction_, &QAction::triggered, this, [this] { showingErrors(messages(), [this] { exitProgram(); }); });
    connect(systemSetupAction_, &QAction::triggered, this, [this] { showingErrors(messages(), [this] { openSystemSetup(); }); });
    connect(helpAction_, &QAction::triggered, this, [this] { showingErrors(messages(), [this] { openHelp(); }); });
    connect(aboutAction_, &QAction::triggered, this, [this] { showingErrors(messages(), [this] { openAbout(); }); });
    connect(cascadeAction_, &QAction::triggered, this, [this] { showingErrors(messages(), [this] { cascadeWindows(); }); });
    connect(horizontalAction_, &QAction::triggered, this, [this] { showingErrors(messages(), [this] { tileHorizontally(); }); });
    connect(verticalAction_, &QAction::triggered, this, [this] { showingErrors(messages(), [this] { tileVertically(); }); });
}

void MainWindow::buildToolBar()
{
    coolBar_ = new QToolBar(this);
    coolBar_->setObjectName(QStringLiteral("CoolBar1"));
    coolBar_->setMovable(false);
    coolBar_->setFloatable(false);
    coolBar_->setFixedHeight(45);
    coolBar_->setContentsMargins(0, 0, 0, 0);
    addToolBar(Qt::TopToolBarArea, coolBar_);

    toolBar_ = new QToolBar(coolBar_);
    toolBar_->setObjectName(QStringLiteral("ToolBar1"));
    toolBar_->setIconSize(QSize(32, 32));
    toolBar_->setMovable(false);
    coolBar_->addWidget(toolBar_);

    const auto button = [this](QAction* item, const char* name, const char* hint, int image) {
        item->setToolTip(QString::fromLatin1(hint));
        item->setIcon(toolBarIcon(image));
        toolBar_->addAction(item);
        QWidget* widget = toolBar_->widgetForAction(item);
        widget->setObjectName(QString::fromLatin1(name));
        widget->setFixedSize(39, 38);
        if (auto* tool = qobject_cast<QToolButton*>(widget))
            tool->setAutoRaise(true);  // flat
    };
    const auto gap = [this](int width) {
        auto* spacer = new QWidget(toolBar_);
        spacer->setFixedSize(width, 38);
        toolBar_->addWidget(spacer);
    };
    button(realTimeAction_, "ToolButton1", "Real Time Measure", 0);
    button(importAction_, "ToolButton2", "Import Data", 1);
    button(openAction_, "ToolButton3", "Open", 2);
    gap(13);
    button(exportAction_, "ToolButton5", "Export to Excel", 4);
    button(printDataSheetAction_, "ToolButton6", "Print Data Sheet", 5);
    button(systemSetupAction_, "ToolButton7", "System Option", 6);
    gap(8);
    button(aboutAction_, "ToolButton10", "About...", 8);
    gap(21);
    button(exitAction_, "ToolButton9", "Exit", 9);
}

void MainWindow::buildStatusBar()
{
    statusBar_ = new PanelStatusBar({80, 150, 350, 50}, this);
    statusBar_->setObjectName(QStringLiteral("StatusBar1"));
    statusBar_->setFixedHeight(28);
    statusBar_->setOwnerDrawn(0, [this](QPainter& p, const QRect& r) { drawStatusPanel(p, r); });
    setStatusBar(statusBar_);
    announcer_ = new Announcer(statusBar_);
}

void MainWindow::createWindowEntries()
{
    // Each registered window: its File-menu command shows it, its entry
    // (in the Window menu while it is open) brings it to the front.
    for (const WindowRegistration& window : registeredWindows()) {
        windows_.push_back(window);
        windows_.back().factory = nullptr;  // installed by installStandardWindows, or a test's own
        const QString key = window.key;
        if (auto* command = findChild<QAction*>(window.command))
            connect(command, &QAction::triggered, this,
                    [this, key] { showingErrors(messages(), [this, key] { runWindowCommand(key); }); });
        auto* entry = new QAction(window.entryTitle, this);
        entry->setObjectName(window.entryName);
        entry->setCheckable(true);
        connect(entry, &QAction::triggered, this, [this, key] {
            showingErrors(messages(), [this, key] {
                if (const WindowRegistration* w = registration(key))
                    bringToFront(handleOf(*w));
            });
        });
        entries_[key] = entry;
    }
    connect(windowMenu_, &QMenu::aboutToShow, this, &MainWindow::rebuildWindowMenu);
}

void MainWindow::createStatusProgress()
{
    statusProgress_ = new QProgressBar(statusBar_);
    statusProgress_->setObjectName(QStringLiteral("StatusProgress"));
    statusProgress_->setTextVisible(false);
    statusProgress_->setGeometry(statusBar_->panelWidth(0) + statusBar_->panelWidth(1) + 1, 2,
                                statusBar_->panelWidth(2), statusBar_->height() - 2);
    statusProgress_->setValue(0);
}

}  // namespace sonavistor
