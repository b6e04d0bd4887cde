// What a container must know of a camera's video before the first packet:
// the codec, the picture size and the stream headers (H.264 parameter sets,
// MPEG-4 VOS/VOL), found in the first records of the span.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "clip/ClipMuxer.h"

namespace korvane {

// The codec a record's codec byte names in a container; AV_CODEC_ID_NONE for
// a codec the player does not know.
AVCodecID ContainerCodec(std::uint8_t recordCodec);

// The set-up from the records up to the first picture (file order): headers
// from them, the size from decoding them. Nothing when they decode to no picture.
std::optional<VideoTrack> ProbeVideo(AVCodecID codec, const std::vector<std::vector<std::uint8_t>>& records);

// Whether a record's data holds a coded picture, not only stream headers
// (H.264 parameter sets, MPEG-4 VOS/VOL).
bool HoldsPicture(AVCodecID codec, std::span<const std::uint8_t> data);

// The NAL units of an Annex B H.264 stream, without their start codes.
std::vector<std::span<const std::uint8_t>> SplitNalUnits(std::span<const std::uint8_t> stream);

}  // namespace korvane
