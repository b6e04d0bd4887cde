#include "app/MotionSearchRunner.h"

namespace korvane {

MotionSearchRunner::MotionSearchRunner(QString cacheFolder, QObject* parent)
    : QObject(parent), m_cache(std::move(cacheFolder)) {
    qRegisterMetaType<korvane::MotionEvent>("korvane::MotionEvent");
    qRegisterMetaType<korvane::ScanStatus>("korvane::ScanStatus");
}

MotionSearchRunner::~MotionSearchRunner() {
    m_cancel = true;
    if (m_thread.joinable()) m_thread.join();
}

bool MotionSearchRunner::Start(const MotionRequest& request) {
    if (m_thread.joinable()) return false;
    m_cancel = false;
    m_thread = std::thread([this, request] {
        int reported = -1;
        ScanCallbacks callbacks;
        callbacks.progress = [this, &reported](std::int64_t done, std::int64_t total) {
            const int permille = total > 0 ? static_cast<int>(done * 1000 / total) : 1000;
            if (permille == reported) return;
            reported = permille;
            m_mailbox.Post([this, permille] { emit Progress(permille); });
        };
        callbacks.found = [this](const MotionEvent& event) { m_mailbox.Post([this, event] { emit Found(event); }); };
        const ScanOutcome outcome = SearchForMotion(request, &m_cache, m_cancel, callbacks);
        const QString message = QString::fromStdString(outcome.message);
        const bool fromCache = outcome.result.fromCache;
        m_mailbox.Post([this, status = outcome.status, message, fromCache] { Done(status, message, fromCache); });
    });
    return true;
}

// On the runner's thread: the worker has posted its last call, so it ends now.
void MotionSearchRunner::Done(ScanStatus status, const QString& message, bool fromCache) {
    if (m_thread.joinable()) m_thread.join();
    emit Finished(status, message, fromCache);
}

}  // namespace korvane
