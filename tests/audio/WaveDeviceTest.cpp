// The wave output played through SDL's disk driver: what the callback wrote
// is read back from the file and compared sample for sample.
#include "audio/WaveOutput.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/audio/DiskAudio.h"
#include "authoring/FrameSource.h"

namespace korvane {
namespace {

using namespace std::chrono_literals;
using testing::DiskAudio;

constexpr std::size_t kBlockBytes = 2018;  // 1,009 samples, one record's worth

std::string Fixture(const char* name) { return std::string(KORVANE_TEST_DATA) + "/" + name; }

std::vector<std::uint8_t> PcmFixture() { return testing::ReadWholeFile(Fixture("pcm_s16le_8k.raw")); }

// Writes the PCM in blocks of kBlockBytes with the callback held, so that
// they play back to back; returns the number of blocks.
std::size_t WriteInBlocks(WaveOutput& device, const std::vector<std::uint8_t>& pcm) {
    testing::CallbackHeld held(device.DeviceId());
    std::size_t blocks = 0;
    for (const auto& block : testing::SplitBlocks(pcm, kBlockBytes)) {
        EXPECT_EQ(device.Write(block), 1);
        ++blocks;
    }
    return blocks;
}

TEST(WaveDeviceTest, Write_PcmBlocks_PlaysEverySampleOnBothChannelsBeforeClosing) {
    DiskAudio disk;
    const auto pcm = PcmFixture();
    const auto expected = testing::SamplesFromBytes(pcm);
    {
        WaveOutput device;
        ASSERT_EQ(device.OpenOutput(8, 16, 8000), 1) << SDL_GetError();
        EXPECT_EQ(device.OutResult(), kWaveOk);
        EXPECT_EQ(device.OutputRate(), 8000u);
        const std::size_t blocks = WriteInBlocks(device, pcm);
        // Closing right away: the queued blocks are played out first.
        EXPECT_EQ(device.CloseOutput(), 0u);
        EXPECT_FALSE(device.IsOutputOpen());
        EXPECT_EQ(device.BlocksQueued(), blocks);
        EXPECT_EQ(device.BlocksReleased(), blocks);
    }
    EXPECT_TRUE(testing::PlayedExactly(disk.Left(), expected));
    EXPECT_TRUE(testing::PlayedExactly(disk.Right(), expected));
}

TEST(WaveDeviceTest, SetVolume_VolumeLevelFive_ScalesTheLeftChannelOnly) {
    DiskAudio disk;
    const auto pcm = PcmFixture();
    const auto expected = testing::SamplesFromBytes(pcm);
    constexpr std::uint16_t kLevelFive = 5 * 12288;  // 61,440
    {
        WaveOutput device;
        ASSERT_EQ(device.OpenOutput(8, 16, 8000), 1) << SDL_GetError();
        ASSERT_EQ(device.SetVolume(kLevelFive, kFullVolume), 1);
        EXPECT_EQ(device.Result(), kWaveOk);
        WriteInBlocks(device, pcm);
        device.CloseOutput();
    }
    const auto left = disk.Left();
    const auto right = disk.Right();
    ASSERT_TRUE(testing::PlayedExactly(right, expected));
    const auto start = testing::FindStart(right, expected);
    ASSERT_TRUE(start.has_value());
    ASSERT_GE(left.size(), *start + expected.size());
    int reduced = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const double wanted = expected[i] * (61440.0 / 65535.0);
        ASSERT_LT(std::abs(left[*start + i] - wanted), 1.0) << "sample " << i;
        if (std::abs(left[*start + i]) < std::abs(expected[i])) ++reduced;
    }
    EXPECT_GT(reduced, static_cast<int>(expected.size()) / 2);
}

TEST(WaveDeviceTest, SetVolume_FullLeftNoRight_LeftIsTheLowWord) {
    DiskAudio disk;
    const auto pcm = PcmFixture();
    {
        WaveOutput device;
        ASSERT_EQ(device.OpenOutput(8, 16, 8000), 1) << SDL_GetError();
        ASSERT_EQ(device.SetVolume(kFullVolume, 0), 1);
        WriteInBlocks(device, pcm);
        device.CloseOutput();
    }
    EXPECT_TRUE(testing::PlayedExactly(disk.Left(), testing::SamplesFromBytes(pcm)));
    const auto right = disk.Right();
    EXPECT_FALSE(right.empty());
    EXPECT_THAT(right, ::testing::Each(0));
}

TEST(WaveDeviceTest, SetVolume_LevelZero_PlaysSilenceButStillPlaysEveryBlock) {
    DiskAudio disk;
    const auto pcm = PcmFixture();
    std::size_t blocks = 0;
    {
        WaveOutput device;
        ASSERT_EQ(device.OpenOutput(8, 16, 8000), 1) << SDL_GetError();
        ASSERT_EQ(device.SetVolume(0, 0), 1);
        blocks = WriteInBlocks(device, pcm);
        EXPECT_TRUE(device.WaitUntilPlayed(5s));
        EXPECT_EQ(device.BlocksReleased(), blocks);
        device.CloseOutput();
    }
    const auto left = disk.Left();
    EXPECT_GE(left.size(), pcm.size() / 2);  // the blocks did play, as silence
    EXPECT_THAT(left, ::testing::Each(0));
    EXPECT_THAT(disk.Right(), ::testing::Each(0));
}

TEST(WaveDeviceTest, Write_WithoutAnOpenOutput_QueuesNothing) {
    DiskAudio disk;
    WaveOutput device;
    const std::vector<std::uint8_t> block(kBlockBytes, 0x40);
    EXPECT_EQ(device.Write(block), 0);
    EXPECT_EQ(device.SetVolume(kFullVolume, kFullVolume), 0);
    EXPECT_EQ(device.BlocksQueued(), 0u);
    EXPECT_EQ(device.CloseOutput(), 0u);

    ASSERT_EQ(device.OpenOutput(8, 16, 8000), 1) << SDL_GetError();
    device.CloseOutput();
    EXPECT_EQ(device.Write(block), 0);  // closed again
    EXPECT_EQ(device.BlocksQueued(), 0u);
}

TEST(WaveDeviceTest, WhenPlayed_TellsWhenAQueuedFrameGoesToTheDevice) {
    DiskAudio disk(DiskAudio::kRealTime);
    WaveOutput device;
    EXPECT_FALSE(device.WhenPlayed(0).has_value());  // no output
    ASSERT_EQ(device.OpenOutput(8, 16, 8000), 1) << SDL_GetError();
    const auto opened = std::chrono::steady_clock::now();
    ASSERT_EQ(device.Write(std::vector<std::uint8_t>(16000, 0x10)), 1);  // one second
    EXPECT_EQ(device.FramesWritten(), 8000u);

    // Half a second into sound that starts within a buffer or two of the open.
    const auto half = device.WhenPlayed(4000);
    ASSERT_TRUE(half.has_value());
    const auto ms = [](auto d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); };
    EXPECT_GE(ms(*half - opened), 495);
    EXPECT_LE(ms(*half - opened), 580);
    // Asked again once the device has played past it, the answer stays: the
    // clock follows the device's requests instead of starting over.
    std::this_thread::sleep_until(*half + 100ms);
    const auto again = device.WhenPlayed(4000);
    ASSERT_TRUE(again.has_value());
    EXPECT_LE(std::abs(ms(*again - *half)), 40);

    // The count starts again with each open, in frames of the open format.
    ASSERT_EQ(device.OpenOutput(8, 8, 8000), 1) << SDL_GetError();
    EXPECT_EQ(device.FramesWritten(), 0u);
    ASSERT_EQ(device.Write(std::vector<std::uint8_t>(100, 0x80)), 1);
    EXPECT_EQ(device.FramesWritten(), 100u);
    device.CloseOutput();
    EXPECT_FALSE(device.WhenPlayed(0).has_value());
}

TEST(WaveDeviceTest, OpenOutput_WithoutAnyAudioDriver_FailsWithNoDriver) {
    DiskAudio disk;
    testing::ScopedEnv driver("SDL_AUDIODRIVER", "korvane-no-such-driver");
    WaveOutput device;
    EXPECT_EQ(device.OpenOutput(8, 16, 8000), 0);
    EXPECT_EQ(device.OutResult(), kWaveNoDriver);
    EXPECT_FALSE(device.IsOutputOpen());
    EXPECT_EQ(device.Write(std::vector<std::uint8_t>(kBlockBytes, 1)), 0);
    EXPECT_EQ(device.SetVolume(kFullVolume, kFullVolume), 0);
    EXPECT_EQ(device.BlocksQueued(), 0u);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
}

TEST(WaveDeviceTest, OpenOutput_UnplayableSampleFormat_FailsWithBadFormat) {
    DiskAudio disk;
    WaveOutput device;
    for (const auto& [bits, rate] : {std::pair{4u, 8000u}, {24u, 8000u}, {0u, 8000u}, {16u, 0u}}) {
        EXPECT_EQ(device.OpenOutput(8, bits, rate), 0) << bits << " bits at " << rate;
        EXPECT_EQ(device.OutResult(), kWaveBadFormat);
        EXPECT_FALSE(device.IsOutputOpen());
    }
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
}

TEST(WaveDeviceTest, OpenOutput_Twice_LeavesOneOutputOpen) {
    DiskAudio disk;
    const auto pcm = PcmFixture();
    {
        WaveOutput device;
        ASSERT_EQ(device.OpenOutput(8, 16, 8000), 1) << SDL_GetError();
        ASSERT_EQ(device.OpenOutput(8, 16, 11025), 1) << SDL_GetError();
        EXPECT_EQ(device.OpenCount(), 2u);
        EXPECT_EQ(device.OutputRate(), 11025u);
        WriteInBlocks(device, pcm);
        device.CloseOutput();
        // Nothing of either open is left: SDL's audio is shut down again.
        EXPECT_FALSE(device.IsOutputOpen());
        EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
    }
    EXPECT_TRUE(testing::PlayedExactly(disk.Left(), testing::SamplesFromBytes(pcm)));
}

TEST(WaveDeviceTest, Write_EightBitOutput_PlaysUnsignedSamplesAroundTheMiddle) {
    DiskAudio disk;
    std::vector<std::uint8_t> ramp(256);
    for (int i = 0; i < 256; ++i) ramp[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    std::vector<std::int16_t> expected;
    for (int i = 0; i < 256; ++i) expected.push_back(static_cast<std::int16_t>((i - 128) * 256));
    {
        WaveOutput device;
        ASSERT_EQ(device.OpenOutput(8, 8, 8000), 1) << SDL_GetError();
        EXPECT_EQ(device.OutputBits(), 8u);
        {
            testing::CallbackHeld held(device.DeviceId());
            ASSERT_EQ(device.Write(std::span(ramp).first(100)), 1);
            ASSERT_EQ(device.Write(std::span(ramp).subspan(100)), 1);
        }
        device.CloseOutput();
    }
    EXPECT_TRUE(testing::PlayedExactly(disk.Left(), expected));
}

TEST(WaveDeviceTest, Write_OddByteCount_LeavesOutTheHalfSample) {
    DiskAudio disk;
    const std::vector<std::uint8_t> bytes = {0x10, 0x27, 0xF0, 0xD8, 0x7F};  // 10000, -10000, half a sample
    {
        WaveOutput device;
        ASSERT_EQ(device.OpenOutput(8, 16, 8000), 1) << SDL_GetError();
        {
            testing::CallbackHeld held(device.DeviceId());
            ASSERT_EQ(device.Write(bytes), 1);
        }
        device.CloseOutput();
        EXPECT_EQ(device.BlocksReleased(), 1u);
    }
    const std::vector<std::int16_t> expected = {10000, -10000};
    EXPECT_TRUE(testing::PlayedExactly(disk.Left(), expected));
}

TEST(WaveDeviceTest, CloseOutput_WithoutDrainTime_DropsQueuedBlocksReleasingEachOnce) {
    // A slow disk: one 32-ms buffer every 200 ms, so most of the second of
    // audio is still queued when the output closes.
    DiskAudio disk(200);
    const auto pcm = PcmFixture();
    {
        WaveOutput device;
        device.SetCloseDrainLimit(0ms);
        ASSERT_EQ(device.OpenOutput(8, 16, 8000), 1) << SDL_GetError();
        const std::size_t blocks = WriteInBlocks(device, pcm);
        device.CloseOutput();
        EXPECT_EQ(device.BlocksQueued(), blocks);
        EXPECT_EQ(device.BlocksReleased(), blocks);
    }
    const auto left = disk.Left();
    const auto sounding = std::count_if(left.begin(), left.end(), [](std::int16_t s) { return s != 0; });
    EXPECT_LT(static_cast<std::size_t>(sounding), pcm.size() / 4);  // less than half of it played
}

TEST(WaveDeviceTest, Destructor_WithBlocksQueued_ReleasesThemWithoutWaiting) {
    DiskAudio disk(200);
    const auto pcm = PcmFixture();
    const auto began = std::chrono::steady_clock::now();
    {
        WaveOutput device;
        ASSERT_EQ(device.OpenOutput(8, 16, 8000), 1) << SDL_GetError();
        for (int i = 0; i < 20; ++i) ASSERT_EQ(device.Write(pcm), 1);  // 20 s of sound
    }
    // Dropping, not playing out: far less than the queued 20 s (or the one
    // second CloseOutput would wait for them).
    EXPECT_LT(std::chrono::steady_clock::now() - began, 900ms);
}

TEST(WaveDeviceTest, Write_FromAWorkerWhileTheVolumeChanges_ReleasesEveryBlockOnce) {
    DiskAudio disk;
    WaveOutput device;
    ASSERT_EQ(device.OpenOutput(8, 16, 8000), 1) << SDL_GetError();
    constexpr int kBlocks = 300;
    std::atomic<bool> writing{true};
    std::thread worker([&] {
        std::vector<std::uint8_t> block(128);
        for (int i = 0; i < kBlocks; ++i) {
            std::fill(block.begin(), block.end(), static_cast<std::uint8_t>(i));
            EXPECT_EQ(device.Write(block), 1);
            if (i % 32 == 0) std::this_thread::sleep_for(1ms);
        }
        writing = false;
    });
    int level = 0;
    while (writing) {
        const auto volume = static_cast<std::uint16_t>((level++ % 6) * 12288);
        EXPECT_EQ(device.SetVolume(volume, volume), 1);
        std::this_thread::sleep_for(100us);
    }
    worker.join();
    EXPECT_TRUE(device.WaitUntilPlayed(10s));
    EXPECT_EQ(device.BlocksQueued(), static_cast<std::uint64_t>(kBlocks));
    EXPECT_EQ(device.BlocksReleased(), static_cast<std::uint64_t>(kBlocks));
    device.CloseOutput();
    EXPECT_EQ(device.BlocksReleased(), static_cast<std::uint64_t>(kBlocks));
}

}  // namespace
}  // namespace korvane
