// The one audio record decoder, coding by coding, against the ffmpeg tool's decoding of the fixtures;
// records it must refuse, and records whose header claims less than the bytes read.
#include "audio/AudioRecordDecoder.h"

#include <map>
#include <optional>
#include <ranges>
#include <vector>

#include <gtest/gtest.h>

#include "authoring/FrameSource.h"
#include "tests/audio/AudioHeader.h"
#include "tests/audio/DiskAudio.h"
#include "tests/support/TestData.h"

namespace korvane {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Samples = std::vector<std::int16_t>;

// The records' samples one after the other; nothing when one is refused.
std::optional<Samples> DecodeAll(AudioRecordDecoder& decoder, const std::vector<Bytes>& records, std::uint8_t codec,
                                 std::uint8_t bits = 0) {
    Samples all;
    for (const Bytes& r : records) {
        const auto samples = decoder.Decode(AudioHeader(codec, r.size(), bits), r);
        if (!samples) return std::nullopt;
        all.insert(all.end(), samples->begin(), samples->end());
    }
    return all;
}

// The ffmpeg tool's decoding of the G.721 and IMA ADPCM fixtures, made once.
const Samples& ByFfmpeg(const char* options, const char* fixture) {
    static std::map<std::string, Samples> made;
    auto [at, fresh] = made.try_emplace(fixture);
    if (fresh) {
        const testing::TempDir scratch;
        at->second = testing::FfmpegSamples(options, testing::TestData(fixture), scratch);
    }
    return at->second;
}

class AudioRecordDecoderTest : public ::testing::Test {
protected:
    Samples Ima(std::size_t first, std::size_t blocks) {
        const auto begin = ima.begin() + static_cast<std::ptrdiff_t>(first * kImaBlockSamples);
        return {begin, begin + static_cast<std::ptrdiff_t>(blocks * kImaBlockSamples)};
    }
    const std::string g726File = testing::TestData("g726le_32k.g726");
    const Samples& g726 = ByFfmpeg("-f g726le -code_size 4 -sample_rate 8000", "g726le_32k.g726");
    const Samples& ima = ByFfmpeg("", "ima_adpcm_8k.wav");
    const Bytes pcm = testing::ReadWholeFile(testing::TestData("pcm_s16le_8k.raw"));
    const std::vector<Bytes> blocks = testing::ReadImaAdpcmWav(testing::TestData("ima_adpcm_8k.wav")).blocks;
    AudioRecordDecoder decoder;
};

TEST_F(AudioRecordDecoderTest, Decode_EachCoding_GivesWhatTheFfmpegToolDecodes) {
    ASSERT_EQ(g726.size(), 8072u);
    ASSERT_EQ(ima.size(), 8 * kImaBlockSamples);
    const auto joined = [](const std::vector<Bytes>& parts) {
        const auto all = parts | std::views::join;
        return Bytes(all.begin(), all.end());
    };
    const auto& b = blocks;
    Bytes odd(pcm.begin(), pcm.begin() + 2019);  // one byte of a sample too many
    struct Case {
        const char* name; std::vector<Bytes> records; std::uint8_t codec, bits; Samples expected;
    };
    const Case cases[] = {
        {"16-bit PCM naming no format", testing::SplitBlocks(pcm, 1600), kAudioCodecPcm, 0, testing::SamplesFromBytes(pcm)},
        {"16-bit PCM", testing::SplitBlocks(pcm, 2018), kAudioCodecPcm, 16, testing::SamplesFromBytes(pcm)},
        {"16-bit PCM of an odd length", {odd}, kAudioCodecPcm, 16, testing::SamplesFromBytes(std::span(odd).first(2018))},
        {"8-bit PCM, unsigned", {{0, 128, 255}, {64, 129}}, kAudioCodecPcm, 8, {-32768, 0, 32512, -16384, 256}},
        {"G.721 in 800-byte records: the state runs on", testing::ReadAudioBlocks(g726File, 800), kAudioCodecG721, 0, g726},
        {"G.721 of codec 10 in one record", {testing::ReadWholeFile(g726File)}, kAudioCodecG721b, 8, g726},
        {"G.721 of codec 13", testing::ReadAudioBlocks(g726File, 1500), kAudioCodecG721c, 16, g726},
        {"IMA ADPCM of two blocks, then one", {joined({b[0], b[1]}), b[2]}, 2, 16, Ima(0, 3)},
        {"IMA ADPCM of eight blocks", {joined(b)}, 17, 0, Ima(0, 8)},
        {"IMA ADPCM with part of a block behind", {joined({b[3], Bytes(b[4].begin(), b[4].begin() + 300)})}, 2, 16,
         Ima(3, 1)},
        {"an empty record of each coding", {{}}, kAudioCodecPcm, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        decoder.Restart();  // G.721 from the start of its stream
        EXPECT_EQ(DecodeAll(decoder, c.records, c.codec, c.bits), c.expected);
    }
    for (std::uint8_t codec : {std::uint8_t(kAudioCodecG721), std::uint8_t(2)})
        EXPECT_EQ(DecodeAll(decoder, {{}}, codec), Samples{});

    // Without a restart G.721 goes on from where it was, which a restart undoes.
    const Bytes first = testing::ReadAudioBlocks(g726File, 800).front();
    const Samples fromStart(g726.begin(), g726.begin() + 1600);
    decoder.Restart();
    ASSERT_EQ(DecodeAll(decoder, {first}, kAudioCodecG721), fromStart);
    EXPECT_NE(DecodeAll(decoder, {first}, kAudioCodecG721), fromStart);
    decoder.Restart();
    EXPECT_EQ(DecodeAll(decoder, {first}, kAudioCodecG721), fromStart);
}

TEST_F(AudioRecordDecoderTest, Decode_ShortOrMalformed_IsRefusedAndNothingPastTheClaimedLengthIsRead) {
    // The header claims more than was read: refused, whatever the coding.
    const Bytes& block = blocks[0];
    for (std::uint8_t codec : {std::uint8_t(kAudioCodecPcm), std::uint8_t(kAudioCodecG721), std::uint8_t(2)})
        for (std::uint8_t bits : {8, 16})
            EXPECT_FALSE(decoder.Decode(AudioHeader(codec, block.size() + 1, bits), block)) << int(codec);
    // Not even one IMA ADPCM block.
    EXPECT_FALSE(decoder.Decode(AudioHeader(2, 300), std::span(block).first(300)));
    // The header claims less than was read: only the bytes it claims are decoded.
    const Bytes twoBlocks = [&] {
        Bytes both = blocks[0];
        both.insert(both.end(), blocks[1].begin(), blocks[1].end());
        return both;
    }();
    struct Case { std::uint8_t codec, bits; std::size_t claimed; Samples expected; };
    const Case cases[] = {
        {kAudioCodecPcm, 16, 1000, testing::SamplesFromBytes(std::span(twoBlocks).first(1000))},
        {kAudioCodecPcm, 8, 3, {static_cast<std::int16_t>((twoBlocks[0] - 128) * 256),
                               static_cast<std::int16_t>((twoBlocks[1] - 128) * 256),
                               static_cast<std::int16_t>((twoBlocks[2] - 128) * 256)}},
        {2, 0, kImaBlockBytes, Ima(0, 1)},
    };
    for (const Case& c : cases) {
        const auto samples = decoder.Decode(AudioHeader(c.codec, c.claimed, c.bits), twoBlocks);
        ASSERT_TRUE(samples) << int(c.codec);
        EXPECT_EQ(Samples(samples->begin(), samples->end()), c.expected) << int(c.codec);
    }
    decoder.Restart();
    const auto g721 = decoder.Decode(AudioHeader(kAudioCodecG721, 10), twoBlocks);
    ASSERT_TRUE(g721);
    EXPECT_EQ(g721->size(), 20u);
}

TEST(AudioRecordDecoderRates, SampleRateOf_IsTheNamedRateOfPcmAndImaAdpcm_G721IsAlways8000) {
    struct Case { std::uint8_t codec, bits; std::uint16_t rate; int expected; AudioCoding coding; };
    const Case cases[] = {
        {kAudioCodecPcm, 16, 11025, 11025, AudioCoding::Pcm16}, {kAudioCodecPcm, 8, 16000, 16000, AudioCoding::Pcm8},
        {kAudioCodecPcm, 0, 0, 8000, AudioCoding::Pcm16},       {kAudioCodecG721, 16, 11025, 8000, AudioCoding::G721},
        {kAudioCodecG721b, 8, 0, 8000, AudioCoding::G721},      {kAudioCodecG721c, 0, 0, 8000, AudioCoding::G721},
        {2, 16, 11025, 11025, AudioCoding::ImaAdpcm},           {17, 0, 0, 8000, AudioCoding::ImaAdpcm},
    };
    for (const Case& c : cases) {
        const FrameHeader header = AudioHeader(c.codec, 0, c.bits, c.rate);
        EXPECT_EQ(std::pair(SampleRateOf(header), CodingOf(header)), std::pair(c.expected, c.coding)) << int(c.codec);
    }
}

}  // namespace
}  // namespace korvane
