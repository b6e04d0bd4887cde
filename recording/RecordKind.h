// Which records give a picture and which only feed the decoder: the one
// definition every layer asks.
#pragma once

#include <cstdint>

#include "recording/RecordLayout.h"

namespace korvane {

// A video record of type 0, 1 or 3: decoding it shows a picture.
constexpr bool GivesPicture(std::uint8_t mediaKind, std::uint8_t frameType) {
    return mediaKind == kMediaVideo &&
           (frameType == kFrameDependent || frameType == kFrameKey || frameType == kFrameGroup);
}

// A video record of type 2 or 4: it brings the decoder up to date (stream
// headers) but shows nothing of its own.
constexpr bool FeedsDecoderOnly(std::uint8_t mediaKind, std::uint8_t frameType) {
    return mediaKind == kMediaVideo && (frameType == kFrameDecoderOnly || frameType == kFrameDecoderOnly4);
}

inline bool GivesPicture(const FrameHeader& h) { return GivesPicture(h.mediaKind, h.frameType); }
inline bool FeedsDecoderOnly(const FrameHeader& h) { return FeedsDecoderOnly(h.mediaKind, h.frameType); }

}  // namespace korvane
