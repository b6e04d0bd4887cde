#include "controls/ClockSegments.h"

#include <algorithm>

namespace korvane {

std::vector<ClockSegment> ClockSegments(const RecordIndex& index, int camera) {
    std::vector<ClockSegment> segments;
    std::int64_t previous = 0;
    for (std::size_t i = 0; i < index.Size(); ++i) {
        const IndexEntry& entry = index[i];
        if (!entry.IsPicture() || entry.camera != camera) continue;
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
