#include "platform/Messages.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

namespace korvane {

long SendMessage(MessageTarget& target, unsigned id, WParam wParam, LParam lParam) {
    QObject* context = target.MessageContext();
    if (context->thread() == QThread::currentThread()) return target.HandleMessage(id, wParam, lParam);
    long result = 0;
    QMetaObject::invokeMethod(
        context, [&] { result = target.HandleMessage(id, wParam, lParam); }, Qt::BlockingQueuedConnection);
    return result;
}

void PostMessage(MessageTarget& target, unsigned id, WParam wParam, LParam lParam) {
    MessageTarget* pointer = &target;
    QMetaObject::invokeMethod(
        target.MessageContext(), [pointer, id, wParam, lParam] { pointer->HandleMessage(id, wParam, lParam); },
        Qt::QueuedConnection);
}

}  // namespace korvane
