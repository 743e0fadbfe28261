#include "app/setup_commands.h"

#include "app/main_window.h"
#include "common/shell_state.h"
#include "setup_window/about_window.h"
#include "setup/html_help.h"
#include "setup_window/setup_window.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMdiSubWindow>

#include <memory>

namespace sonavistor {

namespace {

// The help file and its welcome topic, behind the program folder's own
// trailing separator (the path holds two separators in a row).
constexpr char kHelpTopic[] = "\\quorvane.chm::/readme\\welcome.doc";

constexpr int kSetupWidth = 638;
constexpr int kSetupHeight = 428;
constexpr int kAboutWidth = 539;
constexpr int kAboutHeight = 324;

void openSystemSetup(MainWindow& main)
{
    // At most one setup window: a second click before the menu refresh is too late.
    if (!ShellState.SetupEnabled)
        return;
    ShellState.SetupEnabled = false;
    main.refreshCommands();
    auto* window = new SetupWindow(main.meter(), main.windowContext());
    QMdiSubWindow* sub = main.addChildWindow(window);
    sub->setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                        Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    sub->setGeometry((main.width() - kSetupWidth) / 2, (main.height() - kSetupHeight) / 4, kSetupWidth,
                     kSetupHeight);
    sub->show();
}

void openAbout(MainWindow& main)
{
    if (!ShellState.AboutEnabled)
        return;
    ShellState.AboutEnabled = false;
    main.refreshCommands();
    auto* window = new AboutWindow;
    QMdiSubWindow* sub = main.addChildWindow(window);
    // A fixed single border with only the system menu and its close box.
    sub->setWindowFlags(Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                        Qt::WindowCloseButtonHint);
    sub->setFixedSize(kAboutWidth, kAboutHeight);
    sub->move((main.width() - kAboutWidth) / 2, (main.height() - kAboutHeight) / 4);
    sub->show();
}

// The viewer beside the side files (the build tree, a portable copy), or
// where an installed program's plug-ins are.
QString helpViewerLibrary(const QString& programFolder)
{
    const QString beside = QDir(programFolder).filePath(QString::fromLatin1(kHelpViewerLibrary));
    if (QFileInfo::exists(beside))
        return beside;
    const QDir plugins(QCoreApplication::applicationDirPath() + QStringLiteral("/" SONAVISTOR_PLUGINS_FROM_BIN));
    const QString installed = plugins.filePath(QString::fromLatin1(kHelpViewerLibrary));
    return QFileInfo::exists(installed) ? installed : beside;
}

}  // namespace

void installSetupCommands(MainWindow& form)
{
    form.setCommand(QStringLiteral("N5"), openSystemSetup);
    form.setCommand(QStringLiteral("A1"), openAbout);

    // One viewer binding for the run, shared by the help command and the closing.
    const auto help = std::make_shared<HtmlHelp>(helpViewerLibrary(form.programFolder()));
    form.setCommand(QStringLiteral("Help"), [help](MainWindow& main) {
        const QString folder = QDir(main.programFolder()).absolutePath() + QLatin1Char('/');
        // The viewer's window is its own; its result is not needed.
        help->HtmlHelpCall(&main, folder + QString::fromLatin1(kHelpTopic), HH_DISPLAY_TOPIC, 0);
    });
    form.setCommand(QStringLiteral("HelpCloseAll"), [help](MainWindow&) {
        help->HtmlHelpCall(nullptr, QString(), HH_CLOSE_ALL, 0);
    });
}

}  // namespace sonavistor
