#include "search/EventTracker.h"

#include <algorithm>

namespace korvane {

EventTracker::EventTracker(double minShare, std::int64_t minDurationMs)
    : m_minShare(minShare), m_minDurationMs(minDurationMs) {}

std::optional<MotionEvent> EventTracker::Close() {
    m_open = false;
    // A picture stands for the interval up to the next one: with key
    // pictures two seconds apart, one changed key is two seconds of change.
    if (m_run.endMs - m_run.startMs + m_runInterval < m_minDurationMs) return std::nullopt;
    return m_run;
}

std::optional<MotionEvent> EventTracker::Add(std::int64_t timeMs, double share) {
    if (m_lastTime && timeMs > *m_lastTime) m_interval = timeMs - *m_lastTime;
    m_lastTime = timeMs;
    std::optional<MotionEvent> ended;
    m_began = false;
    // Dropouts shorter than the hold, or than two picture intervals when
    // pictures are sparse, keep the run going.
    const std::int64_t hold = std::max(kHoldMs, 2 * m_interval);
    if (m_open && timeMs - m_run.endMs > hold) ended = Close();
    if (share >= m_minShare && share > 0) {
        if (!m_open) {
            m_open = true;
            m_began = true;
            m_run = {timeMs, timeMs, 0};
        }
        m_run.endMs = std::max(m_run.endMs, timeMs);
        m_run.peakPercent = std::max(m_run.peakPercent, share * 100.0);
        m_runInterval = m_interval;
    }
    return ended;
}

std::optional<MotionEvent> EventTracker::Finish() {
    if (!m_open) return std::nullopt;
    return Close();
}

}  // namespace korvane
