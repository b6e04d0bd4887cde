// The stretches of a camera's pictures between the points where the
// recorder's clock was set back: in chain order, each with capture times
// that never go back. A recording whose clock never went back is one stretch.
#pragma once

#include <cstdint>
#include <vector>

#include "recording/RecordIndex.h"

namespace korvane {

struct ClockSegment {
    std::int64_t first = 0;  // the earliest and the latest capture time in it
    std::int64_t last = 0;
};

std::vector<ClockSegment> ClockSegments(const RecordIndex& index, int camera);

}  // namespace korvane
