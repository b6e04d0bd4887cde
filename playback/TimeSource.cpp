#include "playback/TimeSource.h"

namespace korvane {

void TimeSource::Interrupt() {
    {
        std::lock_guard lock(m_mutex);
        m_interrupted = true;
    }
    m_wake.notify_all();
}

void TimeSource::Poke() {
    {
        std::lock_guard lock(m_mutex);
        ++m_pokes;
    }
    m_wake.notify_all();
}

unsigned TimeSource::Pokes() const {
    std::lock_guard lock(m_mutex);
    return m_pokes;
}

void TimeSource::Begin(int threads) {
    std::lock_guard lock(m_mutex);
    m_interrupted = false;
    m_running = threads;
}

void TimeSource::ThreadEnded() {
    {
        std::lock_guard lock(m_mutex);
        --m_running;
    }
    m_waiter.notify_all();
}

bool SteadyTimeSource::WaitUntil(TimePoint due, unsigned seen) {
    std::unique_lock lock(m_mutex);
    m_wake.wait_until(lock, due, [&] { return m_interrupted.load() || m_pokes != seen; });
    return !m_interrupted.load();
}

TimeSource::TimePoint ManualTimeSource::Now() const {
    std::lock_guard lock(m_mutex);
    return m_now;
}

bool ManualTimeSource::WaitUntil(TimePoint due, unsigned seen) {
    std::unique_lock lock(m_mutex);
    if (m_interrupted.load()) return false;
    if (due <= m_now || m_pokes != seen) return true;
    const auto wait = m_waits.insert(due);
    m_waiter.notify_all();
    m_wake.wait(lock, [&] { return m_interrupted.load() || due <= m_now || m_pokes != seen; });
    m_waits.erase(wait);
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
    const auto idle = [this] {
        return static_cast<int>(m_waits.size()) >= m_running && !m_waits.empty() && *m_waits.begin() > m_now;
    };
    m_waiter.wait(lock, [&] { return m_running <= 0 || idle(); });
    if (m_running > 0) return *m_waits.begin();
    return std::nullopt;
}

void ManualTimeSource::RunToEnd() {
    while (const auto due = NextDeadline()) Advance(std::chrono::ceil<std::chrono::milliseconds>(*due - Now()));
}

}  // namespace korvane
