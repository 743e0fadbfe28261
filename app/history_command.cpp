#include "app/history_command.h"

#include "app/main_window.h"
#include "history/history_index.h"
#include "history_window/history_window.h"

#include <QFileDialog>
#include <QString>

namespace sonavistor {

void installHistoryCommand(MainWindow& form)
{
    installHistoryCommand(form, HistoryIndex::defaultPath(), [](QWidget* parent, const QString& start) {
        return QFileDialog::getExistingDirectory(parent, QStringLiteral("Noise History: choose a folder"), start);
    });
}

void installHistoryCommand(MainWindow& form, const QString& indexPath, NoiseHistoryWindow::FolderQuestion askFolder)
{
    form.setCommand(QStringLiteral("NoiseHistory"), [indexPath, askFolder](MainWindow& main) {
        if (NoiseHistoryWindow* open = noiseHistoryWindow(main)) {
            open->show();
            open->raise();
            open->activateWindow();
            open->chooseFolder();
            return;
        }
        auto* window = new NoiseHistoryWindow(main.messages(), main.dialogs(), askFolder, indexPath,
                                              main.settingsFilePath(), &main);
        // A window of its own beside the main window, not a child in its work area.
        window->setWindowFlag(Qt::Window);
        window->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(window, &NoiseHistoryWindow::openFileRequested, &main,
                         [&main](const QString& path) { main.openSavedFile(path); });
        if (!window->chooseFolder()) {
            window->deleteLater();
            return;
        }
        window->show();
    });
}

NoiseHistoryWindow* noiseHistoryWindow(MainWindow& form)
{
    return form.findChild<NoiseHistoryWindow*>(QStringLiteral("NoiseHistory"), Qt::FindDirectChildrenOnly);
}

}  // namespace sonavistor
