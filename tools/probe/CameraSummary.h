// korvane-probe --summary: for each camera with pictures (or the one asked
// for), the number of pictures and key pictures, the first and last capture
// time and every gap of more than a second, from the recording's index.
#pragma once

#include <iosfwd>
#include <optional>

#include "recording/RecordFile.h"

namespace korvane::probe {

// Text for people, or one JSON object a line for scripts: {"camera" (from 1),
// "pictures", "keys", "first", "last", "gaps": [{"from", "to"}]}, times as
// "YYYY-MM-DD HH:MM:SS.mmm". Returns 0 when the chain was indexed to dataEnd,
// 1 when it stopped early or the camera asked for (0-based) has no picture.
int writeCameraSummary(const RecordFile& file, std::optional<int> camera, bool json, std::ostream& out);

}  // namespace korvane::probe
