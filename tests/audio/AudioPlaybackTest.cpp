// PCM, G.721 and IMA ADPCM records played through SDL's disk driver, compared with the ffmpeg tool's
// decoding; the output's rate follow and ageing.
#include "audio/SoundPlayback.h"

#include <algorithm>
#include <chrono>
#include <ranges>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Notifier.h"
#include "tests/audio/AudioHeader.h"
#include "tests/audio/DiskAudio.h"
#include "authoring/FrameSource.h"
#include "tests/support/TestData.h"

namespace korvane {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Records = std::vector<Bytes>;

Bytes Join(const Records& parts) {
    const auto joined = parts | std::views::join;
    return {joined.begin(), joined.end()};
}

// The IMA ADPCM fixture: its 8 blocks and the ffmpeg tool's decoding of them.
const Records& ImaBlocks() {
    static const Records blocks = testing::ReadImaAdpcmWav(testing::TestData("ima_adpcm_8k.wav")).blocks;
    return blocks;
}
std::vector<std::int16_t> ImaByFfmpeg(std::size_t firstBlock = 0, std::size_t blocks = 8) {
    static const auto all = testing::FfmpegSamples("", testing::TestData("ima_adpcm_8k.wav"), testing::TempDir());
    const auto begin = all.begin() + static_cast<std::ptrdiff_t>(firstBlock * kImaBlockSamples);
    return {begin, std::min(all.end(), begin + static_cast<std::ptrdiff_t>(blocks * kImaBlockSamples))};
}

class AudioPlaybackTest : public ::testing::Test {
protected:
    testing::DiskAudio disk;
    WaveOutput waveOut;
    StderrNotifier notifier{false};
    std::chrono::steady_clock::time_point now{std::chrono::seconds(1000)};
    SoundPlayback playback{waveOut, notifier, [this] { return now; }};
};

TEST_F(AudioPlaybackTest, PlayAudioRecord_EachCodec_PlaysWhatTheFfmpegToolDecodes) {
    struct Case {  // codecs taken in turn; the format the records name; PlayAudioRecord's counts; the output's rate
        const char* name; Records records; std::vector<std::uint8_t> codecs; std::uint8_t bits; std::uint16_t rate;
        std::vector<std::uint32_t> counts; std::vector<std::int16_t> expected; std::uint32_t outputRate = 8000;
    };
    const auto pcm = testing::ReadWholeFile(testing::TestData("pcm_s16le_8k.raw"));
    const std::string g726 = testing::TestData("g726le_32k.g726");
    const auto byG726 = testing::FfmpegSamples("-f g726le -code_size 4 -sample_rate 8000", g726, disk.Dir());
    ASSERT_EQ(byG726.size(), 8072u);
    const auto& b = ImaBlocks();
    std::vector<std::int16_t> widened;  // 8-bit PCM as 16-bit samples
    for (std::uint8_t v : std::span(pcm).first(1000)) widened.push_back(std::int16_t((v - 128) * 256));
    // G.721 records play the same whatever format they name; PCM plays at the rate it names.
    const Case cases[] = {
        {"16-bit PCM as stored", testing::SplitBlocks(pcm, 2018), {kAudioCodecPcm}, 16, 8000,
         std::vector<std::uint32_t>(8, 2018), testing::SamplesFromBytes(pcm)},
        // One record: the output opened again for it plays at once, and a second record could come too late.
        {"8-bit PCM at 11,025 a second", testing::SplitBlocks(std::span(pcm).first(1000), 1000), {kAudioCodecPcm}, 8,
         11025, {2000}, widened, 11025},
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
        playback.PrepareAudio();  // a fresh G.721 stream; opens the output again, and SDL's file starts again
        const auto opens = waveOut.OpenCount();
        std::vector<std::uint32_t> counts;
        {
            // A record of another rate opens the output again: a device must not be closed while held.
            const auto held = c.outputRate == 8000 ? testing::HoldCallback(waveOut.DeviceId()) : nullptr;
            for (std::size_t i = 0; i < c.records.size(); ++i)
                counts.push_back(playback.PlayAudioRecord(
                    AudioHeader(c.codecs[i % c.codecs.size()], c.records[i].size(), c.bits, c.rate), c.records[i]));
        }
        EXPECT_EQ(counts, c.counts);
        // Opened again only for another rate.
        EXPECT_EQ(std::pair(waveOut.OpenCount(), waveOut.OutputRate()),
                  std::pair(opens + (c.outputRate != 8000 ? 1 : 0), c.outputRate));
        waveOut.CloseOutput();
        EXPECT_TRUE(testing::PlayedExactly(disk.Left(), c.expected));
    }
    EXPECT_TRUE(notifier.Messages().empty());
}

TEST_F(AudioPlaybackTest, PlayAudioRecord_ReopensTheOutputForAnotherRate_ImaAdpcmAlsoWhenOlderThan120Seconds) {
    struct Step {  // the output's opens and rate, and the age count's start, after a record at `second`
        int second; std::uint8_t bits; std::uint16_t rate; std::uint64_t opens; std::uint32_t outputRate, deviceTime;
        std::uint8_t codec = 17;  // IMA ADPCM
    };
    const Step steps[] = {
        {1000, 16, 8000, 1, 8000, 1000},    // the same format: the age count begins
        {1120, 16, 8000, 1, 8000, 1000},    // 120 s is not above the limit
        {1121, 16, 8000, 2, 8000, 0},       // older: reopened, and the count ends
        {1122, 16, 8000, 2, 8000, 1122},    // the count begins again
        {1123, 16, 11025, 3, 11025, 1122},  // another rate
        {5000, 0, 0, 3, 11025, 1122},       // no format named: left alone however old
        {5001, 0, 0, 4, 8000, 1122, kAudioCodecG721},  // G.721 plays at 8,000
        {5002, 8, 0, 4, 8000, 1122, kAudioCodecPcm},      // PCM naming no rate: left alone
        {5003, 16, 11025, 5, 11025, 1122, kAudioCodecPcm},  // PCM naming its rate
    };
    playback.PrepareAudio();
    const auto& block = ImaBlocks()[1];
    for (const Step& s : steps) {
        SCOPED_TRACE(s.second);
        now = std::chrono::steady_clock::time_point(std::chrono::seconds(s.second));
        const std::uint32_t bytes = s.codec == 17 ? 2018 : s.codec == kAudioCodecPcm ? 508 * (s.bits == 8 ? 2 : 1) : 2032;
        EXPECT_EQ(playback.PlayAudioRecord(AudioHeader(s.codec, block.size(), s.bits, s.rate), block), bytes);
        EXPECT_EQ(std::tuple(waveOut.OpenCount(), waveOut.OutputRate(), playback.AudioRate(), waveOut.OutputBits(),
                             playback.AudioDeviceTime()),
                  std::tuple(s.opens, s.outputRate, s.outputRate, 16u, s.deviceTime));
    }
    // PrepareAudio ends the count of an earlier run and opens the starting format.
    playback.PrepareAudio();
    EXPECT_EQ(std::tuple(playback.AudioDeviceTime(), waveOut.OpenCount(), waveOut.OutputRate()),
              std::tuple(0u, 6u, 8000u));
}

TEST_F(AudioPlaybackTest, PlayAudioRecord_CountsWhatItDecodesWithOrWithoutAnOutput_RefusedRecordsPlayNothing) {
    // One IMA ADPCM block and part of the next in 1,000 bytes.
    Bytes data = ImaBlocks()[3];
    data.resize(1000, 0x11);
    {
        testing::ScopedEnv driver("SDL_AUDIODRIVER", "korvane-no-such-driver");
        playback.PrepareAudio();
        EXPECT_EQ(waveOut.OutResult(), kWaveNoDriver);
        EXPECT_EQ(playback.PlayAudioRecord(AudioHeader(kAudioCodecPcm, 1000), data), 1000u);
        EXPECT_EQ(playback.PlayAudioRecord(AudioHeader(kAudioCodecG721, 1000), data), 4000u);
        EXPECT_EQ(playback.PlayAudioRecord(AudioHeader(17, 1000, 16, 11025), data), 2018u);
        EXPECT_EQ(waveOut.BlocksQueued(), 0u);
    }
    EXPECT_TRUE(notifier.Messages().empty());  // output failures are not reported
    playback.PrepareAudio();
    ASSERT_TRUE(waveOut.IsOutputOpen()) << SDL_GetError();
    // A header that claims more than was read, and IMA ADPCM without a whole block: nothing is queued, nor
    // is the output opened again for the rate such a record names.
    for (const FrameHeader& refused : {AudioHeader(kAudioCodecPcm, 5000), AudioHeader(kAudioCodecG721, 5000),
                                       AudioHeader(17, 5000, 16, 11025), AudioHeader(2, 300)})
        EXPECT_EQ(playback.PlayAudioRecord(refused, data), 0u);
    EXPECT_EQ(std::pair(waveOut.BlocksQueued(), waveOut.OpenCount()), std::pair(std::uint64_t(0), std::uint64_t(1)));
}

}  // namespace
}  // namespace korvane
