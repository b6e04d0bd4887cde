// Points a reusable packet at a copy of one record's data with the zeroed
// padding libavcodec reads past the end. The packet owns the copy and keeps
// it from record to record: a fresh buffer is taken only when it is too small
// or a decoder still holds a reference to it, and it only grows.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {
#include <libavcodec/packet.h>
}

namespace korvane {

bool FillPaddedPacket(AVPacket& packet, const std::uint8_t* data, std::size_t length);

}  // namespace korvane
