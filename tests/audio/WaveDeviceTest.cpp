// The wave output played through SDL's disk driver, read back sample for sample.
#include "audio/WaveOutput.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/audio/DiskAudio.h"
#include "authoring/FrameSource.h"

namespace korvane {
namespace {

using namespace std::chrono_literals;
using testing::DiskAudio;

const std::vector<std::uint8_t>& Pcm() {
    static const auto pcm = testing::ReadWholeFile(std::string(KORVANE_TEST_DATA) + "/pcm_s16le_8k.raw");
    return pcm;
}

TEST(WaveDeviceTest, CloseOutput_AfterPcmBlocksAtEachVolume_PlaysEachScaledOnItsChannelOrDropsIt) {
    const auto expected = testing::SamplesFromBytes(Pcm());
    const std::uint16_t kFull = kFullVolume, kOff = 0, kLevelFive = 5 * 12288;  // the bar's volume 5 of 5.33
    for (const auto& [left, right, drain] : {std::tuple{kFull, kFull, true}, {kLevelFive, kFull, true},
                                             {kFull, kOff, true}, {kOff, kOff, true}, {kFull, kOff, false}}) {
        // Without drain time, on a slow disk (a 32-ms buffer every 200 ms), most is still queued at the close.
        DiskAudio disk(drain ? 1 : 200);
        WaveOutput device;
        if (!drain) device.SetCloseDrainLimit(0ms);
        ASSERT_EQ(device.OpenOutput(16, 8000), 1) << SDL_GetError();
        ASSERT_EQ(device.SetVolume(left, right), 1);
        std::uint64_t blocks = 0;
        {  // in records of 2,018 bytes with the callback held, so that they play back to back
            const auto held = testing::HoldCallback(device.DeviceId());
            for (const auto& block : testing::SplitBlocks(Pcm(), 2018)) blocks += device.Write(block);
        }
        EXPECT_EQ(device.CloseOutput(), 0u);  // right away: what is queued plays out first, or is dropped
        EXPECT_FALSE(device.IsOutputOpen());
        EXPECT_EQ(std::pair(device.BlocksQueued(), device.BlocksReleased()), std::pair(blocks, blocks));  // each once
        const auto l = disk.Left(), r = disk.Right();
        const auto trace = ::testing::Message() << left << "/" << right << (drain ? "" : " without drain time");
        if (!drain) {
            EXPECT_LT(std::ssize(l) - std::ranges::count(l, 0), std::ssize(expected) / 2);  // not half of it played
            continue;
        }
        const auto start = testing::FindStart(left == kFull ? l : r, expected);  // from the unscaled side
        EXPECT_TRUE(testing::PlayedExactly(l, expected, left / 65535.0, start)) << trace;
        EXPECT_TRUE(testing::PlayedExactly(r, expected, right / 65535.0, start)) << trace;
    }
}

TEST(WaveDeviceTest, OpenOutput_Failing_LeavesNoOutputThatTakesBlocksOrVolume) {
    const std::vector<std::uint8_t> block(100, 1);
    for (const auto& [driver, bits, rate, result] :
         {std::tuple{"korvane-no-such-driver", 16u, 8000u, kWaveNoDriver}, {"disk", 4u, 8000u, kWaveBadFormat},
          {"disk", 24u, 8000u, kWaveBadFormat}, {"disk", 0u, 8000u, kWaveBadFormat},
          {"disk", 16u, 0u, kWaveBadFormat}}) {
        DiskAudio disk;
        testing::ScopedEnv env("SDL_AUDIODRIVER", driver);
        WaveOutput device;
        EXPECT_EQ(device.Write(block), 0);  // never opened
        EXPECT_EQ(device.OpenOutput(bits, rate), 0) << bits << " bits at " << rate;
        EXPECT_EQ(device.OutResult(), result);
        EXPECT_FALSE(device.IsOutputOpen());
        EXPECT_EQ(device.Write(block), 0);
        EXPECT_EQ(device.SetVolume(kFullVolume, kFullVolume), 0);
        EXPECT_EQ(device.BlocksQueued(), 0u);
        EXPECT_EQ(device.CloseOutput(), 0u);
        EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);
    }
}

TEST(WaveDeviceTest, WhenPlayed_TellsWhenAQueuedFrameGoesToTheDevice_CountedFromEachOpen) {
    DiskAudio disk(DiskAudio::kRealTime);
    WaveOutput device;
    EXPECT_FALSE(device.WhenPlayed(0).has_value());  // no output
    ASSERT_EQ(device.OpenOutput(16, 8000), 1) << SDL_GetError();
    const auto opened = std::chrono::steady_clock::now();
    ASSERT_EQ(device.Write(std::vector<std::uint8_t>(16000, 0x10)), 1);  // one second
    EXPECT_EQ(device.FramesWritten(), 8000u);

    // Half a second into sound that starts within a buffer or two of the open.
    const auto half = device.WhenPlayed(4000), end = device.WhenPlayed(8000);
    const auto asked = std::chrono::steady_clock::now();
    ASSERT_TRUE(half && end);
    const auto ms = [](auto d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); };
    EXPECT_GE(ms(*half - opened), 495);
    EXPECT_LE(ms(*half - asked), 533);
    // Asked again once played past it, the answer stays: the clock follows the device's
    // requests instead of starting over. A late device moves it on by no more than it moves
    // the end of the sound on (lateness only adds up), whatever the machine's load.
    std::this_thread::sleep_until(*half + 100ms);
    const auto again = device.WhenPlayed(4000), endAgain = device.WhenPlayed(8000);
    ASSERT_TRUE(again && endAgain);
    EXPECT_GE(ms(*again - *half), -2);
    EXPECT_LE(ms(*again - *half), ms(*endAgain - *end) + 2);

    // Opened again in 8 bits: the count starts again, unsigned samples play around the middle.
    std::vector<std::uint8_t> ramp(256);
    std::vector<std::int16_t> expected(256);
    for (std::size_t i = 0; i < 256; ++i)
        ramp[i] = static_cast<std::uint8_t>(i), expected[i] = static_cast<std::int16_t>((ramp[i] - 128) * 256);
    ASSERT_EQ(device.OpenOutput(8, 11025), 1) << SDL_GetError();
    EXPECT_EQ(device.OpenCount(), 2u);
    EXPECT_EQ(std::pair(device.OutputRate(), device.OutputBits()), std::pair(11025u, 8u));
    EXPECT_EQ(device.FramesWritten(), 0u);
    {
        const auto held = testing::HoldCallback(device.DeviceId());
        ASSERT_EQ(device.Write(std::span(ramp).first(100)), 1);
        ASSERT_EQ(device.Write(std::span(ramp).subspan(100)), 1);
    }
    EXPECT_EQ(device.FramesWritten(), 256u);
    device.CloseOutput();
    EXPECT_FALSE(device.WhenPlayed(0).has_value());
    EXPECT_EQ(device.Write(ramp), 0);            // closed again
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u);  // nothing of either open is left
    EXPECT_TRUE(testing::PlayedExactly(disk.Left(), expected));
}

TEST(WaveDeviceTest, Write_FromAWorkerWhileTheVolumeChanges_ReleasesEveryBlockOnce_TheDestructorDropsThem) {
    DiskAudio disk;
    WaveOutput device;
    ASSERT_EQ(device.OpenOutput(16, 8000), 1) << SDL_GetError();
    constexpr std::uint64_t kBlocks = 300;  // far more than the pool of free blocks keeps
    std::atomic<bool> writing{true};
    std::thread worker([&] {
        for (std::uint64_t i = 0; i < kBlocks; ++i) {
            EXPECT_EQ(device.Write(std::vector<std::uint8_t>(128, static_cast<std::uint8_t>(i))), 1);
            if (i % 32 == 0) std::this_thread::sleep_for(1ms);
        }
        writing = false;
    });
    for (int level = 0; writing; ++level, std::this_thread::sleep_for(100us))
        EXPECT_EQ(device.SetVolume(static_cast<std::uint16_t>(level % 6 * 12288), kFullVolume), 1);
    worker.join();
    EXPECT_TRUE(device.WaitUntilPlayed(10s));
    EXPECT_EQ(device.BlocksReleased(), kBlocks);
    device.CloseOutput();
    EXPECT_EQ(std::pair(device.BlocksQueued(), device.BlocksReleased()), std::pair(kBlocks, kBlocks));

    DiskAudio slow(200);  // a 32-ms buffer every 200 ms: played out, the sound would take minutes
    const auto began = std::chrono::steady_clock::now();
    {
        WaveOutput dropping;
        ASSERT_EQ(dropping.OpenOutput(16, 8000), 1) << SDL_GetError();
        for (int i = 0; i < 20; ++i) ASSERT_EQ(dropping.Write(Pcm()), 1);  // 20 s of sound
    }
    EXPECT_LT(std::chrono::steady_clock::now() - began, 900ms);  // dropped, not played
}

}  // namespace
}  // namespace korvane
