#include "playback/PlaybackWorker.h"

#include <system_error>

namespace korvane {

bool PlaybackWorker::Start(std::vector<std::function<void()>> loops) {
    Stop();  // never two runs at once
    m_time.Begin(static_cast<int>(loops.size()));
    for (auto& loop : loops) {
        try {
            m_threads.emplace_back([this, loop = std::move(loop)] {
                loop();
                m_time.ThreadEnded();
            });
        } catch (const std::system_error&) {
            Stop();
            return false;
        }
    }
    return true;
}

void PlaybackWorker::Join() {
    for (std::thread& thread : m_threads) thread.join();
    m_threads.clear();
}

void PlaybackWorker::Stop() {
    if (m_threads.empty()) return;
    m_stop = true;
    m_time.Interrupt();
    Join();
    m_stop = false;  // the request was for the run that has now ended
    m_time.Begin(0);
}

}  // namespace korvane
