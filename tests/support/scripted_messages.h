#pragma once
// A message service for tests: answers from a script, remembers what was shown.

#include "common/message_service.h"

#include <QList>

#include <deque>
#include <functional>

namespace sonavistor::test {

class ScriptedMessages : public MessageService {
public:
    MessageButton show(const MessageRequest& request) override;

    // Answers for the next boxes, in order. Without a scripted answer a box
    // gets its default button (or the first of its buttons).
    void answer(MessageButton button) { answers_.push_back(button); }
    // Runs while a box is "open" (a nested event loop would run here).
    void onShow(std::function<void(const MessageRequest&)> hook) { hook_ = std::move(hook); }

    const QList<MessageRequest>& shown() const { return shown_; }
    QStringList texts() const;
    bool wasShown(const QString& text) const { return texts().contains(text); }
    int pendingAnswers() const { return static_cast<int>(answers_.size()); }
    void clear() { shown_.clear(); answers_.clear(); }

private:
    std::deque<MessageButton> answers_;
    QList<MessageRequest> shown_;
    std::function<void(const MessageRequest&)> hook_;
};

}  // namespace sonavistor::test
