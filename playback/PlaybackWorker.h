// The one playback thread: runs one loop once, from Start until the loop
// returns. A stop raises the stop flag, interrupts the time source the loop
// waits on, and returns only when the thread has been joined, so nothing
// the loop uses can go or be touched by another thread while it still runs.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include "playback/TimeSource.h"

namespace korvane {

class PlaybackWorker {
public:
    explicit PlaybackWorker(TimeSource& time) : m_time(time) {}
    // Stops and joins a running loop.
    ~PlaybackWorker() { Stop(); }
    PlaybackWorker(const PlaybackWorker&) = delete;
    PlaybackWorker& operator=(const PlaybackWorker&) = delete;

    // Runs loop on a new thread. False when no thread could be started.
    bool Start(std::function<void()> loop);
    // Asks the loop to end and waits until its thread has been joined.
    void Stop();
    // Raised while a stop is asked of the running loop; the loop's parts look at it.
    const std::atomic<bool>& StopFlag() const { return m_stop; }

private:
    TimeSource& m_time;
    std::thread m_thread;  // started, stopped and joined by the owning thread only
    std::atomic<bool> m_stop{false};
};

}  // namespace korvane
