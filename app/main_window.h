#pragma once
// The main window (old form name TForm1): the program's frame. Menus, tool
// bar, status bar, the bookkeeping of the child windows, start-up and closing.

#include "app/app_environment.h"
#include "app/child_tiling.h"
#include "app/child_windows.h"
#include "common/single_instance.h"
#include "common/table_id.h"
#include "common/window_context.h"

#include <QMainWindow>

#include <QPointer>

#include <functional>
#include <map>
#include <memory>

class QAction;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QPrinter;
class QProgressBar;
class QTimer;
class QToolBar;

namespace sonavistor {

class ChildWindow;
class MeasurementDatabase;
class MeterConnection;
class Announcer;
class PanelStatusBar;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    using ChildFactory = WindowRegistration::Factory;
    using Command = std::function<void(MainWindow&)>;

    explicit MainWindow(const AppEnvironment& env, QWidget* parent = nullptr);
    ~MainWindow() override;

    // False for a second instance, which must end without showing anything.
    bool startedUp() const { return startedUp_; }
    bool settingsLoaded() const { return settingsLoaded_; }

    const AppEnvironment& environment() const { return env_; }
    MessageService& messages() const { return *env_.messages; }
    FileDialogService& dialogs() const { return context_.dialogs; }
    QString programFolder() const { return env_.programFolder; }
    // What every child window is given: message boxes, dialogs, printer, folder.
    const WindowContext& windowContext() const { return context_; }

    // Hooks the child windows and later commands plug into.
    // key: a registered window's (child_windows.h).
    void setChildFactory(const QString& key, ChildFactory factory);
    void setCommand(const QString& menuItem, Command command);  // "N7", "N8", "N13", "Help", ...

    QMdiArea* mdiArea() const { return mdi_; }
    QProgressBar* statusProgress() const { return statusProgress_; }
    QToolBar* toolBar() const { return toolBar_; }
    // Adds a widget as a child window and shows it.
    QMdiSubWindow* addChildWindow(QWidget* form);
    // Object name of the active child window, empty if none.
    QString activeChildName() const;
    QWidget* activeChild() const;
    ChildWindow* activeChildWindow() const;

    // Open for a file chosen elsewhere (the noise history): the data view's
    // rules apply, its ten-file limit included. Errors go to the error box.
    void openSavedFile(const QString& path);

    // The real-time window's "Stop Measure", performed while it exists.
    void stopMeasuring();
    // The working database with its three tables (open or not).
    MeasurementDatabase& database() const { return *database_; }
    // The program's current printer (Printer Setup changes it for the run).
    QPrinter* printer() const { return printer_.get(); }
    // The meter link (HID controller, meter discovery, requests).
    MeterConnection& meter() const { return *meter_; }
    bool meterConnected() const;
    // Whether a table of the working database holds rows.
    bool tableHasRows(TableId table) const;
    // Where endWithoutAsking keeps unsaved rows (empty: nowhere); tells, once,
    // of rows kept there at an earlier ending.
    void setRecoveryFolder(const QString& folder);
    // The report project file found at start-up (empty when it was missing).
    const QString& reportProjectPath() const { return reportProjectPath_; }

public slots:
    // Commands (menu items and the tool buttons bound to them).
    void measureInRealTime();   // Real Time Measure
    void openDataView();   // Open
    ChildWindow* dataViewInFront();
    void saveActiveWindow();  // Save
    void importData();  // Import Data
    void exportToExcel();   // Export to Excel
    void setUpPrinter();  // Printer Setup
    void printDataSheet();   // Print Data Sheet
    void reportNoise();  // the data view's noise report
    void exitProgram();   // Exit
    void openSystemSetup();   // System Setup
    void openHelp(); // Quorvane Help
    void openAbout();   // About
    void cascadeWindows();   // Cascade
    void tileHorizontally();   // Horizontally
    void tileVertically();   // Vertically
    // A registered window's command: shows it, made first when none is open.
    void runWindowCommand(const QString& key);

    // Menu refresh (runs when the window paints and once a second): the
    // commands that follow the program's flags and the connection.
    void refreshCommands();
    // One-second refresh.
    void everySecond();
    // Ends the program as Exit does after Yes, without asking (SIGTERM and
    // the like): the measurement stops, unsaved rows are kept in the
    // recovery folder, the settings are written.
    void endWithoutAsking();
    // The settings file: the meter's options, and what windows keep between runs.
    QString settingsFilePath() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private:
    void startUp();
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();
    void createWindowEntries();
    // The Window menu's entries: one per registered window open now, the
    // active one checked. Built from the MDI area's list whenever it may
    // have changed and before the menu shows.
    void rebuildWindowMenu();
    void createStatusProgress();
    void loadReportAndSettings();
    bool mayClose();
    void finishClosing();
    void writeSettingsAtClose();
    // An installed program's first start: the user's folders and settings.
    void prepareUserFiles();
    void drawStatusPanel(class QPainter& painter, const QRect& rect);

    // seam: working database. Opens it and empties the three tables.
    void openWorkingDatabase();
    // seam: meter link. Creates the HID controller; its first scan runs as
    // soon as the event loop runs.
    void createMeterLink();
    // Tells a screen reader the meter came or went, as the status bar shows it.
    void announceConnection();
    // Save, Export, Print Data Sheet and Noise Report as the active window
    // allows them now.
    void updateChildCommands();
    void childActivated(QMdiSubWindow* sub);
    void activeTableChanged(TableId table);

    const WindowRegistration* registration(const QString& key) const;
    QPointer<QObject>& handleOf(const WindowRegistration& window);
    QWidget* showWindow(const QString& key);
    void bringToFront(QObject* handle);
    void tile(TileMode mode);
    void runCommand(const QString& name);

    AppEnvironment env_;
    bool startedUp_ = false;
    bool settingsLoaded_ = false;
    bool closing_ = false;
    bool askBeforeClosing_ = true;
    bool userFoldersReady_ = false;
    bool lastPaintedConnected_ = false;
    bool childReadySeen_ = false;
    QString reportProjectPath_;
    QString recoveryFolder_;
    std::unique_ptr<SingleInstance> instance_;
    std::unique_ptr<MeasurementDatabase> database_;
    std::unique_ptr<MeterConnection> meter_;
    std::unique_ptr<QPrinter> printer_;
    WindowContext context_;
    std::vector<WindowRegistration> windows_;  // factories as installed
    std::map<QString, QPointer<QObject>> otherHandles_;  // windows without a shared handle
    std::map<QString, QAction*> entries_;
    std::map<QString, Command> commands_;

    QMdiArea* mdi_ = nullptr;
    QTimer* secondTimer_ = nullptr;
    QToolBar* coolBar_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    PanelStatusBar* statusBar_ = nullptr;
    QProgressBar* statusProgress_ = nullptr;
    Announcer* announcer_ = nullptr;

    QMenu* fileMenu_ = nullptr;   // &File
    QMenu* optionMenu_ = nullptr;   // &Option
    QMenu* languageMenu_ = nullptr;  // &Language
    QMenu* windowMenu_ = nullptr;  // &Window
    QMenu* helpMenu_ = nullptr;  // &Help
    QAction* realTimeAction_ = nullptr;
    QAction* openAction_ = nullptr;
    QAction* saveAction_ = nullptr;
    QAction* importAction_ = nullptr;
    QAction* exportAction_ = nullptr;
    QAction* printerSetupAction_ = nullptr;
    QAction* printDataSheetAction_ = nullptr;
    QAction* noiseReportAction_ = nullptr;
    QAction* exitAction_ = nullptr;
    QAction* systemSetupAction_ = nullptr;
    QAction* chineseAction_ = nullptr;
    QAction* englishAction_ = nullptr;
    QAction* cascadeAction_ = nullptr;
    QAction* horizontalAction_ = nullptr;
    QAction* verticalAction_ = nullptr;
    QAction* helpAction_ = nullptr;
    QAction* webSiteAction_ = nullptr;
    QAction* aboutAction_ = nullptr;
    QAction* noiseHistoryAction_ = nullptr;
};

}  // namespace sonavistor
