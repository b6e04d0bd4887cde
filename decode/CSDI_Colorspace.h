// The SDI decoder of codecs 11 and 14: the records of the HD cameras are
// H.264 access units, decoded by libavcodec's h264 decoder. The picture is
// written bottom row first at the stream's own size (a picture a little
// larger than the initialised size is centre-cropped). The size of the last
// Initialize stays readable, so that the player can tell when to initialise
// again.
#pragma once

#include <cstdint>

#include "decode/AvVideoDecoder.h"
#include "decode/DecoderBlocks.h"

namespace korvane {

class CSDI_Colorspace {
public:
    CSDI_Colorspace();
    ~CSDI_Colorspace();
    CSDI_Colorspace(const CSDI_Colorspace&) = delete;
    CSDI_Colorspace& operator=(const CSDI_Colorspace&) = delete;

    int Initialize(const SdiInitBlock& block);
    // Non-zero when a picture was written to block.picture; its size is then
    // in block.widthOut and block.heightOut.
    int Decompress(SdiDecompressBlock& block);
    void Release();

    int InitializedWidth() const { return m_initialized.width; }
    int InitializedHeight() const { return m_initialized.height; }

private:
    AvVideoDecoder m_decoder;
    PictureSize m_initialized;
};

}  // namespace korvane
