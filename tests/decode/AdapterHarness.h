// Puts the codec adapter classes behind one small interface so that the same
// checks run over each of them: one coded picture in, the adapter's result
// and reported size out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "decode/AvVideoDecoder.h"
#include "authoring/FrameSource.h"

namespace korvane::testing {

struct AdapterOutput {
    int result = 0;
    int width = 0;
    int height = 0;
};

class AdapterUnderTest {
public:
    virtual ~AdapterUnderTest() = default;
    virtual AdapterOutput Decode(const VideoFrame& frame, std::uint8_t* picture,
                                 std::size_t capacity) = 0;
    virtual RowOrder Order() const = 0;
};

// MP4 codec adapter set up with MPEG4DecodeInit(width, height, mode, ...),
// every picture asked for at width x height.
std::unique_ptr<AdapterUnderTest> MakeMp4Codec(int width, int height, int mode);
// Second MPEG-4 decoder initialised with {flag, width, height, 3, 1, 1, 73, 0}.
std::unique_ptr<AdapterUnderTest> MakeMp4A(int width, int height, std::uint32_t flag = 1);
// H.264 decoder initialised with {0, width, height, 3, 1, 1, 73, 0}.
std::unique_ptr<AdapterUnderTest> MakeH264(int width, int height);
// SDI decoder initialised with {0, width, height}.
std::unique_ptr<AdapterUnderTest> MakeSdi(int width, int height);
std::unique_ptr<AdapterUnderTest> MakeJpeg();

}  // namespace korvane::testing
