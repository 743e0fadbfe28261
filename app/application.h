#pragma once
// The Qt application: an error escaping an event handler is shown in the
// standard error box and the program keeps running.

#include <QApplication>

namespace sonavistor {

class MessageService;

class SonavistorApplication : public QApplication {
public:
    SonavistorApplication(int& argc, char** argv);

    // Where escaped errors are shown; null: written to stderr.
    void setMessageService(MessageService* messages) { messages_ = messages; }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    MessageService* messages_ = nullptr;
};

}  // namespace sonavistor
