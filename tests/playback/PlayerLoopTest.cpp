// The playback modes on real threads and fixture frames: which pictures are shown, in which order,
// with which pauses between them, and how each mode ends.
#include <gtest/gtest.h>

#include <thread>

#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"
#include "tests/playback/PlayerHarness.h"

namespace korvane::testing {
namespace {

const std::string kStream = std::string(KORVANE_TEST_DATA) + "/mpeg4_352x240.m4v";

SystemTime At(int hour, int minute, int second, int ms) { return MakeTime(2026, 2, 3, hour, minute, second, ms); }

// A measured pause, with shared machines adding delay and never removing it.
void ExpectGap(int measured, int expected, const char* what) {
    EXPECT_GE(measured, expected - 3) << what;
    EXPECT_LE(measured, expected + 45) << what;
}

class PlayerLoopTest : public ::testing::Test, public PlayerHarness {
protected:
    static void SetUpTestSuite() {
        EnsureGuiApp();
        s_frames = ReadVideoFrames(kStream);
    }
    void TearDown() override { player.Stop(); }

    // One video record of camera 0 a time stamp, fixture pictures in turn
    // (the 352 x 240 stream has keys at 0 and 10), with an audio record after each.
    std::vector<std::uint32_t> Open(const std::vector<SystemTime>& times, const std::vector<int>& types,
                                    int codec = 7) {
        RecordingWriter w(kFileKind514);
        w.Header().setPlayCamera(0, 1);
        std::vector<std::uint32_t> offsets;
        for (std::size_t i = 0; i < times.size(); ++i) {
            offsets.push_back(w.AddVideo(0, static_cast<std::uint8_t>(codec), static_cast<std::uint8_t>(types[i]),
                                         s_frames[i % s_frames.size()].bytes, times[i], 7));
            w.AddAudio(0, 1, std::vector<std::uint8_t>(160, 0), times[i]);
        }
        const std::string path = dir.File("rec.MP4");
        w.WriteFile(path);
        EXPECT_TRUE(player.OpenCommandLine(path));
        shown.clear();
        return offsets;
    }
    // `count` pictures a second apart from hour:00:00, a key and then dependent ones.
    void OpenOneASecond(int hour, int count) {
        std::vector<SystemTime> times;
        for (int i = 0; i < count; ++i) times.push_back(At(hour, 0, i, 0));
        Open(times, KeyThenDependent(count));
    }
    static std::vector<int> KeyThenDependent(int count) {
        std::vector<int> types(static_cast<std::size_t>(count), kFrameDependent);
        types[0] = kFrameKey;
        return types;
    }

    // Runs `mode` to its end and checks the pictures shown, in order, and
    // when each was shown (milliseconds after the first).
    void RunAndExpect(PlayMode mode, const std::vector<std::string>& captions, const std::vector<int>& schedule) {
        ASSERT_TRUE(player.Start(mode));
        ASSERT_TRUE(RunUntilEnded());
        EXPECT_EQ(ends, 1);
        ASSERT_EQ(Captions(), captions);
        ExpectOnSchedule(schedule);
    }

    static inline std::vector<VideoFrame> s_frames;
};

std::string CaptionAt(int hour, int minute, int second, int ms) {
    char text[64];
    std::snprintf(text, sizeof text, "CAM =1  2026-02-03 %02d:%02d:%02d  %03d", hour, minute, second, ms);
    return text;
}

// 40 ms steps across a minute boundary, then a 1.5 s gap (not waited for).
const std::vector<SystemTime> kPacedTimes = {At(9, 59, 59, 880), At(9, 59, 59, 920), At(9, 59, 59, 960),
                                             At(10, 0, 0, 0),    At(10, 0, 0, 40),    At(10, 0, 1, 540),
                                             At(10, 0, 1, 580),  At(10, 0, 1, 620)};

TEST_F(PlayerLoopTest, PlayPacesByTimeStampsAcrossTheMinuteAndSkipsLongGaps) {
    Open(kPacedTimes, {1, 0, 0, 0, 0, 0, 0, 0});
    RunAndExpect(PlayMode::Play,
                 {CaptionAt(9, 59, 59, 920), CaptionAt(9, 59, 59, 960), CaptionAt(10, 0, 0, 0), CaptionAt(10, 0, 0, 40),
                  CaptionAt(10, 0, 1, 540), CaptionAt(10, 0, 1, 580), CaptionAt(10, 0, 1, 620)},
                 {0, 40, 80, 120, 120, 160, 200});
}

TEST_F(PlayerLoopTest, BackPlayPacesBackwardsAndEndsAfterOneRetryAtTheStart) {
    const auto offsets = Open(kPacedTimes, {1, 0, 0, 0, 0, 0, 0, 0});
    for (int i = 0; i < 7; ++i) player.StepForward();
    shown.clear();
    RunAndExpect(PlayMode::BackPlay,
                 {CaptionAt(10, 0, 1, 580), CaptionAt(10, 0, 1, 540), CaptionAt(10, 0, 0, 40), CaptionAt(10, 0, 0, 0),
                  CaptionAt(9, 59, 59, 960), CaptionAt(9, 59, 59, 920), CaptionAt(9, 59, 59, 880)},
                 {0, 40, 40, 80, 120, 160, 200});
    EXPECT_EQ(player.Reader().CurrentOffset(), offsets[0]);
}

TEST_F(PlayerLoopTest, FastPlayAtSpeedFourShowsEveryFourthPicture) {
    OpenOneASecond(12, 20);
    player.SetFastSpeed(4);
    ASSERT_TRUE(player.Start(PlayMode::FastPlay));
    ASSERT_TRUE(RunUntilEnded());
    // Audio records take their turn in the count too: the records after the
    // first picture alternate audio and video, so every fourth record is
    // every second picture.
    const auto captions = Captions();
    std::vector<std::string> expected;
    for (int picture = 2; picture < 20; picture += 2) expected.push_back(CaptionAt(12, 0, picture, 0));
    EXPECT_EQ(captions, expected);
}

TEST_F(PlayerLoopTest, FastPlaySlowSpeedsSleepBetweenPictures) {
    OpenOneASecond(12, 6);
    player.SetFastSpeed(1);  // 80 ms before each picture (and each audio record)
    ASSERT_TRUE(player.Start(PlayMode::FastPlay));
    ASSERT_TRUE(RunUntilEnded());
    ASSERT_EQ(shown.size(), 5u);
    for (int gap : Gaps()) ExpectGap(gap, 2 * 81, "an audio and a video record, 80 ms and 1 ms each");
}

TEST_F(PlayerLoopTest, PauseKeepsThePlaceAndPlayContinuesFromIt) {
    std::vector<SystemTime> times;
    std::vector<int> types;
    for (int i = 0; i < 12; ++i) {
        times.push_back(AddMilliseconds(At(8, 0, 0, 0), 100 * i));  // 100 ms apart
        types.push_back(i % 10 == 0 ? kFrameKey : kFrameDependent);
    }
    Open(times, types);
    ASSERT_TRUE(player.Start(PlayMode::Play));
    RunWhile([this] { return shown.size() < 3; }, milliseconds(3000));
    player.Stop();
    ASSERT_FALSE(player.IsPlaying());
    ASSERT_GE(shown.size(), 3u);
    const std::string last = shown.back()->caption;
    EXPECT_EQ(player.CurrentPicture(), shown.back());  // every picture shown before the stop arrived
    EXPECT_EQ(ends, 0);  // a stop is not the end of playback

    shown.clear();
    ASSERT_TRUE(player.Start(PlayMode::Play));
    ASSERT_TRUE(RunUntilEnded());
    const auto resumed = Captions();
    ASSERT_FALSE(resumed.empty());
    // The pre-read steps back one picture and forward one record: with an
    // audio record between two pictures, that is the audio record behind the
    // paused picture's predecessor, so the paused picture comes once more
    // and play goes on from there to the end.
    EXPECT_EQ(resumed.front(), last);
    EXPECT_EQ(resumed.back(), CaptionAt(8, 0, 1, 100));
    for (std::size_t i = 1; i < resumed.size(); ++i) EXPECT_LT(resumed[i - 1], resumed[i]);
}

TEST_F(PlayerLoopTest, WhilePlaying_StepsAreRefused_AnotherModeStopsIt_AStopWakesThePacingWait) {
    std::vector<PlayMode> modes;
    QObject::connect(&player, &Player::ModeChanged, [&](PlayMode m) { modes.push_back(m); });
    OpenOneASecond(6, 30);  // the worker spends its time in waits of 1000 ms
    ASSERT_TRUE(player.Start(PlayMode::Play));
    EXPECT_FALSE(player.Start(PlayMode::Play));  // already playing
    std::this_thread::sleep_for(milliseconds(100));
    EXPECT_FALSE(player.StepForward());  // refused: the worker owns the reader
    EXPECT_FALSE(player.StepBack());
    auto start = Clock::now();
    ASSERT_TRUE(player.Start(PlayMode::BackPlay));  // stops play first
    EXPECT_LT(Clock::now() - start, milliseconds(1000));
    ASSERT_TRUE(RunUntilEnded());
    EXPECT_EQ(ends, 1);  // only the last mode reached its end
    ASSERT_TRUE(player.Start(PlayMode::FastPlay));
    player.Stop();
    player.Stop();
    EXPECT_EQ(modes, (std::vector<PlayMode>{PlayMode::Play, PlayMode::Idle, PlayMode::BackPlay, PlayMode::Idle,
                                            PlayMode::FastPlay, PlayMode::Idle}));
}

TEST_F(PlayerLoopTest, UnknownCodecEndsPlaybackWithTheMessage) {
    Open({At(7, 0, 0, 0), At(7, 0, 0, 40), At(7, 0, 0, 80)}, {1, 0, 0}, 12);  // the first picture says so once
    for (auto mode : {PlayMode::Play, PlayMode::FastPlay}) {
        ASSERT_TRUE(player.Start(mode));
        ASSERT_TRUE(RunUntilEnded());
        EXPECT_EQ(ends, mode == PlayMode::Play ? 1 : 2);
    }
    EXPECT_EQ(notifier.Messages(), std::vector<std::string>(3, kIncorrectCodecText));
    EXPECT_TRUE(shown.empty());
}

}  // namespace
}  // namespace korvane::testing
