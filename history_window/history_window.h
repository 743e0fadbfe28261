#pragma once
// The noise history window: every saved file of a folder at a glance. A
// calendar of hourly levels (a row per date, 24 coloured hour cells), the day
// table, the files that could not be read, and the chosen day's 24-hour
// level line. The index behind it makes a folder opened again appear at
// once; changed files (the logger's day) are read again as they change.

#include "history/history_overview.h"

#include <QWidget>

#include <functional>
#include <memory>

class QChartView;
class QFileSystemWatcher;
class QLabel;
class QModelIndex;
class QProgressBar;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class QTableWidget;
class QTimer;

namespace sonavistor {

class CalendarModel;
class DayTableModel;
class FileDialogService;
class HistoryScanJob;
class MessageService;
struct ScanResult;

class NoiseHistoryWindow : public QWidget {
    Q_OBJECT
public:
    // Asks for a folder, starting at the given one; empty when cancelled.
    using FolderQuestion = std::function<QString(QWidget* parent, const QString& start)>;

    // settingsPath: the settings file the chosen folder is kept in (empty: not kept).
    NoiseHistoryWindow(MessageService& messages, FileDialogService& dialogs, FolderQuestion askFolder,
                       QString indexPath, QString settingsPath, QWidget* parent = nullptr);
    ~NoiseHistoryWindow() override;

    // The folder the window starts with: the last one shown, else the logger's.
    QString rememberedFolder() const;
    // Asks for a folder and opens it; false when the question was cancelled.
    bool chooseFolder();
    // Shows the folder at once from the index, then brings the index up to date.
    void openFolder(const QString& folder);
    const QString& folder() const { return folder_; }
    bool scanning() const;
    void cancelScan();
    // The last scan's counts (tests and the status line use them).
    int lastRead() const { return lastRead_; }

signals:
    // Double-click or Enter on a day: its file should open in the data view.
    void openFileRequested(const QString& path);
    // A scan has ended and the tables show its result.
    void refreshed();

private:
    void buildLayout();
    void showResult(const std::shared_ptr<const ScanResult>& result);
    void showOverview(const std::vector<IndexedFile>& files);
    void showDayLine(const QDate& date, const std::array<HourFigures, 24>& hours);
    void watch(const std::vector<IndexedFile>& files);
    void exportCsv();
    void openDayOfCalendar(const QModelIndex& index);
    void openDayOfTable(const QModelIndex& index);

    MessageService& messages_;
    FileDialogService& dialogs_;
    FolderQuestion askFolder_;
    QString indexPath_;
    QString settingsPath_;
    QString folder_;
    int lastRead_ = 0;

    HistoryScanJob* job_ = nullptr;
    CalendarModel* calendarModel_ = nullptr;
    DayTableModel* dayModel_ = nullptr;
    QSortFilterProxyModel* daySort_ = nullptr;
    QFileSystemWatcher* watcher_ = nullptr;
    QTimer* changeDelay_ = nullptr;

    QLabel* FolderLabel = nullptr;
    QPushButton* ChooseButton = nullptr;
    QProgressBar* ScanProgress = nullptr;
    QPushButton* CancelButton = nullptr;
    QLabel* StatusLabel = nullptr;
    QTableView* Calendar = nullptr;
    QTableView* DayTable = nullptr;
    QTableWidget* Problems = nullptr;
    QChartView* DayLine = nullptr;
    QPushButton* ExportButton = nullptr;
};

}  // namespace sonavistor
