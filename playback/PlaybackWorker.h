// A worker thread that calls one procedure again and again until it is told
// to stop, with a bounded, cooperative stop that keeps the GUI thread's
// events flowing while it waits (a worker may be making a blocking call into
// the GUI thread at that moment).
//
// The flags are atomics: the worker raises m_running and m_continue when it
// is started, clears m_running when it ends; the GUI thread clears
// m_continue to stop it. The thread is always joined before a new start and
// in the destructor.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace korvane {

class PlaybackWorker {
public:
    using Procedure = int (*)(void* argument);

    PlaybackWorker() = default;
    // Stops the worker and joins it; the procedure never outlives this object.
    virtual ~PlaybackWorker();
    PlaybackWorker(const PlaybackWorker&) = delete;
    PlaybackWorker& operator=(const PlaybackWorker&) = delete;

    void Init(void* argument, Procedure procedure, int repeat);
    // Starts the worker: 1, or 0 when it is still running or no thread could be started.
    int StartThread();
    // Asks the worker to stop and waits up to 51 x 100 ms, keeping the GUI
    // thread's events flowing: 1 when it finished in time, else 0.
    int StopThread();
    int IsFinished() const { return m_running.load() == 0; }
    int IsStopRequested() const { return m_continue.load() == 0; }

    // The pacing wait of a worker: sleeps up to `duration`, returning early
    // (false) when a stop is requested.
    bool WaitUnlessStopped(std::chrono::milliseconds duration);

    static constexpr int kStopWaits = 51;
    static constexpr std::chrono::milliseconds kStopSlice{100};
    static constexpr std::chrono::milliseconds kPassPause{10};

private:
    void Run();
    void WaitWithMessages(std::chrono::milliseconds duration);
    void Join();

    void* m_argument = nullptr;
    Procedure m_procedure = nullptr;
    int m_repeat = 0;
    std::thread m_thread;  // GUI thread only
    std::atomic<int> m_running{0};
    std::atomic<int> m_continue{0};
    std::mutex m_mutex;  // pairs with m_wake for the waits on both sides
    std::condition_variable m_wake;
};

}  // namespace korvane
