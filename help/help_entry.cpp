// The help viewer library's one entry point, HtmlHelpA: the program loads
// this library from its folder and calls it to initialise the viewer, to
// show a topic and to close the viewer's windows.
#include "help/help_viewer_window.h"

#include <QApplication>
#include <QFile>
#include <QPointer>

#include <cstdint>

namespace {

constexpr unsigned kDisplayTopic = 0x0000;
constexpr unsigned kCloseAll = 0x0012;
constexpr unsigned kInitialize = 0x001C;

// One viewer window for the run, reused by every display request.
QPointer<sonavistor::HelpViewerWindow> viewer;
std::uintptr_t nextCookie = 1;

std::intptr_t displayTopic(void* caller, const char* file)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()) || !file)
        return 0;
    if (!viewer) {
        // Owned by the caller's window, so it goes with it at the latest.
        viewer = new sonavistor::HelpViewerWindow(static_cast<QWidget*>(caller));
        viewer->setAttribute(Qt::WA_DeleteOnClose);
    }
    viewer->showTopic(QFile::decodeName(file));
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
    return reinterpret_cast<std::intptr_t>(viewer.data());
}

}  // namespace

extern "C" __attribute__((visibility("default"))) std::intptr_t
HtmlHelpA(void* caller, const char* file, unsigned command, std::uintptr_t data)
{
    // Nothing thrown may cross into the program.
    try {
        switch (command) {
        case kInitialize:
            if (data)
                *reinterpret_cast<std::uintptr_t*>(data) = nextCookie++;
            return 0;
        case kDisplayTopic:
            return displayTopic(caller, file);
        case kCloseAll:
            if (viewer)
                delete viewer.data();
            return 0;
        default:
            return 0;
        }
    } catch (...) {
        return 0;
    }
}
