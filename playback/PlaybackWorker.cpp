#include "playback/PlaybackWorker.h"

#include <system_error>

namespace korvane {

bool PlaybackWorker::Start(std::function<void()> loop) {
    Stop();  // never two threads at once
    m_time.Resume();
    try {
        m_thread = std::thread([this, loop = std::move(loop)] {
            loop();
            m_time.RunEnded();
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void PlaybackWorker::Stop() {
    if (!m_thread.joinable()) return;
    m_stop = true;
    m_time.Interrupt();
    m_thread.join();
    m_stop = false;  // the request was for the run that has now ended
    m_time.Resume();
}

}  // namespace korvane
