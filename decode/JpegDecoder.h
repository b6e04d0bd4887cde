// JPEG pictures (codec 9) through TurboJPEG: the picture is decoded at the
// JPEG's own size into 24-bit blue-green-red rows, top row first, held by a
// frame whose buffer comes from the decoder's pool. A buffer goes back to the
// pool when the last picture holding it goes, so steady decoding allocates
// no picture buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "media/FFmpegPtr.h"

namespace korvane {

class JpegDecoder {
public:
    JpegDecoder();
    ~JpegDecoder();
    JpegDecoder(const JpegDecoder&) = delete;
    JpegDecoder& operator=(const JpegDecoder&) = delete;

    // The JPEG's picture as a BGR24 frame; null when the data is not a JPEG
    // TurboJPEG can decode or its picture needs more than maxBytes bytes.
    AVFrameUPtr Decode(std::span<const std::uint8_t> data, std::size_t maxBytes);

private:
    TjHandleUPtr m_handle;
    AVBufferPoolUPtr m_pool;
    std::size_t m_poolBytes = 0;  // the size of each of the pool's buffers
};

}  // namespace korvane
