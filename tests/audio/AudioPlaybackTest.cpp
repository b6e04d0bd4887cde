// The audio record path of play with sound: real PCM, G.721 and IMA ADPCM
// records played through SDL's disk driver and compared with the ffmpeg
// tool's decoding; the output's format follow and ageing; the converter's
// failure message.
#include "audio/SoundPlayback.h"

#include <chrono>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Notifier.h"
#include "tests/audio/DiskAudio.h"
#include "authoring/FrameSource.h"

namespace korvane {
namespace {

using namespace std::chrono_literals;
using testing::DiskAudio;

std::string Fixture(const char* name) { return std::string(KORVANE_TEST_DATA) + "/" + name; }

FrameHeader AudioHeader(std::uint8_t codec, std::size_t length, std::uint8_t bits = 0, std::uint16_t rate = 0) {
    FrameHeader header;
    header.marker = kRecordMarker;
    header.mediaKind = kMediaAudio;
    header.codec = codec;
    header.dataLength = static_cast<std::uint32_t>(length);
    header.totalLength = header.dataLength;
    header.setAudioFormat(bits, rate);
    return header;
}

// A clock the test moves by hand.
struct ManualClock {
    std::chrono::steady_clock::time_point now{std::chrono::seconds(1000)};
    SoundPlayback::Clock Function() {
        return [this] { return now; };
    }
    void Set(int seconds) { now = std::chrono::steady_clock::time_point(std::chrono::seconds(seconds)); }
};

class AudioPlaybackTest : public ::testing::Test {
protected:
    // Plays the records back to back (the callback held meanwhile) and
    // returns what PlayAudioRecord reported for each.
    std::vector<std::uint32_t> PlayRecords(SoundPlayback& playback, std::uint8_t codec,
                                           const std::vector<std::vector<std::uint8_t>>& records,
                                           std::uint8_t bits = 0, std::uint16_t rate = 0) {
        std::vector<std::uint32_t> counts;
        testing::CallbackHeld held(waveOut.DeviceId());
        for (const auto& record : records) {
            counts.push_back(playback.PlayAudioRecord(AudioHeader(codec, record.size(), bits, rate), record));
        }
        return counts;
    }

    DiskAudio disk;
    WaveOutput waveOut;
    ImaAdpcmConverter audioDecoder;
    StderrNotifier notifier{false};
    ManualClock clock;
};

TEST_F(AudioPlaybackTest, PlayAudioRecord_PcmRecords_QueueTheirBytesAsStored) {
    SoundPlayback playback(waveOut, audioDecoder, notifier);
    playback.PrepareAudio();
    ASSERT_TRUE(waveOut.IsOutputOpen()) << SDL_GetError();
    const auto pcm = testing::ReadWholeFile(Fixture("pcm_s16le_8k.raw"));
    const auto records = testing::SplitBlocks(pcm, 2018);
    const auto counts = PlayRecords(playback, kAudioCodecPcm, records);
    EXPECT_EQ(counts, std::vector<std::uint32_t>(records.size(), 2018u));
    waveOut.CloseOutput();
    EXPECT_EQ(waveOut.BlocksQueued(), records.size());
    EXPECT_TRUE(testing::PlayedExactly(disk.Left(), testing::SamplesFromBytes(pcm)));
    EXPECT_TRUE(notifier.Messages().empty());
}

TEST_F(AudioPlaybackTest, PlayAudioRecord_G721Records_PlayWhatTheFfmpegToolDecodes) {
    const std::string path = Fixture("g726le_32k.g726");
    const auto expected = testing::FfmpegG726Samples(path, disk.Dir());
    ASSERT_EQ(expected.size(), 8072u);
    SoundPlayback playback(waveOut, audioDecoder, notifier);
    playback.PrepareAudio();
    // 800-byte records (200 ms each) and a short last one, each codec number of G.721.
    const auto records = testing::ReadAudioBlocks(path, 800);
    ASSERT_EQ(records.size(), 6u);
    std::vector<std::uint32_t> counts;
    {
        testing::CallbackHeld held(waveOut.DeviceId());
        const std::uint8_t codecs[] = {kAudioCodecG721, kAudioCodecG721b, kAudioCodecG721c};
        for (std::size_t i = 0; i < records.size(); ++i) {
            counts.push_back(playback.PlayAudioRecord(AudioHeader(codecs[i % 3], records[i].size()), records[i]));
        }
    }
    EXPECT_EQ(counts, (std::vector<std::uint32_t>{3200, 3200, 3200, 3200, 3200, 144}));
    waveOut.CloseOutput();
    EXPECT_TRUE(testing::PlayedExactly(disk.Left(), expected));
}

TEST_F(AudioPlaybackTest, PlayAudioRecord_G721RecordOver1024Bytes_PlaysAllOfItsSound) {
    const std::string path = Fixture("g726le_32k.g726");
    const auto expected = testing::FfmpegG726Samples(path, disk.Dir());
    const auto coded = testing::ReadWholeFile(path);
    ASSERT_EQ(coded.size(), 4036u);
    SoundPlayback playback(waveOut, audioDecoder, notifier);
    playback.PrepareAudio();
    const auto counts = PlayRecords(playback, kAudioCodecG721, {coded});
    EXPECT_EQ(counts, std::vector<std::uint32_t>{4 * 4036});
    waveOut.CloseOutput();
    EXPECT_TRUE(testing::PlayedExactly(disk.Left(), expected));
}

TEST_F(AudioPlaybackTest, PlayAudioRecord_ImaAdpcmRecords_PlayWhatTheFfmpegToolDecodes) {
    const std::string path = Fixture("ima_adpcm_8k.wav");
    const auto expected = testing::FfmpegWavSamples(path, disk.Dir());
    ASSERT_EQ(expected.size(), 8072u);
    const auto blocks = testing::ReadImaAdpcmWav(path).blocks;
    // Records of two blocks (4,036 bytes of PCM), then of one block each.
    std::vector<std::vector<std::uint8_t>> records;
    for (std::size_t b = 0; b < 4; b += 2) {
        records.push_back(blocks[b]);
        records.back().insert(records.back().end(), blocks[b + 1].begin(), blocks[b + 1].end());
    }
    for (std::size_t b = 4; b < 8; ++b) records.push_back(blocks[b]);

    SoundPlayback playback(waveOut, audioDecoder, notifier);
    playback.PrepareAudio();
    EXPECT_TRUE(playback.AcmOpen());
    const auto counts = PlayRecords(playback, 2, records, 16, 8000);
    EXPECT_EQ(counts, (std::vector<std::uint32_t>{4036, 4036, 2018, 2018, 2018, 2018}));
    EXPECT_EQ(waveOut.OpenCount(), 1u);  // the format the records name is the one already open
    waveOut.CloseOutput();
    EXPECT_TRUE(testing::PlayedExactly(disk.Left(), expected));
    EXPECT_TRUE(notifier.Messages().empty());
}

TEST_F(AudioPlaybackTest, PlayAudioRecord_ImaAdpcmRecordOfEightBlocks_PlaysAllOfThem) {
    const std::string path = Fixture("ima_adpcm_8k.wav");
    const auto expected = testing::FfmpegWavSamples(path, disk.Dir());
    std::vector<std::uint8_t> record;
    for (const auto& block : testing::ReadImaAdpcmWav(path).blocks) record.insert(record.end(), block.begin(), block.end());
    SoundPlayback playback(waveOut, audioDecoder, notifier);
    playback.PrepareAudio();
    const auto counts = PlayRecords(playback, 5, {record});
    EXPECT_EQ(counts, std::vector<std::uint32_t>{8 * 2018});
    waveOut.CloseOutput();
    EXPECT_TRUE(testing::PlayedExactly(disk.Left(), expected));
}

TEST_F(AudioPlaybackTest, PlayAudioRecord_ImaAdpcmFormatChange_ReopensTheOutputInThatFormat) {
    SoundPlayback playback(waveOut, audioDecoder, notifier, clock.Function());
    playback.PrepareAudio();
    ASSERT_EQ(waveOut.OpenCount(), 1u);
    EXPECT_EQ(playback.AudioBits(), 16u);
    EXPECT_EQ(playback.AudioRate(), 8000u);
    const auto block = testing::ReadImaAdpcmWav(Fixture("ima_adpcm_8k.wav")).blocks[1];

    EXPECT_EQ(playback.PlayAudioRecord(AudioHeader(17, block.size(), 16, 8000), block), 2018u);
    EXPECT_EQ(waveOut.OpenCount(), 1u);

    EXPECT_EQ(playback.PlayAudioRecord(AudioHeader(17, block.size(), 16, 11025), block), 2018u);
    EXPECT_EQ(waveOut.OpenCount(), 2u);
    EXPECT_EQ(playback.AudioRate(), 11025u);
    EXPECT_EQ(waveOut.OutputRate(), 11025u);
    EXPECT_EQ(waveOut.OutputBits(), 16u);

    // A record that names no format leaves the output alone, however old it is.
    clock.Set(5000);
    EXPECT_EQ(playback.PlayAudioRecord(AudioHeader(17, block.size(), 0, 0), block), 2018u);
    EXPECT_EQ(waveOut.OpenCount(), 2u);
    EXPECT_EQ(playback.AudioRate(), 11025u);
    EXPECT_EQ(waveOut.BlocksQueued(), 3u);
}

TEST_F(AudioPlaybackTest, PlayAudioRecord_ImaAdpcmOutputOlderThan120Seconds_IsReopened) {
    SoundPlayback playback(waveOut, audioDecoder, notifier, clock.Function());
    playback.PrepareAudio();
    const auto block = testing::ReadImaAdpcmWav(Fixture("ima_adpcm_8k.wav")).blocks[2];
    const FrameHeader header = AudioHeader(17, block.size(), 16, 8000);

    clock.Set(1000);
    playback.PlayAudioRecord(header, block);  // the age count begins
    EXPECT_EQ(playback.AudioDeviceTime(), 1000u);
    clock.Set(1120);
    playback.PlayAudioRecord(header, block);  // 120 s is not above the limit
    EXPECT_EQ(waveOut.OpenCount(), 1u);
    clock.Set(1121);
    playback.PlayAudioRecord(header, block);
    EXPECT_EQ(waveOut.OpenCount(), 2u);
    EXPECT_EQ(playback.AudioDeviceTime(), 0u);
    EXPECT_TRUE(waveOut.IsOutputOpen());
    clock.Set(1122);
    playback.PlayAudioRecord(header, block);  // the count begins again
    EXPECT_EQ(playback.AudioDeviceTime(), 1122u);
    EXPECT_EQ(waveOut.OpenCount(), 2u);

    // PrepareAudio ends the count of an earlier run.
    playback.PrepareAudio();
    EXPECT_EQ(playback.AudioDeviceTime(), 0u);
    EXPECT_EQ(waveOut.OpenCount(), 3u);
}

TEST_F(AudioPlaybackTest, PlayAudioRecord_PcmAndG721_NeverReopenTheOutput) {
    SoundPlayback playback(waveOut, audioDecoder, notifier, clock.Function());
    playback.PrepareAudio();
    const std::vector<std::uint8_t> data(800, 0x35);
    clock.Set(1000);
    EXPECT_EQ(playback.PlayAudioRecord(AudioHeader(kAudioCodecPcm, data.size(), 8, 11025), data), 800u);
    clock.Set(9000);
    EXPECT_EQ(playback.PlayAudioRecord(AudioHeader(kAudioCodecG721, data.size(), 8, 11025), data), 3200u);
    EXPECT_EQ(waveOut.OpenCount(), 1u);
    EXPECT_EQ(playback.AudioRate(), 8000u);
    EXPECT_EQ(playback.AudioBits(), 16u);
    EXPECT_EQ(playback.AudioDeviceTime(), 0u);
    EXPECT_EQ(waveOut.BlocksQueued(), 2u);
}

TEST_F(AudioPlaybackTest, PlayAudioRecord_DataLengthBeyondTheBuffer_ReadsOnlyTheBuffer) {
    SoundPlayback playback(waveOut, audioDecoder, notifier);
    playback.PrepareAudio();
    // One IMA ADPCM block and part of the next, in a buffer of 1,000 bytes
    // behind a header that claims 5,000.
    std::vector<std::uint8_t> data = testing::ReadImaAdpcmWav(Fixture("ima_adpcm_8k.wav")).blocks[3];
    data.resize(1000, 0x11);
    EXPECT_EQ(playback.PlayAudioRecord(AudioHeader(kAudioCodecPcm, 5000), data), 1000u);
    EXPECT_EQ(playback.PlayAudioRecord(AudioHeader(kAudioCodecG721, 5000), data), 4000u);
    EXPECT_EQ(playback.PlayAudioRecord(AudioHeader(17, 5000, 16, 8000), data), 2018u);
}

TEST_F(AudioPlaybackTest, PrepareAudio_WithoutConverter_ShowsTheErrorEachRunAndImaAdpcmGivesNothing) {
    ImaAdpcmConverter missing(0x55);
    SoundPlayback playback(waveOut, missing, notifier);
    playback.PrepareAudio();
    EXPECT_EQ(notifier.Messages(), std::vector<std::string>{"m_AudioDecoder.Init Error"});
    EXPECT_FALSE(playback.AcmOpen());
    EXPECT_TRUE(waveOut.IsOutputOpen());  // the run goes on

    const auto block = testing::ReadImaAdpcmWav(Fixture("ima_adpcm_8k.wav")).blocks[0];
    EXPECT_EQ(playback.PlayAudioRecord(AudioHeader(17, block.size(), 16, 8000), block), 0u);
    EXPECT_EQ(waveOut.BlocksQueued(), 0u);
    const std::vector<std::uint8_t> g721(100, 0x77);
    EXPECT_EQ(playback.PlayAudioRecord(AudioHeader(kAudioCodecG721, g721.size()), g721), 400u);

    playback.PrepareAudio();  // tried again at the next run
    EXPECT_EQ(notifier.Messages().size(), 2u);
}

TEST_F(AudioPlaybackTest, PrepareAudio_ConverterOpens_OnceAndWithoutAMessage) {
    SoundPlayback playback(waveOut, audioDecoder, notifier);
    EXPECT_FALSE(playback.AcmOpen());
    playback.PrepareAudio();
    EXPECT_TRUE(playback.AcmOpen());
    EXPECT_TRUE(audioDecoder.IsOpen());
    // A second run does not open it again: a stream closed behind its back stays closed.
    audioDecoder.Close();
    playback.PrepareAudio();
    EXPECT_FALSE(audioDecoder.IsOpen());
    EXPECT_TRUE(notifier.Messages().empty());
}

TEST_F(AudioPlaybackTest, PrepareAudio_SetsFullVolumeAgain) {
    SoundPlayback playback(waveOut, audioDecoder, notifier);
    playback.PrepareAudio();
    ASSERT_EQ(waveOut.SetVolume(0, 0), 1);  // the user turned it down in the last run
    playback.PrepareAudio();
    const auto pcm = testing::ReadWholeFile(Fixture("pcm_s16le_8k.raw"));
    PlayRecords(playback, kAudioCodecPcm, testing::SplitBlocks(pcm, 2018));
    waveOut.CloseOutput();
    EXPECT_TRUE(testing::PlayedExactly(disk.Left(), testing::SamplesFromBytes(pcm)));
}

TEST(AudioPlaybackNoDevice, PlayAudioRecord_WithoutAnOutput_StillReportsTheBytesForPacing) {
    DiskAudio disk;
    testing::ScopedEnv driver("SDL_AUDIODRIVER", "korvane-no-such-driver");
    WaveOutput waveOut;
    ImaAdpcmConverter audioDecoder;
    StderrNotifier notifier(false);
    SoundPlayback playback(waveOut, audioDecoder, notifier);
    playback.PrepareAudio();
    EXPECT_FALSE(waveOut.IsOutputOpen());
    EXPECT_EQ(waveOut.OutResult(), kWaveNoDriver);
    const std::vector<std::uint8_t> data(800, 0x42);
    EXPECT_EQ(playback.PlayAudioRecord(AudioHeader(kAudioCodecPcm, data.size()), data), 800u);
    EXPECT_EQ(playback.PlayAudioRecord(AudioHeader(kAudioCodecG721, data.size()), data), 3200u);
    const auto block = testing::ReadImaAdpcmWav(Fixture("ima_adpcm_8k.wav")).blocks[0];
    EXPECT_EQ(playback.PlayAudioRecord(AudioHeader(17, block.size(), 16, 11025), block), 2018u);
    EXPECT_EQ(waveOut.BlocksQueued(), 0u);
    EXPECT_TRUE(notifier.Messages().empty());  // output failures are not reported
}

}  // namespace
}  // namespace korvane
