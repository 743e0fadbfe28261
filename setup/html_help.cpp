#include "setup/html_help.h"

#include "common/error.h"

#include <QFile>
#include <QLibrary>

namespace sonavistor {

namespace {

constexpr char kNotInstalled[] = "HHCtrl.OCX not installed!\r HTMLHELP cannot displayed!";
constexpr char kNoEntry[] = "Function HTMLHELP cannot loaded!";
constexpr char kEntryName[] = "HtmlHelpA";

}  // namespace

HtmlHelp::HtmlHelp(QString libraryPath) : libraryPath_(std::move(libraryPath)) {}

HtmlHelp::~HtmlHelp()
{
    // QLibrary's destructor leaves the library loaded, as it must stay.
}

qintptr HtmlHelp::HtmlHelpCall(QWidget* caller, const QString& file, quint32 command, quintptr data)
{
    if (!entry_) {
        if (!library_) {
            auto library = std::make_unique<QLibrary>(libraryPath_);
            if (!library->load())
                throw Error(QString::fromLatin1(kNotInstalled));
            library_ = std::move(library);
        }
        entry_ = reinterpret_cast<HtmlHelpEntry>(library_->resolve(kEntryName));
        if (!entry_)
            throw Error(QString::fromLatin1(kNoEntry));
        entry_(nullptr, nullptr, HH_INITIALIZE, reinterpret_cast<quintptr>(&cookie_));
    }
    const QByteArray fileBytes = QFile::encodeName(file);
    return entry_(caller, file.isNull() ? nullptr : fileBytes.constData(), command, data);
}

}  // namespace sonavistor
