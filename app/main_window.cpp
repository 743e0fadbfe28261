#include "app/main_window.h"

#include "app/icons.h"
#include "app/panel_status_bar.h"
#include "app/recovery_files.h"
#include "common/child_window.h"
#include "common/file_dialogs.h"
#include "common/message_service.h"
#include "common/meter_settings.h"
#include "common/program_folder.h"
#include "common/shell_state.h"
#include "widgets/announcer.h"
#include "measure/measure_state.h"
#include "meter/meter_connection.h"
#include "meter/meter_link.h"
#include "store/measurement_db.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QPrinter>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>

namespace sonavistor {

namespace {

constexpr char kOneInstanceOnly[] = "sorry, this program only run one instance at a time!";
constexpr char kReportProjectFile[] = "quorvane_en.rav";
constexpr char kReportProjectMissing[] = "quorvane_en.rav Destroied";
constexpr char kExitQuestion[] = "Are You Sure to Exit This Program?";
constexpr char kExitCaption[] = "System Exit Query";
constexpr char kConnected[] = "Connect OK!";
constexpr char kDisconnected[] = "Disconnect!";

// A run without file dialogs (some tests): every dialog is cancelled.
class NoFileDialogs : public FileDialogService {
public:
    QString getSaveFileName(QWidget*, const QString&, const QString&) override { return QString(); }
    QString getOpenFileName(QWidget*, const QString&) override { return QString(); }
};

FileDialogService& dialogsOrNone(FileDialogService* dialogs)
{
    static NoFileDialogs none;
    return dialogs ? *dialogs : none;
}

QString connectionText(bool connected)
{
    return QString::fromLatin1(connected ? kConnected : kDisconnected);
}

}  // namespace

MainWindow::MainWindow(const AppEnvironment& env, QWidget* parent)
    : QMainWindow(parent), env_(env), database_(std::make_unique<MeasurementDatabase>()),
      printer_(std::make_unique<QPrinter>(QPrinter::HighResolution)),
      context_{*env.messages, dialogsOrNone(env.dialogs), printer_.get(), env.programFolder, env.workingDir()}
{
    Q_ASSERT(env_.messages);
    // Its control name, as every window carries its own (tests find it by it).
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Sonavistor"));
    // The installed icon theme's picture, else the built-in one.
    setWindowIcon(QIcon::fromTheme(QStringLiteral("sonavistor"), programIcon()));
    env_.messages->setApplicationTitle(env_.applicationTitle);

    // A new run: the shared records start empty.
    ShellState = {};
    MeterSettings = {};
    MeasureState = {};

    mdi_ = new QMdiArea(this);
    mdi_->setObjectName(QStringLiteral("ClientArea"));
    mdi_->setBackground(QColor(128, 128, 128));
    setCentralWidget(mdi_);
    // The commands that depend on the active window follow it, its own
    // changes, and the rows of the table it shows.
    connect(mdi_, &QMdiArea::subWindowActivated, this, &MainWindow::childActivated);
    connect(database_.get(), &MeasurementDatabase::rowAppended, this, &MainWindow::activeTableChanged);
    connect(database_.get(), &MeasurementDatabase::tableReset, this, &MainWindow::activeTableChanged);
    buildMenus();
    buildToolBar();
    buildStatusBar();

    secondTimer_ = new QTimer(this);
    secondTimer_->setObjectName(QStringLiteral("Timer1"));
    secondTimer_->setInterval(1000);
    connect(secondTimer_, &QTimer::timeout, this, &MainWindow::everySecond);

    startUp();
}

MainWindow::~MainWindow()
{
    // The children going with the frame change the active window: the menus
    // they would update go first.
    disconnect(mdi_, nullptr, this, nullptr);
    disconnect(database_.get(), nullptr, this, nullptr);
    // Reading threads end before the windows they report to.
    meter_.reset();
}

// ---------------------------------------------------------------- start-up

void MainWindow::startUp()
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

    prepareUserFiles();
    openWorkingDatabase();

    ShellState.AboutEnabled = true;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        setGeometry(0, 0, area.width(), area.height() - 20);
    }

    createWindowEntries();
    createStatusProgress();

    loadReportAndSettings();
    createMeterLink();

    startedUp_ = true;
    secondTimer_->start();
    refreshCommands();
}

void MainWindow::prepareUserFiles()
{
    if (!env_.userFolders)
        return;
    const ProgramFiles files{programFolder(), env_.settingsDir(), env_.workingDir(), true};
    if (const auto problem = prepareUserFolders(files)) {
        messages().show({*problem + QStringLiteral("\nThe program goes on measuring, but what it cannot write "
                                                   "there is not kept."),
                         env_.applicationTitle, MessageIcon::Warning, Ok, Ok});
        return;
    }
    userFoldersReady_ = true;
}

QString MainWindow::settingsFilePath() const
{
    return QDir(env_.settingsDir()).filePath(QString::fromLatin1(kSettingsFileName));
}

void MainWindow::loadReportAndSettings()
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

    QString settings = settingsFilePath();
    // A user whose own copy could not be made gets the installed defaults.
    if (env_.userFolders && !QFileInfo::exists(settings))
        settings = sideFilePath(programFolder(), QString::fromLatin1(kSettingsFileName));
    MeterSettings = readMeterSettings(settings);

    ShellState.MeasureEnabled = true;
    ShellState.SetupEnabled = true;
    ShellState.ImportEnabled = true;
    MeasureState.LiveDataSaved = true;
    ShellState.ChildReady = true;
    settingsLoaded_ = true;
}

// ---------------------------------------------------------------- refresh

bool MainWindow::event(QEvent* event)
{
    if (event->type() == QEvent::Paint && startedUp_)
        refreshCommands();
    return QMainWindow::event(event);
}

bool MainWindow::meterConnected() const
{
    return meter_ && meter_->connected();
}

void MainWindow::announceConnection()
{
    announcer_->say(connectionText(meterConnected()));
}

void MainWindow::refreshCommands()
{
    if (!startedUp_)
        return;
    statusBar_->setPanelText(1, connectionText(meterConnected()));
    rebuildWindowMenu();

    aboutAction_->setEnabled(ShellState.AboutEnabled);

    realTimeAction_->setEnabled(ShellState.MeasureEnabled);

    systemSetupAction_->setEnabled(ShellState.SetupEnabled);
    importAction_->setEnabled(ShellState.ImportEnabled);

    // A window being built answers for nothing; once it is ready the
    // commands follow it again.
    if (ShellState.ChildReady != childReadySeen_) {
        childReadySeen_ = ShellState.ChildReady;
        updateChildCommands();
    }
}

void MainWindow::childActivated(QMdiSubWindow* sub)
{
    rebuildWindowMenu();
    if (auto* child = sub ? qobject_cast<ChildWindow*>(sub->widget()) : nullptr)
        connect(&child->events(), &ChildWindowEvents::capabilitiesChanged, this, &MainWindow::updateChildCommands,
                Qt::UniqueConnection);
    updateChildCommands();
}

void MainWindow::activeTableChanged(TableId table)
{
    const ChildWindow* child = activeChildWindow();
    if (child && child->dataTable() == table)
        updateChildCommands();
}

void MainWindow::updateChildCommands()
{
    ChildWindow* child = ShellState.ChildReady ? activeChildWindow() : nullptr;
    saveAction_->setEnabled(child && child->canSave());
    exportAction_->setEnabled(child && child->canExport());
    printDataSheetAction_->setEnabled(child && child->canPrint());
    noiseReportAction_->setEnabled(child && child->canReportNoise());
}

void MainWindow::drawStatusPanel(QPainter& painter, const QRect& rect)
{
    painter.drawPixmap(rect.topLeft(), statusIcon(1));
    statusBar_->setPanelText(3, MeterSettings.CompanyName);
    if (meterConnected())
        painter.drawPixmap(QPoint(rect.right() - 20, rect.top()), statusIcon(0));
}

void MainWindow::everySecond()
{
    update();
    refreshCommands();
    statusProgress_->setValue(ShellState.ProgressPosition);
    if (statusBar_->panelText(3) != MeterSettings.CompanyName) {
        statusBar_->setPanelText(3, MeterSettings.CompanyName);
        statusBar_->update();
    }
    if (meterConnected() != lastPaintedConnected_) {
        statusBar_->update();
        lastPaintedConnected_ = meterConnected();
    }
}

// ---------------------------------------------------------------- closing

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!startedUp_ || closing_) {
        event->accept();
        return;
    }
    if (!mayClose()) {
        // The program may have been closed without asking meanwhile.
        if (closing_)
            event->accept();
        else
            event->ignore();
        return;
    }
    closing_ = true;
    finishClosing();
    event->accept();
}

bool MainWindow::mayClose()
{
    if (!askBeforeClosing_)
        return true;
    const MessageButton answer = messages().show({QString::fromLatin1(kExitQuestion),
                                                  QString::fromLatin1(kExitCaption),
                                                  MessageIcon::Question, Yes | No, Yes});
    return answer == Yes;
}

void MainWindow::setRecoveryFolder(const QString& folder)
{
    recoveryFolder_ = folder;
    // Readings kept when an earlier run was ended from outside.
    if (const QString notice = takeRecoveryNotice(folder); !notice.isEmpty())
        messages().inform(notice);
}

void MainWindow::endWithoutAsking()
{
    if (!startedUp_ || closing_)
        return;
    // Waits for the meter further up the stack end first; the window goes
    // only once none of them is left to return into it.
    meter_->stopWaiting();
    if (meter_->requestInProgress()) {
        QTimer::singleShot(20, this, &MainWindow::endWithoutAsking);
        return;
    }
    stopMeasuring();
    UnsavedRows unsaved;
    unsaved.live = !MeasureState.LiveDataSaved;
    if (auto* import = qobject_cast<ChildWindow*>(ShellState.ImportWindowHandle.data()))
        unsaved.imported = import->canSave();
    keepUnsavedRows(*database_, unsaved, recoveryFolder_);
    // Closes as Exit does after Yes.
    askBeforeClosing_ = false;
    close();
    QCoreApplication::quit();
}

void MainWindow::finishClosing()
{
    secondTimer_->stop();
    // Closing goes on even if the help viewer cannot close its windows.
    try {
        runCommand(QStringLiteral("HelpCloseAll"));
    } catch (const std::exception&) {
    }
    writeSettingsAtClose();
}

void MainWindow::writeSettingsAtClose()
{
    delete statusProgress_;
    statusProgress_ = nullptr;
    ShellState.SetupEnabled = true;
    if (!settingsLoaded_)
        return;
    const QString path = settingsFilePath();
    QString error;
    if (!writeMeterSettings(path, MeterSettings, &error))
        messages().showError(error);
}

}  // namespace sonavistor
