#include "controls/TimelineScale.h"

#include <algorithm>
#include <cmath>

namespace korvane {
namespace {

double LengthOf(const ClockSegment& s) { return double(std::max<std::int64_t>(s.last - s.first, 1)); }

}  // namespace

void TimelineScale::SetSegments(std::vector<ClockSegment> segments) {
    m_segments = std::move(segments);
    m_viewFrom = 0;
    m_viewLength = Length();
}

double TimelineScale::Length() const {
    double length = 0;
    for (const ClockSegment& s : m_segments) length += LengthOf(s);
    return std::max(length, 1.0);
}

double TimelineScale::PositionOf(std::int64_t time) const {
    if (m_segments.empty()) return 0;
    // The first stretch that covers the time; before or after every stretch, the nearest end.
    double before = 0;
    for (const ClockSegment& s : m_segments) {
        if (time >= s.first && time <= s.last) return before + double(time - s.first);
        before += LengthOf(s);
    }
    return time < m_segments.front().first ? 0 : Length();
}

std::int64_t TimelineScale::TimeAtPosition(double position) const {
    if (m_segments.empty()) return 0;
    double at = std::clamp(position, 0.0, Length());
    for (const ClockSegment& s : m_segments) {
        if (at <= LengthOf(s)) return std::min<std::int64_t>(s.first + std::int64_t(std::floor(at + 1e-6)), s.last);
        at -= LengthOf(s);
    }
    return m_segments.back().last;
}

std::int64_t TimelineScale::TimeAt(double fraction) const {
    return TimeAtPosition(m_viewFrom + std::clamp(fraction, 0.0, 1.0) * m_viewLength);
}

double TimelineScale::FractionOf(std::int64_t time) const { return (PositionOf(time) - m_viewFrom) / m_viewLength; }

std::vector<std::int64_t> TimelineScale::Jumps() const {
    std::vector<std::int64_t> jumps;
    for (std::size_t i = 1; i < m_segments.size(); ++i) jumps.push_back(m_segments[i].first);
    return jumps;
}

void TimelineScale::ZoomAt(double fraction, double notches) {
    if (m_segments.empty()) return;
    const double anchor = m_viewFrom + fraction * m_viewLength;
    const double shortest = std::min(double(kShortestView), Length());
    m_viewLength = std::clamp(m_viewLength * std::pow(kNotch, -notches), shortest, Length());
    m_viewFrom = anchor - fraction * m_viewLength;
    Clamp();
}

void TimelineScale::MoveBy(double fraction) {
    m_viewFrom += fraction * m_viewLength;
    Clamp();
}

void TimelineScale::Clamp() { m_viewFrom = std::clamp(m_viewFrom, 0.0, Length() - m_viewLength); }

}  // namespace korvane
