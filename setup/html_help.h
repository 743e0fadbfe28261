#pragma once
// HtmlHelpCall: the program's access to its help viewer, a library in the
// program folder with the entry point "HtmlHelpA". The library is loaded on
// first use, initialised once and never unloaded.

#include <QString>

#include <cstdint>
#include <memory>

class QLibrary;
class QWidget;

namespace sonavistor {

inline constexpr quint32 HH_DISPLAY_TOPIC = 0x0000;
inline constexpr quint32 HH_CLOSE_ALL = 0x0012;
inline constexpr quint32 HH_INITIALIZE = 0x001C;

// The help viewer library beside the program.
inline constexpr char kHelpViewerLibrary[] = "libquorvanehelp.so";

// The viewer's entry point: caller window, file and topic ("file::topic",
// 8-bit local encoding), command, data. Returns an integer or a window.
// Exactly the library's own declaration: a call through a pointer of another
// type (qintptr is long long, std::intptr_t long) is undefined, whatever the
// registers hold.
using HtmlHelpEntry = std::intptr_t (*)(void* caller, const char* file, unsigned command, std::uintptr_t data);

class HtmlHelp {
public:
    // libraryPath: the viewer library, usually programFolder/libquorvanehelp.so.
    explicit HtmlHelp(QString libraryPath);
    ~HtmlHelp();
    HtmlHelp(const HtmlHelp&) = delete;
    HtmlHelp& operator=(const HtmlHelp&) = delete;

    // Loads and initialises the viewer if that has not been done yet, then
    // passes the call on. Throws Error "HHCtrl.OCX not installed!" CR
    // " HTMLHELP cannot displayed!" when the library cannot be loaded, and
    // "Function HTMLHELP cannot loaded!" when it lacks the entry point; the
    // next call tries again.
    qintptr HtmlHelpCall(QWidget* caller, const QString& file, quint32 command, quintptr data);

    quintptr cookie() const { return cookie_; }

private:
    QString libraryPath_;
    // Never unloaded: the viewer's windows and code stay valid for the run.
    std::unique_ptr<QLibrary> library_;
    HtmlHelpEntry entry_ = nullptr;
    quintptr cookie_ = 0;
};

}  // namespace sonavistor
