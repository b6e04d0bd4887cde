// The audio record path of play with sound: PCM, G.721 and IMA ADPCM records
// played through SDL's disk driver and compared with the ffmpeg tool's
// decoding; the output's format follow and ageing; the converter's failure.
#include "audio/SoundPlayback.h"

#include <chrono>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Notifier.h"
#include "tests/audio/DiskAudio.h"
#include "authoring/FrameSource.h"

namespace korvane {
namespace {

using Records = std::vector<std::vector<std::uint8_t>>;

std::string Fixture(const char* name) { return std::string(KORVANE_TEST_DATA) + "/" + name; }

FrameHeader AudioHeader(std::uint8_t codec, std::size_t length, std::uint8_t bits = 0, std::uint16_t rate = 0) {
    FrameHeader header;
    header.marker = kRecordMarker;
    header.mediaKind = kMediaAudio;
    header.codec = codec;
    header.dataLength = header.totalLength = static_cast<std::uint32_t>(length);
    header.setAudioFormat(bits, rate);
    return header;
}

const Records& ImaBlocks() {
    static const Records blocks = testing::ReadImaAdpcmWav(Fixture("ima_adpcm_8k.wav")).blocks;
    return blocks;
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
    struct Case {
        const char* name;
        Records records;
        std::vector<std::uint8_t> codecs;  // taken in turn
        std::uint8_t bits;                 // the format the records name
        std::uint16_t rate;
        std::vector<std::uint32_t> counts;
        std::vector<std::int16_t> expected;
    };
    const auto pcm = testing::ReadWholeFile(Fixture("pcm_s16le_8k.raw"));
    const std::string g726 = Fixture("g726le_32k.g726");
    const auto byG726 = testing::FfmpegSamples("-f g726le -code_size 4 -sample_rate 8000", g726, disk.Dir());
    const auto byIma = testing::FfmpegSamples("", Fixture("ima_adpcm_8k.wav"), disk.Dir());
    ASSERT_EQ(byG726.size(), 8072u);
    ASSERT_EQ(byIma.size(), 8072u);
    const auto& b = ImaBlocks();
    const auto join = [](std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& c) {
        a.insert(a.end(), c.begin(), c.end());
        return a;
    };
    Records eightBlocks(1);
    for (const auto& block : b) eightBlocks[0] = join(eightBlocks[0], block);
    // PCM and G.721 records play the same whatever format they name.
    const Case cases[] = {
        {"PCM as stored", testing::SplitBlocks(pcm, 2018), {kAudioCodecPcm}, 8, 11025,
         std::vector<std::uint32_t>(8, 2018), testing::SamplesFromBytes(pcm)},
        {"G.721 in 800-byte records", testing::ReadAudioBlocks(g726, 800),
         {kAudioCodecG721, kAudioCodecG721b, kAudioCodecG721c}, 8, 11025, {3200, 3200, 3200, 3200, 3200, 144}, byG726},
        {"G.721 over the buffer's 1,024 bytes", {testing::ReadWholeFile(g726)}, {kAudioCodecG721}, 0, 0, {4 * 4036},
         byG726},
        {"IMA ADPCM of two blocks, then one", {join(b[0], b[1]), join(b[2], b[3]), b[4], b[5], b[6], b[7]}, {2},
         16, 8000, {4036, 4036, 2018, 2018, 2018, 2018}, byIma},
        {"IMA ADPCM of eight blocks", eightBlocks, {5}, 0, 0, {8 * 2018}, byIma},
    };
    playback.PrepareAudio();
    ASSERT_TRUE(waveOut.IsOutputOpen()) << SDL_GetError();
    ASSERT_EQ(waveOut.SetVolume(0, 0), 1);  // turned down in the last run: PrepareAudio sets it full again
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A fresh player for each: the G.721 decoder's state is not what it
        // was at the start after a run (PrepareAudio's reset leaves it).
        SoundPlayback player(waveOut, converter, notifier);
        player.PrepareAudio();  // opens the output again, and SDL's file starts again
        EXPECT_TRUE(player.AcmOpen());
        const auto opens = waveOut.OpenCount();
        std::vector<std::uint32_t> counts;
        {
            testing::CallbackHeld held(waveOut.DeviceId());
            for (std::size_t i = 0; i < c.records.size(); ++i) {
                const auto codec = c.codecs[i % c.codecs.size()];
                counts.push_back(
                    player.PlayAudioRecord(AudioHeader(codec, c.records[i].size(), c.bits, c.rate), c.records[i]));
            }
        }
        EXPECT_EQ(counts, c.counts);
        EXPECT_EQ(waveOut.OpenCount(), opens);  // the format named is the one already open, or ignored
        waveOut.CloseOutput();
        EXPECT_TRUE(testing::PlayedExactly(disk.Left(), c.expected));
    }
    EXPECT_TRUE(notifier.Messages().empty());
}

TEST_F(AudioPlaybackTest, PlayAudioRecord_ImaAdpcm_ReopensTheOutputForANewFormatOrWhenOlderThan120Seconds) {
    struct Step {
        int second;
        std::uint8_t bits;
        std::uint16_t rate;
        std::uint64_t opens;  // the output's opens after the record
        std::uint32_t outputRate, deviceTime;
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
        now = std::chrono::steady_clock::time_point(std::chrono::seconds(s.second));
        EXPECT_EQ(playback.PlayAudioRecord(AudioHeader(17, block.size(), s.bits, s.rate), block), 2018u) << s.second;
        EXPECT_EQ(waveOut.OpenCount(), s.opens) << s.second;
        EXPECT_EQ(waveOut.OutputRate(), s.outputRate) << s.second;
        EXPECT_EQ(playback.AudioRate(), s.outputRate) << s.second;
        EXPECT_EQ(waveOut.OutputBits(), 16u) << s.second;
        EXPECT_EQ(playback.AudioDeviceTime(), s.deviceTime) << s.second;
    }
    // PrepareAudio ends the count of an earlier run and opens the starting format.
    playback.PrepareAudio();
    EXPECT_EQ(playback.AudioDeviceTime(), 0u);
    EXPECT_EQ(waveOut.OpenCount(), 4u);
    EXPECT_EQ(waveOut.OutputRate(), 8000u);
}

TEST_F(AudioPlaybackTest, PlayAudioRecord_WithoutAnOutput_ReportsTheBytesOfTheBufferForPacing) {
    testing::ScopedEnv driver("SDL_AUDIODRIVER", "korvane-no-such-driver");
    playback.PrepareAudio();
    EXPECT_EQ(waveOut.OutResult(), kWaveNoDriver);
    // One IMA ADPCM block and part of the next, in a buffer of 1,000 bytes
    // behind a header that claims 5,000.
    std::vector<std::uint8_t> data = ImaBlocks()[3];
    data.resize(1000, 0x11);
    EXPECT_EQ(playback.PlayAudioRecord(AudioHeader(kAudioCodecPcm, 5000), data), 1000u);
    EXPECT_EQ(playback.PlayAudioRecord(AudioHeader(kAudioCodecG721, 5000), data), 4000u);
    EXPECT_EQ(playback.PlayAudioRecord(AudioHeader(17, 5000, 16, 11025), data), 2018u);
    EXPECT_EQ(waveOut.BlocksQueued(), 0u);
    EXPECT_TRUE(notifier.Messages().empty());  // output failures are not reported
}

TEST_F(AudioPlaybackTest, PrepareAudio_OpensTheConverterOnce_OrShowsItsErrorEachRun) {
    playback.PrepareAudio();
    EXPECT_TRUE(playback.AcmOpen());
    // A second run does not open it again: a stream closed behind its back stays closed.
    converter.Close();
    playback.PrepareAudio();
    EXPECT_FALSE(converter.IsOpen());
    EXPECT_TRUE(notifier.Messages().empty());

    ImaAdpcmConverter missing(0x55);
    SoundPlayback without(waveOut, missing, notifier);
    without.PrepareAudio();
    EXPECT_EQ(notifier.Messages(), std::vector<std::string>{"m_AudioDecoder.Init Error"});
    EXPECT_FALSE(without.AcmOpen());
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
