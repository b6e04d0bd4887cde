// Where a headless run starts when the command line names a camera or a
// capture time (--camera N, --at "YYYY-MM-DD HH:MM:SS[.mmm]") instead of the
// first picture of the camera the file header picks.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/Notifier.h"
#include "playback/Session.h"

namespace korvane {

struct StartPoint {
    std::optional<int> camera;         // 0-based
    std::optional<std::int64_t> at;    // capture time, milliseconds

    bool Given() const { return camera || at; }
};

// Waits for the index, selects the camera and seeks to the time. False, with
// a message, when the index cannot be built or the camera has no picture.
bool GoToStartPoint(Session& session, Notifier& notifier, const StartPoint& start);

}  // namespace korvane
