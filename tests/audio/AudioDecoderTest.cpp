// IMA ADPCM conversion of 508-byte blocks, checked against the ffmpeg tool's
// decoding of the fixture file.
#include "audio/ImaAdpcmConverter.h"

#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "tests/audio/DiskAudio.h"
#include "authoring/FrameSource.h"
#include "authoring/TempDir.h"

namespace korvane {
namespace {

constexpr std::uint8_t kGuard = 0xA5;

class AudioDecoderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::string path = std::string(KORVANE_TEST_DATA) + "/ima_adpcm_8k.wav";
        for (const auto& block : testing::ReadImaAdpcmWav(path).blocks) s_coded.insert(s_coded.end(), block.begin(), block.end());
        s_byFfmpeg = testing::FfmpegSamples("", path, testing::TempDir());
    }
    void SetUp() override { ASSERT_EQ(s_byFfmpeg.size(), 8 * kImaBlockSamples); }

    static std::span<const std::uint8_t> Blocks(std::size_t first, std::size_t count, std::size_t extra = 0) {
        return std::span(s_coded).subspan(first * kImaBlockBytes, count * kImaBlockBytes + extra);
    }
    static std::vector<std::int16_t> FfmpegBlocks(std::size_t first, std::size_t count) {
        const auto begin = s_byFfmpeg.begin() + static_cast<std::ptrdiff_t>(first * kImaBlockSamples);
        return {begin, begin + static_cast<std::ptrdiff_t>(count * kImaBlockSamples)};
    }
    // Converts into a destination of `capacity` bytes with guard bytes behind
    // it; returns what Convert returned and the samples produced, and checks
    // that nothing was written past them.
    static std::pair<int, std::vector<std::int16_t>> Convert(ImaAdpcmConverter& converter,
                                                             std::span<const std::uint8_t> src,
                                                             std::size_t capacity = 4096) {
        std::vector<std::uint8_t> dst(capacity + 64, kGuard);
        std::uint32_t produced = 1234;
        const int result = converter.Convert(src, std::span(dst).first(capacity), produced);
        const std::size_t end = result == 0 ? 0 : produced;
        if (result == 0) {
            EXPECT_EQ(produced, 1234u);  // left as it was
        }
        EXPECT_TRUE(std::all_of(dst.begin() + static_cast<std::ptrdiff_t>(end), dst.end(),
                                [](std::uint8_t b) { return b == kGuard; }));
        return {result, testing::SamplesFromBytes(std::span(dst).first(end))};
    }

    static inline std::vector<std::uint8_t> s_coded;     // the 8 blocks back to back
    static inline std::vector<std::int16_t> s_byFfmpeg;  // what the ffmpeg tool decodes from the file
};

TEST_F(AudioDecoderTest, Convert_WholeBlocksThatFit_GiveWhatTheFfmpegToolDecodes) {
    struct Case {
        std::size_t first, count, extra, capacity;
        std::size_t decoded;  // blocks expected from `first` on
    };
    std::vector<Case> cases;
    for (std::size_t b = 0; b < 8; ++b) cases.push_back({b, 1, 0, 4096, 1});  // 2,018 bytes each
    for (std::size_t b = 0; b < 8; b += 2) cases.push_back({b, 2, 0, 4096, 2});  // 4,036: the player's buffer
    cases.push_back({0, 3, 0, 4096, 2});    // stops before the block that would overrun
    cases.push_back({0, 1, 0, 2000, 0});    // not even one block fits
    cases.push_back({3, 1, 300, 4096, 1});  // 300 bytes of the next block are left out
    cases.push_back({5, 0, 300, 4096, 0});

    ImaAdpcmConverter converter;
    ASSERT_EQ(converter.Init(), 1);
    ASSERT_TRUE(converter.IsOpen());
    for (const Case& c : cases) {
        const auto [result, samples] = Convert(converter, Blocks(c.first, c.count, c.extra), c.capacity);
        EXPECT_EQ(result, 1);
        EXPECT_EQ(samples, FfmpegBlocks(c.first, c.decoded))
            << c.count << " blocks from " << c.first << " and " << c.extra << " bytes into " << c.capacity;
    }
}

TEST_F(AudioDecoderTest, Convert_WithoutAnOpenStream_ConvertsNothing) {
    ImaAdpcmConverter never, closed, mp3(0x55);  // MPEG layer 3 has no converter
    ASSERT_EQ(closed.Init(), 1);
    closed.Close();
    EXPECT_FALSE(closed.IsOpen());
    EXPECT_EQ(mp3.Init(), 0);
    EXPECT_FALSE(mp3.IsOpen());
    for (ImaAdpcmConverter* converter : {&never, &closed, &mp3}) EXPECT_EQ(Convert(*converter, Blocks(0, 1)).first, 0);

    ASSERT_EQ(closed.Init(), 1);  // opens again after a close
    EXPECT_EQ(Convert(closed, Blocks(0, 1)).second, FfmpegBlocks(0, 1));
}

}  // namespace
}  // namespace korvane
