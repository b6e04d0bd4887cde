// One long job at a time off the GUI thread (an export): the job runs on a
// thread of its own with a progress call that reports to the thread that
// made the BackgroundJob (Progress, in thousandths, each value once) and
// answers whether to go on; the call the job returns then runs on that
// thread, after the job's thread has been joined. Cancel asks the job to
// stop; going away cancels and joins.
#pragma once

#include <QObject>

#include <atomic>
#include <functional>
#include <thread>

#include "platform/Mailbox.h"

namespace korvane {

class BackgroundJob : public QObject {
    Q_OBJECT

public:
    using Progress = std::function<bool(double done)>;  // false: stop
    using Job = std::function<std::function<void()>(const Progress& progress)>;

    explicit BackgroundJob(QObject* parent = nullptr);
    ~BackgroundJob() override;

    // False while a job runs.
    bool Start(Job job);
    void Cancel() { m_cancel = true; }
    bool Running() const { return m_thread.joinable(); }

signals:
    void Progressed(int permille);

private:
    void Done(const std::function<void()>& then);

    Mailbox m_mailbox{this};  // progress and the job's last call, handed to the owning thread
    std::atomic<bool> m_cancel{false};
    std::thread m_thread;
};

}  // namespace korvane
