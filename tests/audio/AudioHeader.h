// The head of a sound record as the audio layer reads it: codec, length and format.
#pragma once

#include <cstddef>
#include <cstdint>

#include "recording/RecordLayout.h"

namespace korvane {

inline FrameHeader AudioHeader(std::uint8_t codec, std::size_t length, std::uint8_t bits = 0, std::uint16_t rate = 0) {
    FrameHeader header;
    header.mediaKind = kMediaAudio;
    header.codec = codec;
    header.dataLength = static_cast<std::uint32_t>(length);
    header.setAudioFormat(bits, rate);
    return header;
}

}  // namespace korvane
