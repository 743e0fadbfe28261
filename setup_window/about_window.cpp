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
// Label1's text until the platform says what it is.
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

TForm3::TForm3(std::optional<OsVersion> version)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QString::fromLatin1(kAboutCaption));
    Label5 = label(this, "Label5", QString::fromLatin1(kProgramName), QRect(24, 16, 157, 33),
                   faceOf({QStringLiteral("Arial Black"), QStringLiteral("Liberation Sans"),
                         QStringLiteral("Arimo")},
                        21, true));
    Label7 = label(this, "Label7", QString::fromLatin1(kVersion), QRect(24, 64, 145, 13), timesNewRoman());
    auto* Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(24, 129, 377, 2);
    Label1 = label(this, "Label1", QString::fromLatin1(kDesignText), QRect(24, 152, 337, 15), timesNewRoman());
    // K, not O: Alt+O opens the Option menu of the main window around it.
    BitBtn1 = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("O&K"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(228, 200, 73, 25);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm3::BitBtn1Click);
    // Enter and Escape close it, as they would a dialog.
    for (const QKeySequence& key :
         {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter), QKeySequence(Qt::Key_Escape)}) {
        auto* close = new QShortcut(key, this, [this] { BitBtn1->click(); });
        close->setContext(Qt::WidgetWithChildrenShortcut);
    }
    FormCreate(version);
}

void TForm3::FormCreate(const std::optional<OsVersion>& version)
{
    ShellState.ChildReady = false;
    if (version) {
        Label1->setText(operatingSystemLine(*version));
        // A long distribution name widens the line rather than being cut.
        Label1->resize(std::max(337, Label1->sizeHint().width()), Label1->height());
    }
    ShellState.ChildReady = true;
}

void TForm3::BitBtn1Click()
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
        sub->close();
    else
        close();
}

void TForm3::closeEvent(QCloseEvent* event)
{
    ShellState.AboutEnabled = true;
    event->accept();
}

}  // namespace sonavistor
