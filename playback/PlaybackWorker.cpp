#include "playback/PlaybackWorker.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <system_error>

#include "platform/DebugLog.h"

namespace korvane {

PlaybackWorker::~PlaybackWorker() { Stop(); }

bool PlaybackWorker::Start(std::function<void()> loop) {
    if (m_running.load()) return false;  // never two threads at once
    if (m_thread.joinable()) m_thread.join();
    // Raised before the thread exists, so that a stop right after the start is seen.
    m_running = true;
    m_stop = false;
    try {
        m_thread = std::thread([this, loop = std::move(loop)] {
            loop();
            {
                std::lock_guard lock(m_mutex);
                m_running = false;
            }
            m_wake.notify_all();
        });
    } catch (const std::system_error&) {
        m_running = false;
        return false;
    }
    return true;
}

void PlaybackWorker::Stop() {
    if (!m_thread.joinable()) return;
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    DebugLine("playback worker: stopping\n");
    while (m_running.load()) {
        // Queued work of this thread (a loop's blocking hand-over among it)
        // runs here; user input waits until the stop is over.
        if (QCoreApplication::instance() != nullptr)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        std::unique_lock lock(m_mutex);
        m_wake.wait_for(lock, std::chrono::milliseconds(1), [this] { return !m_running.load(); });
    }
    m_thread.join();
    m_stop = false;  // the request was for the run that has now ended
}

bool PlaybackWorker::WaitUnlessStopped(std::chrono::milliseconds duration) {
    std::unique_lock lock(m_mutex);
    return !m_wake.wait_for(lock, duration, [this] { return m_stop.load(); });
}

}  // namespace korvane
