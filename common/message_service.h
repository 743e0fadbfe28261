#pragma once
// Every message box of the program goes through one MessageService: the
// windows get the Qt one, tests a scripted one, the command-line tool one
// that writes to stderr. Core code only ever sees this interface.

#include <QString>
#include <exception>
#include <functional>

namespace sonavistor {

enum class MessageIcon { None, Information, Warning, Error, Question };

enum MessageButton : int {
    NoButton = 0,
    Ok = 1,
    Yes = 2,
    No = 4,
    Cancel = 8,
};
using MessageButtons = int;  // an OR of MessageButton values

struct MessageRequest {
    QString text;
    QString caption;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = Ok;
    MessageButton defaultButton = NoButton;  // NoButton: the first of the buttons
};

class MessageService {
public:
    virtual ~MessageService() = default;

    // Shows the box and returns the button that closed it.
    virtual MessageButton show(const MessageRequest& request) = 0;

    // A plain box: the application's title as caption, no icon, one OK button.
    void inform(const QString& text);

    // The application's standard error box: errors of files, the database,
    // conversions and the report engine. The program keeps running after it.
    void showError(const QString& text);
    void showException(const std::exception& e);

    // Caption of boxes that have none of their own (the application's title).
    void setApplicationTitle(const QString& title) { applicationTitle_ = title; }
    const QString& applicationTitle() const { return applicationTitle_; }

private:
    QString applicationTitle_ = QStringLiteral("sonavistor");
};

// The boundary of a slot: runs the handler and shows an exception it throws
// as the standard error box, since none may leave a slot through Qt.
void showingErrors(MessageService& messages, const std::function<void()>& handler);

// Before a file is written over: true when path does not exist or the user
// answers Yes to question (a Yes/No question box with that caption, the
// answer Enter gives being defaultAnswer).
bool mayReplaceFile(MessageService& messages, const QString& path, const QString& question,
                    const QString& caption, MessageButton defaultAnswer = Yes);

}  // namespace sonavistor
