#include "playback/PlaybackClock.h"

namespace korvane {

std::int64_t PlaybackClock::NowLocked(TimeSource::TimePoint now) const {
    if (!m_running) return m_anchor;
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - m_anchorAt).count();
    return m_anchor + elapsed * m_rate;
}

std::int64_t PlaybackClock::Now() const {
    const auto now = m_time.Now();
    std::lock_guard lock(m_mutex);
    return NowLocked(now);
}

void PlaybackClock::Set(std::int64_t captureMs) {
    Anchor(captureMs, m_time.Now());
    m_time.Poke();  // the streams waiting for the clock work out their deadlines again
}

void PlaybackClock::Anchor(std::int64_t captureMs, TimeSource::TimePoint at) {
    std::int64_t moved = 0;
    {
        std::lock_guard lock(m_mutex);
        moved = captureMs - NowLocked(at);
        m_anchor = captureMs;
        m_anchorAt = at;
    }
    // The sound's small corrections leave the waits as they are.
    if (moved > kShiftUnnoticed || moved < -kShiftUnnoticed) m_time.Poke();
}

void PlaybackClock::Run(int rate) {
    const auto now = m_time.Now();
    std::lock_guard lock(m_mutex);
    m_anchor = NowLocked(now);
    m_anchorAt = now;
    m_rate = rate == 0 ? 1 : rate;
    m_running = true;
}

void PlaybackClock::Pause() {
    const auto now = m_time.Now();
    std::lock_guard lock(m_mutex);
    m_anchor = NowLocked(now);
    m_anchorAt = now;
    m_running = false;
}

int PlaybackClock::Rate() const {
    std::lock_guard lock(m_mutex);
    return m_rate;
}

bool PlaybackClock::Running() const {
    std::lock_guard lock(m_mutex);
    return m_running;
}

TimeSource::TimePoint PlaybackClock::When(std::int64_t captureMs) const {
    const auto now = m_time.Now();
    std::lock_guard lock(m_mutex);
    const std::int64_t ahead = captureMs - NowLocked(now);  // in capture ms
    if (!m_running || ahead == 0 || (ahead > 0) != (m_rate > 0)) return now;
    // In time-source ms, rounded up, so that the clock has reached the time when the wait ends.
    const std::int64_t whole = (ahead + m_rate - (m_rate > 0 ? 1 : -1)) / m_rate;
    return now + std::chrono::milliseconds(whole);
}

}  // namespace korvane
