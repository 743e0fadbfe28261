#include "setup_window/setup_window.h"

#include "common/message_service.h"
#include "common/meter_settings.h"
#include "common/shell_state.h"
#include "meter/meter_connection.h"
#include "setup/alarm_level.h"
#include "setup/apply_settings.h"
#include "setup/clock_setting.h"
#include "setup_window/up_down.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace sonavistor {

namespace {

constexpr char kSetupCaption[] = "Software System Setup";
constexpr char kInfoCaption[] = "Error Infromation";
// The pause at creation, while events go on being handled.
constexpr int kCreationPauseMs = 260;
constexpr int kLevelMin = 30;
constexpr int kLevelMax = 135;

QLabel* buddyLabel(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

QLineEdit* edit(const char* name, const QString& accessibleName, QWidget* parent)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setAccessibleName(accessibleName);
    return e;
}

}  // namespace

SetupWindow::SetupWindow(MeterConnection& meter, const WindowContext& context, Clock clock)
    : meter_(meter), context_(context), clock_(std::move(clock))
{
    if (!clock_)
        clock_ = [] { return QDateTime::currentDateTimeUtc(); };
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QString::fromLatin1(kSetupCaption));
    buildLayout();
    showSettings();
}

SetupWindow::~SetupWindow() = default;

void SetupWindow::buildLayout()
{
    auto* outer = new QVBoxLayout(this);
    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl1"));
    outer->addWidget(pages_, 1);

    // "SPL Unit Setting": the meter's clock.
    auto* clockPage = new QWidget;
    clockPage->setObjectName(QStringLiteral("TabSheet1"));
    auto* spl = new QVBoxLayout(clockPage);
    setClockBox_ = new QCheckBox(QStringLiteral("Setup System Time With PC Current Time"), clockPage);
    setClockBox_->setObjectName(QStringLiteral("CheckBox2"));
    spl->addWidget(setClockBox_);
    spl->addStretch(1);
    pages_->addTab(clockPage, QStringLiteral("SPL Unit Setting"));

    // "PC Software Setting": the alarm levels and the alarm sound.
    levelsPage_ = new QWidget;
    levelsPage_->setObjectName(QStringLiteral("TabSheet3"));
    auto* levels = new QGridLayout(levelsPage_);
    const auto levelRow = [this, levels](int row, const char* name, const QString& caption,
                                         const char* spinner, int position, QLineEdit*& field,
                                         UpDown*& upDown) {
        field = edit(name, caption.simplified(), levelsPage_);
        field->setText(QString::number(position));
        field->setFixedWidth(80);
        upDown = new UpDown(field, kLevelMin, kLevelMax, position, levelsPage_);
        upDown->setObjectName(QString::fromLatin1(spinner));
        auto* box = new QHBoxLayout;
        box->setSpacing(0);
        box->addWidget(field);
        box->addWidget(upDown);
        levels->addWidget(buddyLabel(caption, field, levelsPage_), row, 0);
        levels->addLayout(box, row, 1);
        levels->addWidget(new QLabel(QStringLiteral("db"), levelsPage_), row, 2);
    };
    levelRow(0, "Edit13", QStringLiteral("Low db  Alarm"), "UpDown4", kLevelMin, lowAlarmEdit_, lowAlarmUpDown_);
    levelRow(1, "Edit15", QStringLiteral("High db Alarm"), "UpDown5", 130, highAlarmEdit_, highAlarmUpDown_);
    auto* soundPanel = new QFrame(levelsPage_);
    soundPanel->setObjectName(QStringLiteral("Panel1"));
    soundPanel->setFrameShape(QFrame::StyledPanel);
    soundPanel->setAccessibleName(QStringLiteral("Alarm Sound"));
    auto* onOff = new QHBoxLayout(soundPanel);
    alarmOnButton_ = new QRadioButton(QStringLiteral("On"), soundPanel);
    alarmOnButton_->setObjectName(QStringLiteral("RadioButton3"));
    alarmOffButton_ = new QRadioButton(QStringLiteral("Off"), soundPanel);
    alarmOffButton_->setObjectName(QStringLiteral("RadioButton4"));
    onOff->addWidget(alarmOnButton_);
    onOff->addWidget(alarmOffButton_);
    levels->addWidget(buddyLabel(QStringLiteral("Alarm Sound"), alarmOnButton_, levelsPage_), 2, 0);
    levels->addWidget(soundPanel, 2, 1, 1, 2);
    levels->setColumnStretch(3, 1);
    levels->setRowStretch(3, 1);
    pages_->addTab(levelsPage_, QStringLiteral("PC Software Setting"));

    // "Miscellaneous Option": the company name on the status bar.
    auto* miscPage = new QWidget;
    miscPage->setObjectName(QStringLiteral("TabSheet4"));
    auto* misc = new QGridLayout(miscPage);
    companyEdit_ = edit("Edit8", QStringLiteral("Company's Name"), miscPage);
    // Typed as it is, without an input method composing it.
    companyEdit_->setAttribute(Qt::WA_InputMethodEnabled, false);
    companyEdit_->setMaxLength(1 << 24);  // a name is never cut
    misc->addWidget(buddyLabel(QStringLiteral("Company's Name"), companyEdit_, miscPage), 0, 0);
    misc->addWidget(companyEdit_, 0, 1);
    misc->setRowStretch(1, 1);
    pages_->addTab(miscPage, QStringLiteral("Miscellaneous Option"));

    // Below the pages: a progress bar that never moves, and the buttons.
    auto* bottom = new QHBoxLayout;
    progressBar_ = new QProgressBar(this);
    progressBar_->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar_->setValue(0);
    progressBar_->setTextVisible(false);
    bottom->addWidget(progressBar_, 1);
    const auto button = [this, bottom](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        bottom->addWidget(b);
        return b;
    };
    okButton_ = button("BitBtn1", QStringLiteral("Ok"));
    cancelButton_ = button("BitBtn2", QStringLiteral("Cancel"));
    applyButton_ = button("BitBtn3", QStringLiteral("&Apply"));
    outer->addLayout(bottom);

    connect(pages_, &QTabWidget::currentChanged, this, [this](int index) {
        if (pages_->widget(index) == levelsPage_)
            showLevelsPage();
    });
    connect(okButton_, &QPushButton::clicked, this, [this] { showingErrors(context_.messages, [this] { applyAndClose(); }); });
    connect(cancelButton_, &QPushButton::clicked, this, [this] { showingErrors(context_.messages, [this] { cancel(); }); });
    connect(applyButton_, &QPushButton::clicked, this, [this] { showingErrors(context_.messages, [this] { apply(); }); });
    // Enter and Escape as in a dialog: Ok and Cancel (the keypad's Enter too).
    okButton_->setShortcut(QKeySequence(Qt::Key_Return));
    cancelButton_->setShortcut(QKeySequence(Qt::Key_Escape));
    auto* keypadEnter = new QShortcut(QKeySequence(Qt::Key_Enter), this, [this] { okButton_->click(); });
    keypadEnter->setContext(Qt::WidgetWithChildrenShortcut);
}

void SetupWindow::showSettings()
{
    ShellState.ChildReady = false;
    pageShown_ = false;
    (MeterSettings.AlarmOn ? alarmOnButton_ : alarmOffButton_)->setChecked(true);
    companyEdit_->setText(MeterSettings.CompanyName);
    meter_.delay(kCreationPauseMs);
    // A live answer still on its way only ends its wait from now on.
    meter_.endLiveReadings();
    ShellState.ChildReady = true;
}

void SetupWindow::showLevelsPage()
{
    // The edits take the stored levels at every showing of the page.
    pageShown_ = true;
    lowAlarmEdit_->setText(alarmLevelText(MeterSettings.SystemLal));
    highAlarmEdit_->setText(alarmLevelText(MeterSettings.SystemHal));
}

void SetupWindow::applySettings()
{
    const SetupChoices choices{companyEdit_->text(), setClockBox_->isChecked(), alarmOnButton_->isChecked(),
                               pageShown_, lowAlarmEdit_->text(), highAlarmEdit_->text()};
    applySetupChoices(choices, MeterSettings, [this] { setMeterClock(); });
}

void SetupWindow::setMeterClock()
{
    const QString problem = setMeterClockFromPc(meter_, clock_());
    if (!problem.isEmpty())
        context_.messages.show({problem, QString::fromLatin1(kInfoCaption), MessageIcon::Information, Ok, Ok});
}

bool SetupWindow::applyWhileButtonsRest()
{
    // Ok or Apply may wait for the meter: meanwhile the buttons rest, and a
    // close asked for waits until it is over, since the window must outlive
    // the wait. Failing ends the same way.
    struct Rest {
        SetupWindow& window;
        explicit Rest(SetupWindow& w) : window(w) { window.setApplying(true); }
        ~Rest()
        {
            window.setApplying(false);
            window.closeIfAsked();
        }
    } rest(*this);
    // A level that is not a number is said while the buttons still rest.
    try {
        applySettings();
        return true;
    } catch (const std::exception& error) {
        context_.messages.showException(error);
        return false;
    }
}

void SetupWindow::setApplying(bool applying)
{
    applying_ = applying;
    for (QPushButton* b : {okButton_, cancelButton_, applyButton_})
        b->setEnabled(!applying);
}

void SetupWindow::applyAndClose()
{
    if (applying_)
        return;
    if (applyWhileButtonsRest())  // a level that is not a number: the window stays
        closeWindow();
}

void SetupWindow::apply()
{
    if (applying_)
        return;
    // The clock's reservation of the meter has been given back on every path.
    applyWhileButtonsRest();
}

void SetupWindow::closeIfAsked()
{
    // After the handler has returned, never under it.
    closer_.complete();
}

void SetupWindow::cancel()
{
    closeWindow();
}

void SetupWindow::closeWindow()
{
    closer_.cancel();
    if (closed_)
        return;
    DeferredClose::closeNow(*this);
}

void SetupWindow::closeEvent(QCloseEvent* event)
{
    if (applying_) {
        // Closed once Ok or Apply has come back from the meter.
        closer_.request();
        event->ignore();
        return;
    }
    ShellState.SetupEnabled = true;
    closed_ = true;
    event->accept();
}

}  // namespace sonavistor
