#include "clip/SoundTimes.h"

#include <algorithm>

namespace korvane {

SoundTimes::SoundTimes(std::int64_t firstMs, std::int64_t lastMs, int rate, std::int64_t leastStep)
    : m_firstMs(firstMs), m_lastMs(lastMs), m_rate(rate), m_leastStep(leastStep) {}

std::int64_t SoundTimes::Start(std::int64_t ms) {
    std::int64_t start = m_next;
    if (ms < m_firstMs - kFarSeconds * 1000 || ms > m_lastMs + kFarSeconds * 1000)
        ++m_outOfOrder;
    else
        start = std::max(start, (ms - m_firstMs) * m_rate / 1000);
    if (m_lastStart) start = std::max(start, *m_lastStart + m_leastStep);
    return start;
}

void SoundTimes::Placed(std::int64_t start, std::int64_t length) {
    m_lastStart = start;
    m_next = start + length;
}

}  // namespace korvane
