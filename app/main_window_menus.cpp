// TForm1's menus, tool bar and status bar: built once, at construction.
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
    NoiseReport = makeAction(this, "NoiseReport", QStringLiteral("&Noise Report"));
    NoiseReport->setEnabled(false);
    N9 = makeAction(this, "N9", QStringLiteral("E&xit"));
    NoiseHistory = makeAction(this, "NoiseHistory", QStringLiteral("Noise &History..."));
    N2->addActions({N3, N6, NoiseHistory, N15});
    N2->addSeparator();
    N2->addActions({N16, N7});
    N2->addSeparator();
    N2->addActions({N13, N8, NoiseReport});
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

    connect(NoiseHistory, &QAction::triggered, this,
            [this] { showingErrors(messages(), [this] { runCommand(QStringLiteral("NoiseHistory")); }); });
    connect(N15, &QAction::triggered, this, [this] { showingErrors(messages(), [this] { N15Click(); }); });
    connect(N7, &QAction::triggered, this, [this] { showingErrors(messages(), [this] { N7Click(); }); });
    connect(N13, &QAction::triggered, this, [this] { showingErrors(messages(), [this] { N13Click(); }); });
    connect(N8, &QAction::triggered, this, [this] { showingErrors(messages(), [this] { N8Click(); }); });
    connect(NoiseReport, &QAction::triggered, this, [this] { showingErrors(messages(), [this] { NoiseReportClick(); }); });
    connect(N9, &QAction::triggered, this, [this] { showingErrors(messages(), [this] { N9Click(); }); });
    connect(N5, &QAction::triggered, this, [this] { showingErrors(messages(), [this] { N5Click(); }); });
    connect(HelpItem, &QAction::triggered, this, [this] { showingErrors(messages(), [this] { HelpClick(); }); });
    connect(A1, &QAction::triggered, this, [this] { showingErrors(messages(), [this] { A1Click(); }); });
    connect(C1, &QAction::triggered, this, [this] { showingErrors(messages(), [this] { C1Click(); }); });
    connect(H2, &QAction::triggered, this, [this] { showingErrors(messages(), [this] { H2Click(); }); });
    connect(V1, &QAction::triggered, this, [this] { showingErrors(messages(), [this] { V1Click(); }); });
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
    announcer_ = new Announcer(StatusBar1);
}

void TForm1::createWindowEntries()
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
    connect(N20, &QMenu::aboutToShow, this, &TForm1::rebuildWindowMenu);
}

void TForm1::createStatusProgress()
{
    StatusProgress = new QProgressBar(StatusBar1);
    StatusProgress->setObjectName(QStringLiteral("StatusProgress"));
    StatusProgress->setTextVisible(false);
    StatusProgress->setGeometry(StatusBar1->panelWidth(0) + StatusBar1->panelWidth(1) + 1, 2,
                                StatusBar1->panelWidth(2), StatusBar1->height() - 2);
    StatusProgress->setValue(0);
}

}  // namespace sonavistor
