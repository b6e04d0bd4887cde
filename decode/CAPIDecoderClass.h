// The H.264 decoder of codecs 10 and 13 over libavcodec's h264 decoder. It
// writes the picture bottom row first and reports the stream's own size; a
// picture a little larger than the initialised size is centre-cropped.
#pragma once

#include <cstdint>

#include "decode/AvVideoDecoder.h"
#include "decode/DecoderBlocks.h"

namespace korvane {

class CAPIDecoderClass {
public:
    CAPIDecoderClass();
    ~CAPIDecoderClass();
    CAPIDecoderClass(const CAPIDecoderClass&) = delete;
    CAPIDecoderClass& operator=(const CAPIDecoderClass&) = delete;

    std::uint8_t Initialize(const VideoInitBlock& block);
    // Non-zero when a picture was written to block.picture; its size is then
    // in block.widthOut and block.heightOut.
    int Decompress(H264DecompressBlock& block);
    void Release();

private:
    AvVideoDecoder m_decoder;
    PictureSize m_initialized;
};

}  // namespace korvane
