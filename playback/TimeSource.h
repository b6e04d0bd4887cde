// Where the engine's pacing gets its time and waits: the steady clock in the
// program, a manual clock in tests, which step time instead of measuring it.
// A wait ends at its deadline, as soon as Interrupt is called, or when Poke
// says that deadlines have moved (the clock was set): the waiter then works
// its deadline out again. Nothing in playback sleeps any other way, so a stop
// is never kept waiting.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <set>

namespace korvane {

class TimeSource {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~TimeSource() = default;
    virtual TimePoint Now() const = 0;
    // Waits until `due`; false when interrupted first (or already interrupted
    // since the last Begin). True also when poked before `due`, or poked
    // since Pokes() gave `seen` (a deadline worked out before a poke is stale).
    virtual bool WaitUntil(TimePoint due, unsigned seen) = 0;
    bool WaitUntil(TimePoint due) { return WaitUntil(due, Pokes()); }
    unsigned Pokes() const;
    // Ends every wait now and any later one until Begin.
    void Interrupt();
    // Ends every wait now, as reached: the waiters look at the clock again.
    void Poke();
    // Before a run of `threads` threads: waits wait again.
    void Begin(int threads);
    // One of the run's threads has returned (a test's manual time stops
    // waiting for it once all have).
    void ThreadEnded();

protected:
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    // Written under m_mutex (so that no wake is lost); atomic because a wait
    // reads it where the thread checker cannot see the mutex taken again.
    std::atomic<bool> m_interrupted{false};
    unsigned m_pokes = 0;      // guarded by m_mutex
    int m_running = 0;         // the run's threads still running, guarded by m_mutex
    std::condition_variable m_waiter;  // a wait began or a thread ended
};

class SteadyTimeSource final : public TimeSource {
public:
    using TimeSource::WaitUntil;
    TimePoint Now() const override { return std::chrono::steady_clock::now(); }
    bool WaitUntil(TimePoint due, unsigned seen) override;
};

// Time that moves only when a test moves it. A wait returns once Advance has
// brought the time to its deadline.
class ManualTimeSource final : public TimeSource {
public:
    using TimeSource::WaitUntil;
    TimePoint Now() const override;
    bool WaitUntil(TimePoint due, unsigned seen) override;
    void Advance(std::chrono::milliseconds by);
    // Blocks until every thread of the run waits for a deadline, the earliest
    // later than now, and returns that deadline: the test then knows the
    // engine is idle until it moves time. Nothing once the run has ended.
    std::optional<TimePoint> NextDeadline();
    // Moves time to the next deadline, repeatedly, until the run ends; the
    // run must be started before.
    void RunToEnd();

private:
    TimePoint m_now{};                  // guarded by m_mutex
    std::multiset<TimePoint> m_waits;   // the deadlines waited for, guarded by m_mutex
};

}  // namespace korvane
