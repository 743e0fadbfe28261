#include "common/message_service.h"

namespace sonavistor {

void MessageService::inform(const QString& text)
{
    show({text, applicationTitle_, MessageIcon::None, Ok, Ok});
}

void MessageService::showError(const QString& text)
{
    show({text, applicationTitle_, MessageIcon::Error, Ok, Ok});
}

void MessageService::showException(const std::exception& e)
{
    showError(QString::fromUtf8(e.what()));
}

void showingErrors(MessageService& messages, const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& e) {
        messages.showException(e);
    } catch (...) {
        messages.showError(QStringLiteral("unknown error"));
    }
}

}  // namespace sonavistor
