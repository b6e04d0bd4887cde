// The parameter blocks the player hands to its video decoder classes. The
// words keep their order and meaning; pointers are real pointers, and every
// block that carries a picture pointer also carries the picture's capacity in
// bytes so that no decoder can write past it. A zero capacity refuses every
// picture.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace korvane {

// Initialisation of the second MPEG-4 decoder and of the H.264 decoder:
// {flag, width, height, 3, 1, 1, 73, 0}. Only width and height steer the
// decoding; the other words are kept as the player sends them.
struct VideoInitBlock {
    std::uint32_t flag = 0;  // 0 for the first initialisation, 1 afterwards
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t bytesPerPixel = 3;
    std::uint32_t reserved4 = 1;
    std::uint32_t reserved5 = 1;
    std::uint32_t reserved6 = 73;
    std::uint32_t reserved7 = 0;
};

// One record for the second MPEG-4 decoder: {data, length, picture, width
// out, height out, 0}.
struct Mp4ADecompressBlock {
    const std::uint8_t* data = nullptr;
    std::uint32_t length = 0;
    std::uint8_t* picture = nullptr;
    std::uint32_t widthOut = 0;   // filled in on success
    std::uint32_t heightOut = 0;  // filled in on success
    std::uint32_t reserved5 = 0;
    std::size_t pictureCapacity = 0;
};

// One record for the H.264 decoder: as above plus the record's frame type in
// the low byte of the seventh word.
struct H264DecompressBlock {
    const std::uint8_t* data = nullptr;
    std::uint32_t length = 0;
    std::uint8_t* picture = nullptr;
    std::uint32_t widthOut = 0;
    std::uint32_t heightOut = 0;
    std::uint32_t reserved5 = 0;
    std::uint32_t frameType = 0;  // low byte: the record's frame type
    std::size_t pictureCapacity = 0;
};

// Initialisation of the SDI decoder: {0, width, height}.
struct SdiInitBlock {
    std::uint32_t reserved0 = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};

// One record for the SDI decoder: twelve words, all zero but the picture
// (word 0), the size out (words 2 and 3), the data length (word 7) and the
// data (word 11).
struct SdiDecompressBlock {
    std::uint8_t* picture = nullptr;
    std::uint32_t reserved1 = 0;
    std::uint32_t widthOut = 0;
    std::uint32_t heightOut = 0;
    std::array<std::uint32_t, 3> reserved4{};
    std::uint32_t length = 0;
    std::array<std::uint32_t, 3> reserved8{};
    const std::uint8_t* data = nullptr;
    std::size_t pictureCapacity = 0;
};

}  // namespace korvane
