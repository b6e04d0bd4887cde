#include "app/BackgroundJob.h"

namespace korvane {

BackgroundJob::BackgroundJob(QObject* parent) : QObject(parent) {}

BackgroundJob::~BackgroundJob() {
    m_cancel = true;
    if (m_thread.joinable()) m_thread.join();
}

bool BackgroundJob::Start(Job job) {
    if (m_thread.joinable()) return false;
    m_cancel = false;
    m_thread = std::thread([this, job = std::move(job)] {
        int reported = -1;
        std::function<void()> then = job([this, &reported](double done) {
            const int permille = static_cast<int>(done * 1000);
            if (permille != reported) {
                reported = permille;
                m_mailbox.Post([this, permille] { emit Progressed(permille); });
            }
            return !m_cancel.load();
        });
        m_mailbox.Post([this, then = std::move(then)] { Done(then); });
    });
    return true;
}

// On the owning thread: the job has posted its last call, so its thread ends now.
void BackgroundJob::Done(const std::function<void()>& then) {
    if (m_thread.joinable()) m_thread.join();
    if (then) then();
}

}  // namespace korvane
