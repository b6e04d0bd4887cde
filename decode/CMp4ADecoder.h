// The second MPEG-4 decoder (codec 8) over libavcodec's mpeg4 decoder. It
// writes the picture top row first and reports its size: the stream's own,
// with the coded widths 720 and 368 delivered at the displayed 704 and 352,
// and a picture a little larger than the initialised size centre-cropped.
#pragma once

#include <cstdint>

#include "decode/AvVideoDecoder.h"
#include "decode/DecoderBlocks.h"

namespace korvane {

class CMp4ADecoder {
public:
    CMp4ADecoder();
    ~CMp4ADecoder();
    CMp4ADecoder(const CMp4ADecoder&) = delete;
    CMp4ADecoder& operator=(const CMp4ADecoder&) = delete;

    // 1 when the decoder is set up, 0 when libavcodec refused.
    std::uint8_t Initialize(const VideoInitBlock& block);
    // Non-zero when a picture was written to block.picture; its size is then
    // in block.widthOut and block.heightOut.
    int Decompress(Mp4ADecompressBlock& block);
    void Release();

private:
    AvVideoDecoder m_decoder;
    PictureSize m_initialized;
};

}  // namespace korvane
