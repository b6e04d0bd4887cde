// Which records go into a clip: one camera's records in play order, across
// the recordings of a set, found through the camera's track (the one record
// walk): its video records from the key record of the picture at or before
// the start time to the last picture at or before the end time, and its
// sound records among them and right after the last picture. The span is
// taken from the index alone: the records' heads are read again with their
// data, in the one pass over each recording (HeadOf).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "recording/RecordIndex.h"
#include "recording/RecordKind.h"
#include "recording/RecordLayout.h"
#include "recording/RecordingSet.h"

namespace korvane {

struct ClipRecord {
    std::uint32_t file = 0;  // the recording's number in the set
    IndexEntry entry;        // offset, capture time, kind, type, codec and (sound) format

    std::uint64_t offset() const { return entry.offset; }
    std::uint64_t dataAt() const { return offset() + kRecordHeadSize; }
    bool givesPicture() const { return entry.IsPicture(); }
};

// Decodes a record's head, read with its data, and checks it against what the
// index holds of it; nothing when it differs (the file changed).
std::optional<FrameHeader> HeadOf(const ClipRecord& record, std::span<const std::uint8_t, kRecordHeadSize> bytes);

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

// The span holds no picture when the camera has none at or before the end time.
ClipSpan SpanOnTrack(const RecordingSet& set, const SpanLimits& limits);

}  // namespace korvane
