#include "setup_window/about_window.h"

#include "common/shell_state.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>

namespace sonavistor {

namespace {

constexpr char kAboutCaption[] = "About Sonavistor";
constexpr char kProgramName[] = "Sonavistor";
constexpr char kVersion[] = "Version: 1.3 (Build 09.0105)";
// systemLabel_'s text until the platform says what it is.
constexpr char kDesignText[] = "Linux";

// The named faces first, then free faces of the same metrics where they are missing.
QFont faceOf(const QStringList& families, int pixels, bool bold = false)
{
    QFont f;
    f.setFamilies(families);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QFont timesNewRoman()
{
    return faceOf({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                 QStringLiteral("Tinos")},
                12);
}

QLabel* label(QWidget* parent, const char* name, const QString& text, const QRect& geometry,
              const QFont& face)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setFont(face);
    l->setGeometry(geometry);
    l->resize(l->size().expandedTo(l->sizeHint()));  // never cut a text off
    return l;
}

}  // namespace

AboutWindow::AboutWindow(std::optional<OsVersion> version)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QString::fromLatin1(kAboutCaption));
    nameLabel_ = label(this, "Label5", QString::fromLatin1(kProgramName), QRect(24, 16, 157, 33),
                   faceOf({QStringLiteral("Arial Black"), QStringLiteral("Liberation Sans"),
                         QStringLiteral("Arimo")},
                        21, true));
    versionLabel_ = label(this, "Label7", QString::fromLatin1(kVersion), QRect(24, 64, 145, 13), timesNewRoman());
    auto* divider = new QFrame(this);
    divider->setObjectName(QStringLiteral("Bevel1"));
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    divider->setGeometry(24, 129, 377, 2);
    systemLabel_ = label(this, "Label1", QString::fromLatin1(kDesignText), QRect(24, 152, 337, 15), timesNewRoman());
    // K, not O: Alt+O opens the Option menu of the main window around it.
    okButton_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("O&K"), this);
    okButton_->setObjectName(QStringLiteral("BitBtn1"));
    okButton_->setGeometry(228, 200, 73, 25);
    connect(okButton_, &QPushButton::clicked, this, &AboutWindow::closeAbout);
    // Enter and Escape close it, as they would a dialog.
    for (const QKeySequence& key :
         {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter), QKeySequence(Qt::Key_Escape)}) {
        auto* close = new QShortcut(key, this, [this] { okButton_->click(); });
        close->setContext(Qt::WidgetWithChildrenShortcut);
    }
    showOperatingSystem(version);
}

void AboutWindow::showOperatingSystem(const std::optional<OsVersion>& version)
{
    ShellState.ChildReady = false;
    if (version) {
        systemLabel_->setText(operatingSystemLine(*version));
        // A long distribution name widens the line rather than being cut.
        systemLabel_->resize(std::max(337, systemLabel_->sizeHint().width()), systemLabel_->height());
    }
    ShellState.ChildReady = true;
}

void AboutWindow::closeAbout()
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        sub->close();
    else
        close();
}

void AboutWindow::closeEvent(QCloseEvent* event)
{
    ShellState.AboutEnabled = true;
    event->accept();
}

}  // namespace sonavistor
