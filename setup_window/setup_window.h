#pragma once
// TForm8, "Software System Setup": the company name, the alarm levels and
// sound, and the meter's clock. Ok and Apply change the settings in memory;
// the main window writes them to the settings file when the program closes.

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

class TForm8 : public QWidget, public ChildWindow {
    Q_OBJECT
    Q_INTERFACES(sonavistor::ChildWindow)
public:
    // The PC clock; the system's UTC clock unless a test gives another.
    using Clock = std::function<QDateTime()>;

    TForm8(MeterConnection& meter, const WindowContext& context, Clock clock = {});
    ~TForm8() override;


    // The "PC Software Setting" page has been shown.
    bool levelsPageShown() const { return pageShown_; }

public slots:
    void TabSheet3Show();
    void BitBtn1Click();  // Ok
    void BitBtn2Click();  // Cancel
    void BitBtn3Click();  // Apply

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void FormCreate();
    void ApplySettings();
    void SetupClock();
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

    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QLineEdit* Edit13 = nullptr;
    QLineEdit* Edit15 = nullptr;
    UpDown* UpDown4 = nullptr;
    UpDown* UpDown5 = nullptr;
    QRadioButton* RadioButton3 = nullptr;
    QRadioButton* RadioButton4 = nullptr;
    QLineEdit* Edit8 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* BitBtn3 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
};

}  // namespace sonavistor
