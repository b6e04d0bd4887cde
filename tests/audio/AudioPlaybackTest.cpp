// IMA ADPCM conversion, and PCM, G.721 and IMA ADPCM records played through SDL's disk driver,
// compared with the ffmpeg tool's decoding; the output's format follow and ageing.
#include "audio/SoundPlayback.h"

#include <algorithm>
#include <chrono>
#include <ranges>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Notifier.h"
#include "tests/audio/DiskAudio.h"
#include "authoring/FrameSource.h"

namespace korvane {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Records = std::vector<Bytes>;

std::string Fixture(const char* name) { return std::string(KORVANE_TEST_DATA) + "/" + name; }

Bytes Join(const Records& parts) {
    const auto joined = parts | std::views::join;
    return {joined.begin(), joined.end()};
}

// The IMA ADPCM fixture: its 8 blocks and the ffmpeg tool's decoding of them.
const Records& ImaBlocks() {
    static const Records blocks = testing::ReadImaAdpcmWav(Fixture("ima_adpcm_8k.wav")).blocks;
    return blocks;
}
std::vector<std::int16_t> ImaByFfmpeg(std::size_t firstBlock = 0, std::size_t blocks = 8) {
    static const auto all = testing::FfmpegSamples("", Fixture("ima_adpcm_8k.wav"), testing::TempDir());
    const auto begin = all.begin() + static_cast<std::ptrdiff_t>(firstBlock * kImaBlockSamples);
    return {begin, std::min(all.end(), begin + static_cast<std::ptrdiff_t>(blocks * kImaBlockSamples))};
}

// Converts `src` into `capacity` bytes with guard bytes behind them; returns Convert's result and the samples
// produced, checking that nothing was written past them and that a failure leaves `produced` alone.
std::pair<int, std::vector<std::int16_t>> Convert(ImaAdpcmConverter& converter, std::span<const std::uint8_t> src,
                                                  std::size_t capacity = 4096) {
    constexpr std::uint8_t kGuard = 0xA5;
    Bytes dst(capacity + 64, kGuard);
    std::uint32_t produced = 1234;
    const int result = converter.Convert(src, std::span(dst).first(capacity), produced);
    const std::size_t end = result == 0 ? 0 : produced;
    EXPECT_TRUE(result != 0 || produced == 1234u) << produced;
    const auto behind = std::span(dst).subspan(end);
    EXPECT_EQ(std::ranges::count(behind, kGuard), std::ssize(behind));
    return {result, testing::SamplesFromBytes(std::span(dst).first(end))};
}

TEST(ImaAdpcmConverterTest, Convert_WholeBlocksThatFitAnOpenStream_GiveWhatTheFfmpegToolDecodes) {
    ASSERT_EQ(ImaByFfmpeg().size(), 8 * kImaBlockSamples);
    const Bytes coded = Join(ImaBlocks());
    struct Case { std::size_t first, count, extra, capacity, decoded; };  // `decoded` blocks from `first` on
    std::vector<Case> cases;
    for (std::size_t b = 0; b < 8; ++b) cases.push_back({b, 1, 0, 4096, 1});      // 2,018 bytes each
    for (std::size_t b = 0; b < 8; b += 2) cases.push_back({b, 2, 0, 4096, 2});  // 4,036: the player's buffer
    // Stops before the block that would overrun; not even one fits; 300 bytes of the next block are left out.
    cases.insert(cases.end(), {{0, 3, 0, 4096, 2}, {0, 1, 0, 2000, 0}, {3, 1, 300, 4096, 1}, {5, 0, 300, 4096, 0}});
    ImaAdpcmConverter converter, never, closed, mp3(0x55);  // MPEG layer 3 has no converter
    ASSERT_EQ(converter.Init(), 1);
    for (const Case& c : cases) {
        const auto src = std::span(coded).subspan(c.first * kImaBlockBytes, c.count * kImaBlockBytes + c.extra);
        EXPECT_EQ(Convert(converter, src, c.capacity), std::pair(1, ImaByFfmpeg(c.first, c.decoded)))
            << c.count << " blocks from " << c.first << " and " << c.extra << " bytes into " << c.capacity;
    }
    ASSERT_EQ(closed.Init(), 1);
    closed.Close();
    EXPECT_EQ(mp3.Init(), 0);
    for (ImaAdpcmConverter* none : {&never, &closed, &mp3})
        EXPECT_EQ(std::pair(none->IsOpen(), Convert(*none, ImaBlocks()[0]).first), std::pair(false, 0));
    ASSERT_EQ(closed.Init(), 1);  // opens again after a close
    EXPECT_EQ(Convert(closed, ImaBlocks()[0]).second, ImaByFfmpeg(0, 1));
}

FrameHeader AudioHeader(std::uint8_t codec, std::size_t length, std::uint8_t bits = 0, std::uint16_t rate = 0) {
    FrameHeader header;  // what PlayAudioRecord reads of it
    header.codec = codec;
    header.dataLength = static_cast<std::uint32_t>(length);
    header.setAudioFormat(bits, rate);
    return header;
}

class AudioPlaybackTest : public ::testing::Test {
protected:
    testing::DiskAudio disk;
    WaveOutput waveOut;
    ImaAdpcmConverter converter;
    StderrNotifier notifier{false};
    std::chrono::steady_clock::time_point now{std::chrono::seconds(1000)};
    SoundPlayback playback{waveOut, converter, notifier, [this] { return now; }};
};

TEST_F(AudioPlaybackTest, PlayAudioRecord_EachCodec_PlaysWhatTheFfmpegToolDecodes) {
    struct Case {  // codecs taken in turn; the format the records name; PlayAudioRecord's counts
        const char* name; Records records; std::vector<std::uint8_t> codecs; std::uint8_t bits; std::uint16_t rate;
        std::vector<std::uint32_t> counts; std::vector<std::int16_t> expected;
    };
    const auto pcm = testing::ReadWholeFile(Fixture("pcm_s16le_8k.raw"));
    const std::string g726 = Fixture("g726le_32k.g726");
    const auto byG726 = testing::FfmpegSamples("-f g726le -code_size 4 -sample_rate 8000", g726, disk.Dir());
    ASSERT_EQ(byG726.size(), 8072u);
    const auto& b = ImaBlocks();
    // PCM and G.721 records play the same whatever format they name.
    const Case cases[] = {
        {"PCM as stored", testing::SplitBlocks(pcm, 2018), {kAudioCodecPcm}, 8, 11025,
         std::vector<std::uint32_t>(8, 2018), testing::SamplesFromBytes(pcm)},
        {"G.721 in 800-byte records", testing::ReadAudioBlocks(g726, 800),
         {kAudioCodecG721, kAudioCodecG721b, kAudioCodecG721c}, 8, 11025, {3200, 3200, 3200, 3200, 3200, 144}, byG726},
        {"G.721 over the buffer's 1,024 bytes", {testing::ReadWholeFile(g726)}, {kAudioCodecG721}, 0, 0, {4 * 4036},
         byG726},
        {"IMA ADPCM of two blocks, then one", {Join({b[0], b[1]}), Join({b[2], b[3]}), b[4], b[5], b[6], b[7]}, {2},
         16, 8000, {4036, 4036, 2018, 2018, 2018, 2018}, ImaByFfmpeg()},
        {"IMA ADPCM of eight blocks", {Join(b)}, {5}, 0, 0, {8 * 2018}, ImaByFfmpeg()},
    };
    playback.PrepareAudio();
    ASSERT_TRUE(waveOut.IsOutputOpen()) << SDL_GetError();
    ASSERT_EQ(waveOut.SetVolume(0, 0), 1);  // turned down in the last run: PrepareAudio sets it full again
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A fresh player each: a run leaves the G.721 decoder's state behind.
        SoundPlayback player(waveOut, converter, notifier);
        player.PrepareAudio();  // opens the output again, and SDL's file starts again
        EXPECT_TRUE(player.ConverterOpen());
        const auto opens = waveOut.OpenCount();
        std::vector<std::uint32_t> counts;
        {
            const auto held = testing::HoldCallback(waveOut.DeviceId());
            for (std::size_t i = 0; i < c.records.size(); ++i)
                counts.push_back(player.PlayAudioRecord(
                    AudioHeader(c.codecs[i % c.codecs.size()], c.records[i].size(), c.bits, c.rate), c.records[i]));
        }
        EXPECT_EQ(counts, c.counts);
        EXPECT_EQ(waveOut.OpenCount(), opens);  // the format named is the one already open, or ignored
        waveOut.CloseOutput();
        EXPECT_TRUE(testing::PlayedExactly(disk.Left(), c.expected));
    }
    EXPECT_TRUE(notifier.Messages().empty());
}

TEST_F(AudioPlaybackTest, PlayAudioRecord_ImaAdpcm_ReopensTheOutputForANewFormatOrWhenOlderThan120Seconds) {
    struct Step {  // the output's opens and rate, and the age count's start, after a record at `second`
        int second; std::uint8_t bits; std::uint16_t rate; std::uint64_t opens; std::uint32_t outputRate, deviceTime;
    };
    const Step steps[] = {
        {1000, 16, 8000, 1, 8000, 1000},    // the same format: the age count begins
        {1120, 16, 8000, 1, 8000, 1000},    // 120 s is not above the limit
        {1121, 16, 8000, 2, 8000, 0},       // older: reopened, and the count ends
        {1122, 16, 8000, 2, 8000, 1122},    // the count begins again
        {1123, 16, 11025, 3, 11025, 1122},  // another rate
        {5000, 0, 0, 3, 11025, 1122},       // no format named: left alone however old
    };
    playback.PrepareAudio();
    const auto& block = ImaBlocks()[1];
    for (const Step& s : steps) {
        SCOPED_TRACE(s.second);
        now = std::chrono::steady_clock::time_point(std::chrono::seconds(s.second));
        EXPECT_EQ(playback.PlayAudioRecord(AudioHeader(17, block.size(), s.bits, s.rate), block), 2018u);
        EXPECT_EQ(std::tuple(waveOut.OpenCount(), waveOut.OutputRate(), playback.AudioRate(), waveOut.OutputBits(),
                             playback.AudioDeviceTime()),
                  std::tuple(s.opens, s.outputRate, s.outputRate, 16u, s.deviceTime));
    }
    // PrepareAudio ends the count of an earlier run and opens the starting format.
    playback.PrepareAudio();
    EXPECT_EQ(std::tuple(playback.AudioDeviceTime(), waveOut.OpenCount(), waveOut.OutputRate()),
              std::tuple(0u, 4u, 8000u));
}

TEST_F(AudioPlaybackTest, PrepareAudio_OpensTheConverterOnceOrShowsItsError_RecordsArePacedWithoutAnOutput) {
    {
        testing::ScopedEnv driver("SDL_AUDIODRIVER", "korvane-no-such-driver");
        playback.PrepareAudio();
        EXPECT_EQ(waveOut.OutResult(), kWaveNoDriver);
        // Without an output a record reports the bytes of its buffer: here one IMA ADPCM block and part
        // of the next in 1,000 bytes, behind a header that claims 5,000.
        Bytes data = ImaBlocks()[3];
        data.resize(1000, 0x11);
        EXPECT_EQ(playback.PlayAudioRecord(AudioHeader(kAudioCodecPcm, 5000), data), 1000u);
        EXPECT_EQ(playback.PlayAudioRecord(AudioHeader(kAudioCodecG721, 5000), data), 4000u);
        EXPECT_EQ(playback.PlayAudioRecord(AudioHeader(17, 5000, 16, 11025), data), 2018u);
        EXPECT_EQ(waveOut.BlocksQueued(), 0u);
    }
    EXPECT_TRUE(playback.ConverterOpen());
    converter.Close();  // a second run does not open it again
    playback.PrepareAudio();
    EXPECT_FALSE(converter.IsOpen());
    EXPECT_TRUE(notifier.Messages().empty());  // nor are output failures reported

    ImaAdpcmConverter missing(0x55);
    SoundPlayback without(waveOut, missing, notifier);
    without.PrepareAudio();
    EXPECT_EQ(notifier.Messages(), std::vector<std::string>{kAudioDecoderInitErrorText});
    EXPECT_FALSE(without.ConverterOpen());
    EXPECT_TRUE(waveOut.IsOutputOpen());  // the run goes on
    const auto queued = waveOut.BlocksQueued();
    EXPECT_EQ(without.PlayAudioRecord(AudioHeader(17, 508, 16, 8000), ImaBlocks()[0]), 0u);
    EXPECT_EQ(waveOut.BlocksQueued(), queued);
    EXPECT_EQ(without.PlayAudioRecord(AudioHeader(kAudioCodecG721, 100), ImaBlocks()[0]), 400u);
    without.PrepareAudio();  // tried again at the next run
    EXPECT_EQ(notifier.Messages().size(), 2u);
}

}  // namespace
}  // namespace korvane
