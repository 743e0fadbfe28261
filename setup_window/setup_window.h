#pragma once
// The setup window, "Software System Setup" (old form name TForm8): the
// company name, the alarm levels and sound, and the meter's clock. Ok and
// Apply change the settings in memory; the main window writes them to the
// settings file when the program closes.

#include "widgets/deferred_close.h"
#include "common/child_window.h"
#include "common/window_context.h"

#include <QDateTime>
#include <QWidget>

#include <functional>

class QCheckBox;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace sonavistor {

class MeterConnection;
class UpDown;

class SetupWindow : public QWidget, public ChildWindow {
    Q_OBJECT
    Q_INTERFACES(sonavistor::ChildWindow)
public:
    // The PC clock; the system's UTC clock unless a test gives another.
    using Clock = std::function<QDateTime()>;

    SetupWindow(MeterConnection& meter, const WindowContext& context, Clock clock = {});
    ~SetupWindow() override;


    // The "PC Software Setting" page has been shown.
    bool levelsPageShown() const { return pageShown_; }

public slots:
    void showLevelsPage();
    void applyAndClose();  // Ok
    void cancel();  // Cancel
    void apply();  // Apply

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void showSettings();
    void applySettings();
    void setMeterClock();
    // False when the choices could not be applied (the error has been shown).
    bool applyWhileButtonsRest();
    void setApplying(bool applying);
    void closeWindow();
    void closeIfAsked();

    MeterConnection& meter_;
    WindowContext context_;
    Clock clock_;
    bool pageShown_ = false;
    bool applying_ = false;
    DeferredClose closer_{*this, [this] { closeWindow(); }};
    bool closed_ = false;

    QTabWidget* pages_ = nullptr;
    QWidget* levelsPage_ = nullptr;
    QCheckBox* setClockBox_ = nullptr;
    QLineEdit* lowAlarmEdit_ = nullptr;
    QLineEdit* highAlarmEdit_ = nullptr;
    UpDown* lowAlarmUpDown_ = nullptr;
    UpDown* highAlarmUpDown_ = nullptr;
    QRadioButton* alarmOnButton_ = nullptr;
    QRadioButton* alarmOffButton_ = nullptr;
    QLineEdit* companyEdit_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
    QPushButton* applyButton_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
};

}  // namespace sonavistor
