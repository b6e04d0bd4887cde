// IMA ADPCM conversion of 508-byte blocks, checked against the ffmpeg tool's
// decoding of the fixture file and against the tone it was made from.
#include "audio/ImaAdpcmConverter.h"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "tests/audio/DiskAudio.h"
#include "authoring/FrameSource.h"
#include "authoring/TempDir.h"

namespace korvane {
namespace {

constexpr std::uint8_t kGuard = 0xA5;

std::string Fixture(const char* name) { return std::string(KORVANE_TEST_DATA) + "/" + name; }

struct ImaFixture {
    std::vector<std::uint8_t> coded;      // the 8 blocks back to back
    std::vector<std::int16_t> byFfmpeg;   // what the ffmpeg tool decodes from the file
};

const ImaFixture& Ima() {
    static const ImaFixture fixture = [] {
        ImaFixture f;
        const std::string path = Fixture("ima_adpcm_8k.wav");
        for (const auto& block : testing::ReadImaAdpcmWav(path).blocks) {
            f.coded.insert(f.coded.end(), block.begin(), block.end());
        }
        testing::TempDir scratch;
        f.byFfmpeg = testing::FfmpegWavSamples(path, scratch);
        return f;
    }();
    return fixture;
}

std::span<const std::uint8_t> Blocks(std::size_t first, std::size_t count) {
    return std::span(Ima().coded).subspan(first * kImaBlockBytes, count * kImaBlockBytes);
}

std::vector<std::int16_t> FfmpegBlocks(std::size_t first, std::size_t count) {
    const auto& all = Ima().byFfmpeg;
    const auto begin = all.begin() + static_cast<std::ptrdiff_t>(first * kImaBlockSamples);
    return {begin, begin + static_cast<std::ptrdiff_t>(count * kImaBlockSamples)};
}

// A destination of `capacity` bytes with guard bytes behind it.
struct Destination {
    explicit Destination(std::size_t capacity) : bytes(capacity + 64, kGuard), capacity(capacity) {}
    std::span<std::uint8_t> Span() { return std::span(bytes).first(capacity); }
    bool GuardIntact(std::size_t from) const {
        for (std::size_t i = from; i < bytes.size(); ++i) {
            if (bytes[i] != kGuard) return false;
        }
        return true;
    }
    std::vector<std::int16_t> Samples(std::size_t length) const {
        return testing::SamplesFromBytes(std::span(bytes).first(length));
    }
    std::vector<std::uint8_t> bytes;
    std::size_t capacity;
};

class AudioDecoderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Ima().byFfmpeg.size(), 8 * kImaBlockSamples);
        ASSERT_EQ(decoder.Init(), 1);
        ASSERT_TRUE(decoder.IsOpen());
    }
    ImaAdpcmConverter decoder;
};

TEST_F(AudioDecoderTest, Convert_OneBlock_Gives2018BytesAsTheFfmpegToolDecodesThem) {
    for (std::size_t b = 0; b < 8; ++b) {
        Destination out(4096);
        std::uint32_t produced = 0;
        ASSERT_EQ(decoder.Convert(Blocks(b, 1), out.Span(), produced), 1);
        ASSERT_EQ(produced, 2018u) << "block " << b;
        EXPECT_EQ(out.Samples(produced), FfmpegBlocks(b, 1)) << "block " << b;
        EXPECT_TRUE(out.GuardIntact(4096));
    }
}

TEST_F(AudioDecoderTest, Convert_TwoBlocks_Gives4036BytesThatFitThePlayersBuffer) {
    for (std::size_t b = 0; b < 8; b += 2) {
        Destination out(4096);
        std::uint32_t produced = 0;
        ASSERT_EQ(decoder.Convert(Blocks(b, 2), out.Span(), produced), 1);
        ASSERT_EQ(produced, 4036u);
        EXPECT_EQ(out.Samples(produced), FfmpegBlocks(b, 2)) << "blocks " << b << " and " << b + 1;
        EXPECT_TRUE(out.GuardIntact(4096));
    }
}

TEST_F(AudioDecoderTest, Convert_MoreThanFits_StopsBeforeTheBlockThatWouldOverrun) {
    Destination out(4096);
    std::uint32_t produced = 0;
    ASSERT_EQ(decoder.Convert(Blocks(0, 3), out.Span(), produced), 1);
    EXPECT_EQ(produced, 4036u);
    EXPECT_EQ(out.Samples(produced), FfmpegBlocks(0, 2));
    EXPECT_TRUE(out.GuardIntact(produced));

    Destination small(2000);  // not even one block fits
    produced = 99;
    ASSERT_EQ(decoder.Convert(Blocks(0, 1), small.Span(), produced), 1);
    EXPECT_EQ(produced, 0u);
    EXPECT_TRUE(small.GuardIntact(0));
}

TEST_F(AudioDecoderTest, Convert_PartialBlock_ConvertsOnlyTheWholeBlocks) {
    std::vector<std::uint8_t> input(Blocks(3, 1).begin(), Blocks(3, 1).end());
    input.insert(input.end(), Blocks(4, 1).begin(), Blocks(4, 1).begin() + 300);  // 300 bytes of the next one
    Destination out(4096);
    std::uint32_t produced = 0;
    ASSERT_EQ(decoder.Convert(input, out.Span(), produced), 1);
    EXPECT_EQ(produced, 2018u);
    EXPECT_EQ(out.Samples(produced), FfmpegBlocks(3, 1));
    EXPECT_TRUE(out.GuardIntact(produced));

    produced = 99;
    ASSERT_EQ(decoder.Convert(Blocks(5, 1).first(300), out.Span(), produced), 1);
    EXPECT_EQ(produced, 0u);
}

TEST_F(AudioDecoderTest, Convert_FollowsTheToneTheBlocksWereMadeFrom) {
    const auto tone = testing::ReadSamples(Fixture("pcm_s16le_8k.raw"));
    ASSERT_EQ(tone.size(), 8 * kImaBlockSamples);
    for (std::size_t b = 0; b < 8; ++b) {
        Destination out(4096);
        std::uint32_t produced = 0;
        ASSERT_EQ(decoder.Convert(Blocks(b, 1), out.Span(), produced), 1);
        ASSERT_EQ(produced, 2018u);
        const auto samples = out.Samples(produced);
        // A block's header stores its first sample as it was.
        EXPECT_EQ(samples[0], tone[b * kImaBlockSamples]) << "block " << b;
        if (b == 0) continue;  // the first block starts from the smallest step and needs time to adapt
        double sum = 0;
        for (std::size_t i = 0; i < kImaBlockSamples; ++i) {
            const double d = samples[i] - tone[b * kImaBlockSamples + i];
            sum += d * d;
        }
        EXPECT_LT(std::sqrt(sum / kImaBlockSamples), 200.0) << "block " << b;
    }
}

TEST(AudioDecoderLifecycle, Convert_WithoutAnOpenStream_LeavesProducedAsItWas) {
    ImaAdpcmConverter decoder;
    Destination out(4096);
    std::uint32_t produced = 1234;
    EXPECT_EQ(decoder.Convert(Blocks(0, 1), out.Span(), produced), 0);
    EXPECT_EQ(produced, 1234u);
    EXPECT_TRUE(out.GuardIntact(0));

    ASSERT_EQ(decoder.Init(), 1);
    decoder.Close();
    EXPECT_FALSE(decoder.IsOpen());
    EXPECT_EQ(decoder.Convert(Blocks(0, 1), out.Span(), produced), 0);
    EXPECT_EQ(produced, 1234u);

    ASSERT_EQ(decoder.Init(), 1);  // opens again after a close
    EXPECT_EQ(decoder.Convert(Blocks(0, 1), out.Span(), produced), 1);
    EXPECT_EQ(produced, 2018u);
}

TEST(AudioDecoderLifecycle, Init_ForACodingWithoutConverter_FailsAndConvertsNothing) {
    ImaAdpcmConverter decoder(0x55);  // MPEG layer 3
    EXPECT_EQ(decoder.Init(), 0);
    EXPECT_FALSE(decoder.IsOpen());
    Destination out(4096);
    std::uint32_t produced = 7;
    EXPECT_EQ(decoder.Convert(Blocks(0, 1), out.Span(), produced), 0);
    EXPECT_EQ(produced, 7u);
    EXPECT_TRUE(out.GuardIntact(0));
}

}  // namespace
}  // namespace korvane
