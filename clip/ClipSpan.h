// Which records of a recording go into a clip: one camera's video records
// from the key record of the picture at or before the start time to the last
// picture at or before the end time, and that camera's audio records in the
// same stretch of the file. Found from the record heads alone.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "recording/RecordFile.h"
#include "recording/RecordLayout.h"

namespace korvane {

struct ClipRecord {
    std::uint32_t file = 0;  // which of the span's recordings, in play order
    std::uint64_t offset = 0;
    FrameHeader header;

    std::uint64_t dataAt() const { return offset + kRecordHeadSize; }
    // Video records of these types give a picture; the others only feed the decoder.
    bool presentsPicture() const {
        return header.frameType == kFrameDependent || header.frameType == kFrameKey ||
               header.frameType == kFrameGroup;
    }
};

struct ClipSpan {
    std::vector<ClipRecord> video;  // in file order, first one a key or decoder-only record
    std::vector<ClipRecord> audio;  // in file order
    std::size_t pictures = 0;
    std::uint64_t spanBytes = 0;    // from the first record's head to the last record's data end
};

struct SpanLimits {
    int camera = 0;                     // the camera byte of the records
    std::optional<std::int64_t> fromMs; // capture milliseconds
    std::optional<std::int64_t> toMs;
};

// Walks the chain from the first record to the end of the data (or the first
// record that is not in the file or not marked). The span holds no picture
// when the camera has none at or before the end time.
ClipSpan SelectSpan(const RecordFile& file, const RecordingFileHeader& header, const SpanLimits& limits);

}  // namespace korvane
