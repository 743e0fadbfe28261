#include "common/message_service.h"

#include <QFileInfo>

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

bool mayReplaceFile(MessageService& messages, const QString& path, const QString& question,
                    const QString& caption, MessageButton defaultAnswer)
{
    if (!QFileInfo::exists(path))
        return true;
    return messages.show({question, caption, MessageIcon::Question, Yes | No, defaultAnswer}) == Yes;
}

}  // namespace sonavistor
