#pragma once
// Message boxes on screen.

#include "common/message_service.h"

class QWidget;

namespace sonavistor {

class QtMessageService : public MessageService {
public:
    MessageButton show(const MessageRequest& request) override;
};

}  // namespace sonavistor
