#include "app/application.h"

#include "common/message_service.h"

#include <cstdio>

namespace sonavistor {

SonavistorApplication::SonavistorApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool SonavistorApplication::notify(QObject* receiver, QEvent* event)
{
    QString error;
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        error = QString::fromUtf8(e.what());
    } catch (...) {
        error = QStringLiteral("unknown error");
    }
    if (messages_)
        messages_->showError(error);
    else
        std::fprintf(stderr, "%s\n", qPrintable(error));
    return false;
}

}  // namespace sonavistor
