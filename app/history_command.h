#pragma once
// File > Noise History...: the noise history window, one per main window.

#include "history_window/history_window.h"

namespace sonavistor {

class MainWindow;

// The index in the user's cache folder, folders chosen in Qt's dialog.
void installHistoryCommand(MainWindow& form);
// Tests give their own index and answer the folder question themselves.
void installHistoryCommand(MainWindow& form, const QString& indexPath, NoiseHistoryWindow::FolderQuestion askFolder);

// The window the command made, if it is open.
NoiseHistoryWindow* noiseHistoryWindow(MainWindow& form);

}  // namespace sonavistor
