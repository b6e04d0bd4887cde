// The timeline's scale: the stretches of capture time it covers laid side
// by side (a clock set back gives several), a position along them for every
// time, and the part of them the strip shows: all of it, or zoomed in
// around a point down to a few seconds and moved sideways.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "controls/ClockSegments.h"

namespace korvane {

class TimelineScale {
public:
    static constexpr std::int64_t kShortestView = 4000;  // ms: the deepest zoom
    static constexpr double kNotch = 1.25;              // one wheel notch

    // The stretches in chain order; the whole of them shown.
    void SetSegments(std::vector<ClockSegment> segments);
    const std::vector<ClockSegment>& Segments() const { return m_segments; }
    bool Empty() const { return m_segments.empty(); }

    // The time at a fraction (0 to 1) of the part shown, and the fraction of a
    // time (outside 0 to 1 when it lies outside the part shown).
    std::int64_t TimeAt(double fraction) const;
    double FractionOf(std::int64_t time) const;
    // Where each stretch after the first starts, as a time.
    std::vector<std::int64_t> Jumps() const;

    // Zooms by `notches` (in when positive), keeping the time at `fraction` where it is.
    void ZoomAt(double fraction, double notches);
    // Moves the part shown by `fraction` of its length (positive: later), within the whole.
    void MoveBy(double fraction);
    bool Zoomed() const { return m_viewLength < Length(); }
    // The length of the part shown in ms of scale.
    double ViewLength() const { return m_viewLength; }

private:
    double Length() const;  // of all stretches side by side, at least 1 ms each
    double PositionOf(std::int64_t time) const;
    std::int64_t TimeAtPosition(double position) const;
    void Clamp();

    std::vector<ClockSegment> m_segments;
    double m_viewFrom = 0;    // position along the stretches
    double m_viewLength = 1;
};

}  // namespace korvane
