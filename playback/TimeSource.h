// Where the engine's pacing gets its time and waits: the steady clock in the
// program, a manual clock in tests, which step time instead of measuring it.
// A wait ends at its deadline or as soon as Interrupt is called; nothing in
// playback sleeps any other way, so a stop is never kept waiting.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace korvane {

class TimeSource {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~TimeSource() = default;
    virtual TimePoint Now() const = 0;
    // Waits until `due`; false when interrupted first (or already interrupted
    // since the last Resume).
    virtual bool WaitUntil(TimePoint due) = 0;
    // Ends every wait now and any later one until Resume.
    void Interrupt();
    // Before a run: waits wait again.
    void Resume();
    // After a run has returned (a test's manual time stops waiting for it).
    void RunEnded();

protected:
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    // Written under m_mutex (so that no wake is lost); atomic because a wait
    // reads it where the thread checker cannot see the mutex taken again.
    std::atomic<bool> m_interrupted{false};
    bool m_runEnded = false;     // guarded by m_mutex
    std::condition_variable m_waiter;  // a wait began or a run ended
};

class SteadyTimeSource final : public TimeSource {
public:
    TimePoint Now() const override { return std::chrono::steady_clock::now(); }
    bool WaitUntil(TimePoint due) override;
};

// Time that moves only when a test moves it. A wait returns once Advance has
// brought the time to its deadline.
class ManualTimeSource final : public TimeSource {
public:
    TimePoint Now() const override;
    bool WaitUntil(TimePoint due) override;
    void Advance(std::chrono::milliseconds by);
    // Blocks until a thread waits for a deadline later than now, and returns
    // that deadline: the test then knows the engine is idle until it moves
    // time. Nothing once the run has ended.
    std::optional<TimePoint> NextDeadline();
    // Moves time to the next deadline, repeatedly, until the run ends; the
    // run must be started before.
    void RunToEnd();

private:
    TimePoint m_now{};  // guarded by m_mutex
    int m_waiting = 0;
    TimePoint m_due{};
};

}  // namespace korvane
