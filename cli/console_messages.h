#pragma once
// Message boxes of the shared code, for a program without windows: the text
// goes to stderr and every question is answered No.

#include "common/message_service.h"

#include <QTextStream>

namespace sonavistor::cli {

class ConsoleMessages : public MessageService {
public:
    explicit ConsoleMessages(QTextStream& err) : err_(err) {}
    MessageButton show(const MessageRequest& request) override
    {
        QString text = request.text;
        text.replace(QLatin1Char('\r'), QLatin1Char(' '));
        err_ << text << Qt::endl;
        if (request.buttons & No)
            return No;
        if (request.buttons & Cancel)
            return Cancel;
        return Ok;
    }

private:
    QTextStream& err_;
};

}  // namespace sonavistor::cli
