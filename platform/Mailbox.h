// Hands work to the thread an object lives on. Tasks go through a queue
// guarded by a standard mutex and an event counter wakes the owning thread's
// event loop to run them: no Qt event object crosses threads, so every piece
// of data that does is ordered by a lock that thread checkers can see.
#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace korvane {

class Mailbox : public QObject {
    Q_OBJECT

public:
    // Lives on the thread that constructs it (with the parent's thread when given).
    explicit Mailbox(QObject* parent = nullptr);
    ~Mailbox() override;

    // Queues the task for the mailbox's thread and returns at once. Tasks
    // still queued when the mailbox goes are dropped.
    void Post(std::function<void()> task);
    // Runs the tasks queued so far, now; on the mailbox's thread only.
    void Drain();

private:

    int m_wakeFd = -1;  // an eventfd: written by Post, read by the owning thread
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::mutex m_mutex;  // guards m_tasks
    std::deque<std::function<void()>> m_tasks;
};

}  // namespace korvane
