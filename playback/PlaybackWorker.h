// The one playback thread: runs one loop once, from Start until the loop
// returns. A stop asks the loop to end and returns only when the thread has
// been joined, so nothing the loop uses can go or be touched by another
// thread while it still runs.
//
// While Stop waits it keeps serving the calling (GUI) thread's queued work
// (user input excluded): a loop may be handing a message box to that thread
// and waiting for it.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace korvane {

class PlaybackWorker {
public:
    PlaybackWorker() = default;
    // Stops and joins a running loop.
    ~PlaybackWorker();
    PlaybackWorker(const PlaybackWorker&) = delete;
    PlaybackWorker& operator=(const PlaybackWorker&) = delete;

    // Runs loop on a new thread. False when a loop still runs or no thread
    // could be started.
    bool Start(std::function<void()> loop);
    // Asks the loop to end and waits until its thread has been joined.
    void Stop();
    // Whether the running loop has been asked to end (false once it has been joined).
    bool StopRequested() const { return m_stop.load(); }

    // The pacing wait of a loop: sleeps up to `duration`; false when a stop
    // was requested before it was over.
    bool WaitUnlessStopped(std::chrono::milliseconds duration);

private:
    std::thread m_thread;  // started, stopped and joined by the owning thread only
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;  // pairs with m_wake for the waits on both sides
    std::condition_variable m_wake;
};

}  // namespace korvane
