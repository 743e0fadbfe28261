#include "widgets/export_progress_window.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

namespace sonavistor {

namespace {

constexpr char kExporting[] = "正在导出数据，请稍候......";
constexpr char kFont[] = "宋体";

}  // namespace

ExportProgressWindow::ExportProgressWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("ExportProgress"));
    setFixedSize(300, 100);
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    QFont f(QString::fromUtf8(kFont));
    f.setPointSize(9);
    setFont(f);

    // The panel fills the window inside its one-pixel border.
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setGeometry(1, 1, 298, 98);
    panel->setAutoFillBackground(true);
    panel->setPalette(QGuiApplication::palette());

    label_ = new QLabel(QString::fromUtf8(kExporting), panel);
    label_->setObjectName(QStringLiteral("Label1"));
    QFont bold = f;
    bold.setBold(true);
    label_->setFont(bold);
    label_->move(25, 25);
    label_->adjustSize();

    gauge_ = new QProgressBar(panel);
    gauge_->setObjectName(QStringLiteral("Gauge1"));
    gauge_->setAccessibleName(QString::fromUtf8(kExporting));
    gauge_->setGeometry(20, 50, 260, 13);
    gauge_->setTextVisible(false);
    gauge_->setStyleSheet(QStringLiteral("QProgressBar { border: 1px solid gray; background: white; }"
                                         "QProgressBar::chunk { background: blue; }"));
    gauge_->setRange(0, 0);
}

void ExportProgressWindow::setMaximum(int maximum)
{
    gauge_->setRange(0, maximum);
    gauge_->setValue(0);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    show();
    repaint();  // before the file is created
}

void ExportProgressWindow::setPosition(int position)
{
    gauge_->setValue(position);
    gauge_->repaint();
}

int ExportProgressWindow::position() const
{
    return gauge_->value();
}

void ExportProgressWindow::finish()
{
    hide();
}

}  // namespace sonavistor
