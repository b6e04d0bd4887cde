#include "controls/ClockSegments.h"

#include <algorithm>

namespace korvane {

std::vector<ClockSegment> ClockSegments(const CameraTrack& track) {
    std::vector<ClockSegment> segments;
    std::int64_t previous = 0;
    for (const CameraTrack::Segment& recording : track.Segments()) for (const std::uint32_t i : recording.entries) {
        const IndexEntry& entry = (*recording.index)[i];
        if (!entry.IsPicture()) continue;
        if (segments.empty() || entry.time < previous) {
            segments.push_back({entry.time, entry.time});
        } else {
            segments.back().last = std::max(segments.back().last, entry.time);
        }
        previous = entry.time;
    }
    return segments;
}

}  // namespace korvane
