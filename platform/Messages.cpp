#include "platform/Messages.h"

#include "platform/Mailbox.h"

namespace korvane {

long SendMessage(MessageTarget& target, unsigned id, WParam wParam, LParam lParam) {
    long result = 0;
    target.MessageMailbox().RunAndWait([&] { result = target.HandleMessage(id, wParam, lParam); });
    return result;
}

void PostMessage(MessageTarget& target, unsigned id, WParam wParam, LParam lParam) {
    MessageTarget* pointer = &target;
    target.MessageMailbox().Post([pointer, id, wParam, lParam] { pointer->HandleMessage(id, wParam, lParam); });
}

}  // namespace korvane
