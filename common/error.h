#pragma once
// Expected failures that carry the text the user is shown.

#include <QString>
#include <stdexcept>

namespace sonavistor {

class Error : public std::runtime_error {
public:
    explicit Error(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

}  // namespace sonavistor
