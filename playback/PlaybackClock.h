// The session's one clock: a capture time (ms) that runs at a rate, forward
// or backward, on a time source. Every mode paces against it and every
// stream shows its latest picture at or before it. When sound plays, the
// sound output sets it (what is heard is what is shown). Safe to read from
// any thread.
#pragma once

#include <cstdint>
#include <mutex>

#include "playback/TimeSource.h"

namespace korvane {

class PlaybackClock {
public:
    explicit PlaybackClock(TimeSource& time) : m_time(time) {}

    // The capture time now.
    std::int64_t Now() const;
    // Puts the clock at a capture time from now on (keeps its rate and whether
    // it runs); every wait on the time source works its deadline out again.
    void Set(std::int64_t captureMs);
    // The capture time `captureMs` is at the moment `at` (the sound output's
    // reckoning); the clock runs on from there at its rate.
    void Anchor(std::int64_t captureMs, TimeSource::TimePoint at);
    // Runs at `rate` times the recorded pace: positive forward, negative backward.
    void Run(int rate);
    void Pause();

    int Rate() const;
    bool Running() const;
    // The moment the running clock reaches `captureMs`; now when it is
    // already there or past, or when the clock does not run towards it.
    TimeSource::TimePoint When(std::int64_t captureMs) const;
    TimeSource& Source() const { return m_time; }

    // A move of the clock (ms) that waits for it do not need to hear of.
    static constexpr std::int64_t kShiftUnnoticed = 20;

private:
    std::int64_t NowLocked(TimeSource::TimePoint now) const;

    TimeSource& m_time;
    mutable std::mutex m_mutex;  // guards the fields below
    std::int64_t m_anchor = 0;   // capture time at m_anchorAt
    TimeSource::TimePoint m_anchorAt{};
    int m_rate = 1;
    bool m_running = false;
};

}  // namespace korvane
