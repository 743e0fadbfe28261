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

TForm8::TForm8(MeterConnection& meter, const WindowContext& context, Clock clock)
    : meter_(meter), context_(context), clock_(std::move(clock))
{
    if (!clock_)
        clock_ = [] { return QDateTime::currentDateTimeUtc(); };
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QString::fromLatin1(kSetupCaption));
    buildLayout();
    FormCreate();
}

TForm8::~TForm8() = default;

void TForm8::buildLayout()
{
    auto* outer = new QVBoxLayout(this);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    outer->addWidget(PageControl1, 1);

    // "SPL Unit Setting": the meter's clock.
    auto* TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    auto* spl = new QVBoxLayout(TabSheet1);
    CheckBox2 = new QCheckBox(QStringLiteral("Setup System Time With PC Current Time"), TabSheet1);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    spl->addWidget(CheckBox2);
    spl->addStretch(1);
    PageControl1->addTab(TabSheet1, QStringLiteral("SPL Unit Setting"));

    // "PC Software Setting": the alarm levels and the alarm sound.
    TabSheet3 = new QWidget;
    TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
    auto* levels = new QGridLayout(TabSheet3);
    const auto levelRow = [this, levels](int row, const char* name, const QString& caption,
                                         const char* spinner, int position, QLineEdit*& field,
                                         UpDown*& upDown) {
        field = edit(name, caption.simplified(), TabSheet3);
        field->setText(QString::number(position));
        field->setFixedWidth(80);
        upDown = new UpDown(field, kLevelMin, kLevelMax, position, TabSheet3);
        upDown->setObjectName(QString::fromLatin1(spinner));
        auto* box = new QHBoxLayout;
        box->setSpacing(0);
        box->addWidget(field);
        box->addWidget(upDown);
        levels->addWidget(buddyLabel(caption, field, TabSheet3), row, 0);
        levels->addLayout(box, row, 1);
        levels->addWidget(new QLabel(QStringLiteral("db"), TabSheet3), row, 2);
    };
    levelRow(0, "Edit13", QStringLiteral("Low db  Alarm"), "UpDown4", kLevelMin, Edit13, UpDown4);
    levelRow(1, "Edit15", QStringLiteral("High db Alarm"), "UpDown5", 130, Edit15, UpDown5);
    auto* Panel1 = new QFrame(TabSheet3);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameShape(QFrame::StyledPanel);
    Panel1->setAccessibleName(QStringLiteral("Alarm Sound"));
    auto* onOff = new QHBoxLayout(Panel1);
    RadioButton3 = new QRadioButton(QStringLiteral("On"), Panel1);
    RadioButton3->setObjectName(QStringLiteral("RadioButton3"));
    RadioButton4 = new QRadioButton(QStringLiteral("Off"), Panel1);
    RadioButton4->setObjectName(QStringLiteral("RadioButton4"));
    onOff->addWidget(RadioButton3);
    onOff->addWidget(RadioButton4);
    levels->addWidget(buddyLabel(QStringLiteral("Alarm Sound"), RadioButton3, TabSheet3), 2, 0);
    levels->addWidget(Panel1, 2, 1, 1, 2);
    levels->setColumnStretch(3, 1);
    levels->setRowStretch(3, 1);
    PageControl1->addTab(TabSheet3, QStringLiteral("PC Software Setting"));

    // "Miscellaneous Option": the company name on the status bar.
    auto* TabSheet4 = new QWidget;
    TabSheet4->setObjectName(QStringLiteral("TabSheet4"));
    auto* misc = new QGridLayout(TabSheet4);
    Edit8 = edit("Edit8", QStringLiteral("Company's Name"), TabSheet4);
    // Typed as it is, without an input method composing it.
    Edit8->setAttribute(Qt::WA_InputMethodEnabled, false);
    Edit8->setMaxLength(1 << 24);  // a name is never cut
    misc->addWidget(buddyLabel(QStringLiteral("Company's Name"), Edit8, TabSheet4), 0, 0);
    misc->addWidget(Edit8, 0, 1);
    misc->setRowStretch(1, 1);
    PageControl1->addTab(TabSheet4, QStringLiteral("Miscellaneous Option"));

    // Below the pages: a progress bar that never moves, and the buttons.
    auto* bottom = new QHBoxLayout;
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    bottom->addWidget(ProgressBar1, 1);
    const auto button = [this, bottom](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        bottom->addWidget(b);
        return b;
    };
    BitBtn1 = button("BitBtn1", QStringLiteral("Ok"));
    BitBtn2 = button("BitBtn2", QStringLiteral("Cancel"));
    BitBtn3 = button("BitBtn3", QStringLiteral("&Apply"));
    outer->addLayout(bottom);

    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        if (PageControl1->widget(index) == TabSheet3)
            TabSheet3Show();
    });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { showingErrors(context_.messages, [this] { BitBtn1Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { showingErrors(context_.messages, [this] { BitBtn2Click(); }); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { showingErrors(context_.messages, [this] { BitBtn3Click(); }); });
    // Enter and Escape as in a dialog: Ok and Cancel (the keypad's Enter too).
    BitBtn1->setShortcut(QKeySequence(Qt::Key_Return));
    BitBtn2->setShortcut(QKeySequence(Qt::Key_Escape));
    auto* keypadEnter = new QShortcut(QKeySequence(Qt::Key_Enter), this, [this] { BitBtn1->click(); });
    keypadEnter->setContext(Qt::WidgetWithChildrenShortcut);
}

void TForm8::FormCreate()
{
    ShellState.ChildReady = false;
    pageShown_ = false;
    (MeterSettings.AlarmOn ? RadioButton3 : RadioButton4)->setChecked(true);
    Edit8->setText(MeterSettings.CompanyName);
    meter_.delay(kCreationPauseMs);
    // A live answer still on its way only ends its wait from now on.
    meter_.endLiveReadings();
    ShellState.ChildReady = true;
}

void TForm8::TabSheet3Show()
{
    // The edits take the stored levels at every showing of the page.
    pageShown_ = true;
    Edit13->setText(alarmLevelText(MeterSettings.SystemLal));
    Edit15->setText(alarmLevelText(MeterSettings.SystemHal));
}

void TForm8::ApplySettings()
{
    const SetupChoices choices{Edit8->text(), CheckBox2->isChecked(), RadioButton3->isChecked(),
                               pageShown_, Edit13->text(), Edit15->text()};
    applySetupChoices(choices, MeterSettings, [this] { SetupClock(); });
}

void TForm8::SetupClock()
{
    const QString problem = setMeterClockFromPc(meter_, clock_());
    if (!problem.isEmpty())
        context_.messages.show({problem, QString::fromLatin1(kInfoCaption), MessageIcon::Information, Ok, Ok});
}

bool TForm8::applyWhileButtonsRest()
{
    // Ok or Apply may wait for the meter: meanwhile the buttons rest, and a
    // close asked for waits until it is over, since the window must outlive
    // the wait. Failing ends the same way.
    struct Rest {
        TForm8& window;
        explicit Rest(TForm8& w) : window(w) { window.setApplying(true); }
        ~Rest()
        {
            window.setApplying(false);
            window.closeIfAsked();
        }
    } rest(*this);
    // A level that is not a number is said while the buttons still rest.
    try {
        ApplySettings();
        return true;
    } catch (const std::exception& error) {
        context_.messages.showException(error);
        return false;
    }
}

void TForm8::setApplying(bool applying)
{
    applying_ = applying;
    for (QPushButton* b : {BitBtn1, BitBtn2, BitBtn3})
        b->setEnabled(!applying);
}

void TForm8::BitBtn1Click()
{
    if (applying_)
        return;
    if (applyWhileButtonsRest())  // a level that is not a number: the window stays
        closeWindow();
}

void TForm8::BitBtn3Click()
{
    if (applying_)
        return;
    // The clock's reservation of the meter has been given back on every path.
    applyWhileButtonsRest();
}

void TForm8::closeIfAsked()
{
    // After the handler has returned, never under it.
    closer_.complete();
}

void TForm8::BitBtn2Click()
{
    closeWindow();
}

void TForm8::closeWindow()
{
    closer_.cancel();
    if (closed_)
        return;
    DeferredClose::closeNow(*this);
}

void TForm8::closeEvent(QCloseEvent* event)
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
