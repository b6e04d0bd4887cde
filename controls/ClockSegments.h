// The stretches of a camera's pictures between the points where the
// recorder's clock was set back (or where a recording begins before the one
// before it ends): in play order, each with capture times that never go
// back. A camera whose clock never went back is one stretch.
#pragma once

#include <cstdint>
#include <vector>

#include "recording/CameraTrack.h"

namespace korvane {

struct ClockSegment {
    std::int64_t first = 0;  // the earliest and the latest capture time in it
    std::int64_t last = 0;
};

std::vector<ClockSegment> ClockSegments(const CameraTrack& track);

}  // namespace korvane
