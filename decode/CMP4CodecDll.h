// The MPEG-4 decoder of codecs 5, 6 and 7 over libavcodec's mpeg4 decoder.
// The mode picks the row order: 0 top row first, 1 and 2 bottom row first.
// A picture is always written at the width and height asked for; in mode 1
// the widths 360 and 720 stand for the displayed 352 and 704, and a coded
// picture a little larger than that is centre-cropped.
#pragma once

#include <cstddef>
#include <cstdint>

#include "decode/AvVideoDecoder.h"

namespace korvane {

class CMP4CodecDll {
public:
    CMP4CodecDll();
    ~CMP4CodecDll();
    CMP4CodecDll(const CMP4CodecDll&) = delete;
    CMP4CodecDll& operator=(const CMP4CodecDll&) = delete;

    // Sets the decoder up afresh; 1 on success, 0 when libavcodec refused.
    int MPEG4DecodeInit(int width, int height, int mode, int second, int reserved);
    // Decodes one record into picture (pictureCapacity bytes). Returns 1 when
    // a picture of OutputWidth(width, mode) x height was written, else 0.
    int MPEG4Decode(const std::uint8_t* data, std::uint8_t* picture, int width, int height,
                    int length, int reserved, int mode, std::size_t pictureCapacity);
    int MPEG4DecodeClose(int mode);

    // The width of the rows written for an asked width in a mode.
    static int OutputWidth(int width, int mode);

private:
    AvVideoDecoder m_decoder;
};

}  // namespace korvane
