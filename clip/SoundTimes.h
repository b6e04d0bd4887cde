// Where a clip's sound records go on its time line, in samples from the
// clip's time 0: each at its capture time, never over the sound before it.
// A record whose capture time lies far outside the clip's pictures (a damaged
// time) follows the sound before it and is counted. Where each record is a
// packet of its own, a least step between their starts keeps the packets'
// times strictly increasing in the container's ticks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace korvane {

class SoundTimes {
public:
    // firstMs, lastMs: the capture times of the clip's time 0 and of its last picture.
    SoundTimes(std::int64_t firstMs, std::int64_t lastMs, int rate, std::int64_t leastStep = 0);

    // The first sample of a record captured at ms that follows the ones placed before it.
    std::int64_t Start(std::int64_t ms);
    // The record placed at start lasts `length` samples.
    void Placed(std::int64_t start, std::int64_t length);
    // The sample after the sound placed so far.
    std::int64_t Next() const { return m_next; }
    std::size_t OutOfOrder() const { return m_outOfOrder; }
    int Rate() const { return m_rate; }

    // How far outside the clip's pictures a sound record's time is taken as damaged.
    static constexpr std::int64_t kFarSeconds = 60;

private:
    std::int64_t m_firstMs, m_lastMs;
    int m_rate;
    std::int64_t m_leastStep;
    std::int64_t m_next = 0;
    std::optional<std::int64_t> m_lastStart;
    std::size_t m_outOfOrder = 0;
};

// Samples in a millisecond of sound, rounded up: packets that start this far
// apart keep distinct millisecond times.
inline std::int64_t SamplesPerMillisecond(int rate) { return (rate + 999) / 1000; }

}  // namespace korvane
