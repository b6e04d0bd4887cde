// Pictures for an incident's report: a camera's picture at a capture time
// (the latest at or before it), decoded from its key record as the player
// decodes it.
#pragma once

#include <QImage>

#include <cstdint>
#include <optional>

#include "recording/RecordingSet.h"

namespace korvane {

// A null image when the picture does not decode.
QImage PictureAt(const RecordingSet& set, int camera, std::int64_t ms, std::int64_t& shownMs);

}  // namespace korvane
