#include "tests/support/scripted_messages.h"

namespace sonavistor::test {

MessageButton ScriptedMessages::show(const MessageRequest& request)
{
    shown_.append(request);
    if (hook_)
        hook_(request);
    if (!answers_.empty()) {
        const MessageButton answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    if (request.defaultButton != NoButton)
        return request.defaultButton;
    for (MessageButton b : {Ok, Yes, No, Cancel}) {
        if (request.buttons & b)
            return b;
    }
    return Ok;
}

QStringList ScriptedMessages::texts() const
{
    QStringList list;
    for (const MessageRequest& r : shown_)
        list.append(r.text);
    return list;
}

}  // namespace sonavistor::test
