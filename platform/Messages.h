// Numbered messages between the parts of the window: the control bar, the
// skinned buttons and the view talk by (id, wParam, lParam) as the recorder's
// own tools did. SendMessage runs the handler at once on the target's thread
// (directly on the same thread, a blocking hop from another one);
// PostMessage queues it and returns.
#pragma once

#include <cstdint>

namespace korvane {

class Mailbox;

using WParam = std::uintptr_t;
using LParam = std::intptr_t;

class MessageTarget {
public:
    virtual ~MessageTarget() = default;
    virtual long HandleMessage(unsigned id, WParam wParam, LParam lParam) = 0;
    // The mailbox of the target's thread; queued messages die with it.
    virtual Mailbox& MessageMailbox() = 0;
};

long SendMessage(MessageTarget& target, unsigned id, WParam wParam = 0, LParam lParam = 0);
void PostMessage(MessageTarget& target, unsigned id, WParam wParam = 0, LParam lParam = 0);

}  // namespace korvane
