// Steady decoding allocates nothing of the player's own per picture: once a
// first pass has set up the decoder, its pools and the scaler, a second pass
// asks the heap for nothing from the player's code. What the libraries ask
// for themselves is printed, and is never a new picture buffer.
#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

extern "C" {
#include <libavutil/mem.h>
}

#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"
#include "decode/PicturePipeline.h"
#include "media/FFmpegPtr.h"
#include "tests/decode/AllocationCounter.h"
#include "tests/support/GuiApp.h"

namespace korvane::testing {
namespace {

std::string DataFile(const std::string& name) { return std::string(KORVANE_TEST_DATA) + "/" + name; }

TEST(AllocationCounter, PutsAllocationsDownToTheirRequester_OnlyOnTheCountingThread) {
    constexpr int kElsewhere = 200;
    StartCountingAllocations();
    auto owned = std::make_unique<std::vector<int>>(100);
    // The pointers escape, so the compiler cannot leave the allocations out.
    asm volatile("" : : "g"(owned.get()) : "memory");
    void* asked = av_malloc(5000);
    av_free(asked);
    AVCodecContextUPtr(avcodec_alloc_context3(nullptr)).reset();
    std::thread([] {
        std::vector<std::unique_ptr<int>> elsewhere;
        for (int i = 0; i < kElsewhere; ++i) elsewhere.push_back(std::make_unique<int>(i));
    }).join();
    const AllocationReport report = StopCountingAllocations();

    // make_unique, the vector's storage and the av_malloc block were asked
    // for here; the codec context by libavcodec.
    EXPECT_GE(report.Own(), 3u) << report.Describe();
    EXPECT_GE(report.OfModule("libavcodec.so"), 1u) << report.Describe();
    EXPECT_GE(report.largest, 5000u);
    // Starting the thread allocates a little here; its own loop is not counted.
    EXPECT_LT(report.count, static_cast<std::size_t>(kElsewhere) / 4) << report.Describe();
}

struct StreamCase {
    const char* name;
    const char* file;
    std::uint8_t codec;
    int width, height;
    bool extension;  // the size through an extension block, not the resolution code
    bool caption;    // a recorded caption drawn into every picture
};

void PrintTo(const StreamCase& c, std::ostream* out) { *out << c.name; }

class SteadyDecoding : public ::testing::TestWithParam<StreamCase> {
protected:
    static void SetUpTestSuite() { EnsureGuiApp(); }
};

TEST_P(SteadyDecoding, SecondPass_AllocatesNothingOfOurOwn_NorAnyPictureBuffer) {
    const StreamCase& c = GetParam();
    const std::vector<VideoFrame> frames = ReadVideoFrames(DataFile(c.file));
    ASSERT_GE(frames.size(), 10u);
    const FrameExtension extension = MakeExtension(static_cast<std::uint16_t>(c.width),
                                                   static_cast<std::uint16_t>(c.height), "Loading bay");
    Caption caption = MakeCaption("Harbor Street Market  #0001", 16, 16);
    caption.descriptor.textLength = static_cast<std::uint32_t>(caption.text.size());
    const std::span<const std::uint8_t> captionText(reinterpret_cast<const std::uint8_t*>(caption.text.data()),
                                                    c.caption ? caption.text.size() : 0);
    std::vector<FrameHeader> headers(frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        FrameHeader& h = headers[i];
        h.marker = kRecordMarker;
        h.mediaKind = kMediaVideo;
        h.codec = c.codec;
        h.resolution = 15;
        h.frameType = frames[i].key ? kFrameKey : kFrameDependent;
        h.timeStamp = AddMilliseconds(MakeTime(2024, 3, 14, 9, 30, 0, 0), static_cast<std::int64_t>(i) * 40);
        h.dataLength = h.totalLength = static_cast<std::uint32_t>(frames[i].bytes.size());
        h.extFlags = c.extension ? 1 : 0;
    }

    PicturePipeline decoding;
    auto pass = [&] {
        int pictures = 0;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            pictures += decoding.DecodeVideoFrame(headers[i], extension, frames[i].bytes,
                                                  c.caption ? &caption.descriptor : nullptr, captionText, 1);
        }
        return pictures;
    };
    ASSERT_EQ(pass(), static_cast<int>(frames.size())) << "warm-up pass";

    StartCountingAllocations();
    const int pictures = pass();
    const AllocationReport report = StopCountingAllocations();

    ASSERT_EQ(pictures, static_cast<int>(frames.size()));
    std::cout << "[ info     ] " << c.name << ", " << frames.size() << " pictures: " << report.Describe() << "\n";
    EXPECT_EQ(report.Own(), 0u) << report.Describe();
    EXPECT_EQ(report.OfModule("libswscale.so"), 0u) << "the scaler is made anew: " << report.Describe();
    const std::size_t lumaPlane = static_cast<std::size_t>(c.width) * static_cast<std::size_t>(c.height);
    EXPECT_LT(report.largest, lumaPlane) << "a picture buffer per picture: " << report.Describe();
}

INSTANTIATE_TEST_SUITE_P(
    Streams, SteadyDecoding,
    ::testing::Values(StreamCase{"Sdi_1280x720", "h264_1280x720.h264", 11, 1280, 720, true, false},
                      StreamCase{"H264_704x480", "h264_704x480.h264", 10, 704, 480, false, false},
                      StreamCase{"Mpeg4_704x480", "mpeg4_704x480.m4v", 5, 704, 480, false, false},
                      StreamCase{"Mpeg4StreamSize_704x480", "xvid_704x480.m4v", 8, 704, 480, true, false},
                      StreamCase{"Jpeg_704x480", "mjpeg_704x480.mjpeg", 9, 704, 480, false, false},
                      StreamCase{"Mpeg4_704x480_Caption", "mpeg4_704x480.m4v", 5, 704, 480, false, true}),
    [](const ::testing::TestParamInfo<StreamCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace korvane::testing
