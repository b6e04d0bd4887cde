// korvane-probe --summary: for each camera with pictures (or the one asked
// for), the number of pictures and key pictures, the first and last capture
// time and every gap of more than a second, from the index of one recording
// or of a set (several files, a folder), where it also gives the recordings
// of each camera and where they overlap.
#pragma once

#include <iosfwd>
#include <optional>

#include "recording/RecordingSet.h"

namespace korvane::probe {

// Text for people, or one JSON object a line for scripts: {"camera" (from 1),
// "pictures", "keys", "first", "last", "gaps": [{"from", "to"}]}, times as
// "YYYY-MM-DD HH:MM:SS.mmm"; for a set of more than one recording also
// "files" and "overlaps". Returns 0 when every chain was indexed to
// dataEnd, 1 when one stopped early or the camera asked for (0-based) has no picture.
int writeCameraSummary(const RecordingSet& set, std::optional<int> camera, bool json, std::ostream& out);

}  // namespace korvane::probe
