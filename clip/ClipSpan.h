// Which records go into a clip: one camera's records in play order, across
// the recordings of a set, found through the camera's track (the one record
// walk): its video records from the key record of the picture at or before
// the start time to the last picture at or before the end time, and its
// sound records among them and right after the last picture.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "recording/RecordKind.h"
#include "recording/RecordLayout.h"
#include "recording/RecordingSet.h"

namespace korvane {

struct ClipRecord {
    std::uint32_t file = 0;  // the recording's number in the set
    std::uint64_t offset = 0;
    FrameHeader header;

    std::uint64_t dataAt() const { return offset + kRecordHeadSize; }
    bool givesPicture() const { return GivesPicture(header); }
};

struct ClipSpan {
    std::vector<ClipRecord> video;  // in play order, first one a key or decoder-only record
    std::vector<ClipRecord> audio;  // in play order
    std::size_t pictures = 0;
};

struct SpanLimits {
    int camera = 0;                      // 0-based
    std::optional<std::int64_t> fromMs;  // capture milliseconds
    std::optional<std::int64_t> toMs;
};

// The span holds no picture when the camera has none at or before the end
// time; `error` names a recording whose record heads cannot be read again.
ClipSpan SpanOnTrack(const RecordingSet& set, const SpanLimits& limits, std::string& error);

}  // namespace korvane
