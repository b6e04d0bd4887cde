#include "playback/TimeSource.h"

namespace korvane {

void TimeSource::Interrupt() {
    {
        std::lock_guard lock(m_mutex);
        m_interrupted = true;
    }
    m_wake.notify_all();
}

void TimeSource::Resume() {
    std::lock_guard lock(m_mutex);
    m_interrupted = false;
    m_runEnded = false;
}

void TimeSource::RunEnded() {
    {
        std::lock_guard lock(m_mutex);
        m_runEnded = true;
    }
    m_waiter.notify_all();
}

bool SteadyTimeSource::WaitUntil(TimePoint due) {
    std::unique_lock lock(m_mutex);
    return !m_wake.wait_until(lock, due, [this] { return m_interrupted.load(); });
}

TimeSource::TimePoint ManualTimeSource::Now() const {
    std::lock_guard lock(m_mutex);
    return m_now;
}

bool ManualTimeSource::WaitUntil(TimePoint due) {
    std::unique_lock lock(m_mutex);
    if (m_interrupted.load()) return false;
    if (due <= m_now) return true;
    ++m_waiting;
    m_due = due;
    m_waiter.notify_all();
    m_wake.wait(lock, [&] { return m_interrupted.load() || due <= m_now; });
    --m_waiting;
    return !m_interrupted.load();
}

void ManualTimeSource::Advance(std::chrono::milliseconds by) {
    {
        std::lock_guard lock(m_mutex);
        m_now += by;
    }
    m_wake.notify_all();
}

std::optional<TimeSource::TimePoint> ManualTimeSource::NextDeadline() {
    std::unique_lock lock(m_mutex);
    m_waiter.wait(lock, [this] { return m_runEnded || (m_waiting > 0 && m_due > m_now); });
    if (m_waiting > 0 && m_due > m_now) return m_due;
    return std::nullopt;
}

void ManualTimeSource::RunToEnd() {
    while (const auto due = NextDeadline()) Advance(std::chrono::ceil<std::chrono::milliseconds>(*due - Now()));
}

}  // namespace korvane
