// JPEG pictures (codec 9) through TurboJPEG: the picture is decoded at the
// JPEG's own size into 24-bit blue-green-red rows, top row first.
#pragma once

#include <cstddef>
#include <cstdint>

#include "media/FFmpegPtr.h"

namespace korvane {

class JpegDecoder {
public:
    JpegDecoder();
    ~JpegDecoder();
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;

    // Reads the JPEG's size, then decodes it into picture. Returns 1 with the
    // size in widthOut/heightOut, or 0 when the data is not a JPEG TurboJPEG
    // can decode or its picture needs more than pictureCapacity bytes (then
    // nothing is written).
    int Decode(const std::uint8_t* data, std::size_t length, std::uint8_t* picture,
               std::size_t pictureCapacity, int* widthOut, int* heightOut);

private:
    TjHandleUPtr m_handle;
};

}  // namespace korvane
