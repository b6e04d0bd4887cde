// The playback threads: one loop per camera stream shown, all started
// together and each run once, until it returns. A stop raises the stop flag,
// interrupts the time source the loops wait on, and returns only when every
// thread has been joined, so nothing the loops use can go or be touched by
// another thread while one still runs.
#pragma once

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "playback/TimeSource.h"

namespace korvane {

class PlaybackWorker {
public:
    explicit PlaybackWorker(TimeSource& time) : m_time(time) {}
    // Stops and joins running loops.
    ~PlaybackWorker() { Stop(); }
    PlaybackWorker(const PlaybackWorker&) = delete;
    PlaybackWorker& operator=(const PlaybackWorker&) = delete;

    // Runs each loop on a thread of its own (loops already running are
    // stopped first). False when no thread could be started.
    bool Start(std::vector<std::function<void()>> loops);
    bool Start(std::function<void()> loop) { return Start(std::vector<std::function<void()>>{std::move(loop)}); }
    // Asks the loops to end and waits until their threads have been joined.
    void Stop();
    // Waits until every loop has returned by itself.
    void Join();
    bool Running() const { return !m_threads.empty(); }
    // Raised while a stop is asked of the running loops; their parts look at it.
    const std::atomic<bool>& StopFlag() const { return m_stop; }

private:
    TimeSource& m_time;
    std::vector<std::thread> m_threads;  // started, stopped and joined by the owning thread only
    std::atomic<bool> m_stop{false};
};

}  // namespace korvane
