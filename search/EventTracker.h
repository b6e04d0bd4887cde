// Turns the changed share of each compared picture into events: change at or
// above the minimum size that lasts the minimum duration. Short drops below
// the minimum (an object behind a post, a picture the codec smeared) do not
// end an event. Times are the pictures' capture times, so the tracker runs
// the same on any clock.
#pragma once

#include <cstdint>
#include <optional>

#include "search/MotionSettings.h"

namespace korvane {

class EventTracker {
public:
    EventTracker(double minShare, std::int64_t minDurationMs);

    // One compared picture; returns the event that ended before it, if any.
    std::optional<MotionEvent> Add(std::int64_t timeMs, double share);
    // The end of the pictures: the event still open, if it lasted long enough.
    std::optional<MotionEvent> Finish();
    // Whether the last Add began a new run of change.
    bool Began() const { return m_began; }

    // How long a run of change may drop out without ending.
    static constexpr std::int64_t kHoldMs = 600;

private:
    std::optional<MotionEvent> Close();

    double m_minShare;
    std::int64_t m_minDurationMs;
    std::optional<std::int64_t> m_lastTime;
    std::int64_t m_interval = 0;  // between the last two pictures
    bool m_open = false;
    bool m_began = false;
    MotionEvent m_run;           // while open: start, last changed picture, peak
    std::int64_t m_runInterval = 0;
};

}  // namespace korvane
