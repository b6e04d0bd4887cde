// Every mode paced by the session clock, on a manual clock: which pictures
// are shown, in which order, and exactly when; the fast multiples; key
// pictures when decoding cannot keep up; pause, stop and mode changes.
#include <gtest/gtest.h>

#include <cstdlib>

#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"
#include "recording/TimeStamp.h"
#include "tests/playback/SessionHarness.h"
#include "tests/support/TestData.h"

namespace korvane::testing {
namespace {

class PacingTest : public ::testing::Test, public SessionHarness {
protected:
    static void SetUpTestSuite() {
        EnsureGuiApp();
        s_frames = ReadVideoFrames(TestData("mpeg4_352x240.m4v"));
    }
    void TearDown() override { session.Stop(); }

    // One video record of camera 0 a time stamp, the fixture's pictures in
    // turn (keys where the stream has them), an audio record after each.
    void Open(const std::vector<SystemTime>& times) {
        RecordingWriter w(kFileKind514);
        w.Header().setPlayCamera(0, 1);
        for (std::size_t i = 0; i < times.size(); ++i) {
            const VideoFrame& f = s_frames[i % s_frames.size()];
            w.AddVideo(0, 7, f.key ? kFrameKey : kFrameDependent, f.bytes, times[i], 7);
            w.AddAudio(0, 1, std::vector<std::uint8_t>(160, 0), times[i]);
        }
        w.WriteFile(dir.File("rec.MP4"));
        ASSERT_TRUE(session.Open(dir.File("rec.MP4")));
        ASSERT_TRUE(session.WaitForIndex());
        shown.clear();
    }
    // `count` pictures `step` ms apart from `start`.
    static std::vector<SystemTime> Every(SystemTime start, int step, int count) {
        std::vector<SystemTime> times;
        for (int i = 0; i < count; ++i) times.push_back(AddMilliseconds(start, std::int64_t{step} * i));
        return times;
    }
    std::vector<std::int64_t> ShownTimes() const {
        std::vector<std::int64_t> out;
        for (const PictureHandle& p : shown) out.push_back(CaptureMilliseconds(p->captureTime));
        return out;
    }
    static inline std::vector<VideoFrame> s_frames;
};

SystemTime T(int year, int month, int day, int hour, int minute, int second, int ms) {
    return MakeTime(year, month, day, hour, minute, second, ms);
}

// The recorded pace across minute, month and year boundaries; a gap of more
// than a second and a stamp going back are not waited for.
TEST_F(PacingTest, PlayShowsEachPictureAtItsCaptureTimeOnTheClock) {
    struct Case {
        const char* what;
        std::vector<SystemTime> times;
        std::vector<int> schedule;  // ms after the first picture after the start
    };
    const Case cases[] = {
        {"a minute boundary, then a gap of 1.5 s",
         {T(2026, 2, 3, 9, 59, 59, 880), T(2026, 2, 3, 9, 59, 59, 920), T(2026, 2, 3, 9, 59, 59, 960),
          T(2026, 2, 3, 10, 0, 0, 0), T(2026, 2, 3, 10, 0, 0, 40), T(2026, 2, 3, 10, 0, 1, 540),
          T(2026, 2, 3, 10, 0, 1, 580)},
         {0, 40, 80, 120, 120, 160}},
        {"a month boundary", Every(T(2026, 1, 31, 23, 59, 59, 900), 50, 5), {0, 50, 100, 150}},
        {"a year boundary", Every(T(2025, 12, 31, 23, 59, 59, 880), 60, 5), {0, 60, 120, 180}},
        {"the clock set back", {T(2026, 5, 5, 8, 0, 0, 0), T(2026, 5, 5, 8, 0, 0, 40), T(2026, 5, 5, 7, 0, 0, 0),
                                T(2026, 5, 5, 7, 0, 0, 40)},
         {0, 0, 40}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Open(c.times);
        ASSERT_TRUE(session.Start(PlayMode::Play));
        RunUntilEnded();
        EXPECT_EQ(ends, 1);
        EXPECT_EQ(Schedule(), c.schedule);
        ends = 0;
    }
}

// Back play shows each earlier picture as soon as the clock, running back,
// has left the one on screen: the latest picture at or before it.
TEST_F(PacingTest, BackPlayShowsTheLatestPictureAtOrBeforeTheClockRunningBack) {
    Open(Every(T(2026, 2, 3, 10, 0, 0, 0), 40, 8));
    ASSERT_TRUE(session.SeekToLast());
    shown.clear();
    const auto started = manual->Now();
    ASSERT_TRUE(session.Start(PlayMode::BackPlay));
    RunUntilEnded();
    ASSERT_EQ(shown.size(), 7u);
    const std::int64_t last = CaptureMilliseconds(T(2026, 2, 3, 10, 0, 0, 280));
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const auto at = std::chrono::duration_cast<milliseconds>(shown[i]->presentedAt - started).count();
        const std::int64_t clock = last - at;  // the clock when the picture came
        EXPECT_LE(CaptureMilliseconds(shown[i]->captureTime), clock) << i;
        EXPECT_EQ(CaptureMilliseconds(shown[i]->captureTime), last - 40 * std::int64_t(i + 1)) << i;
        EXPECT_EQ(at, 40 * std::int64_t(i) + 1) << i;  // 1 ms after the clock left the picture before
    }
}

// Fast play at each level plays at its multiple of the recorded pace,
// forward and backward, measured against capture time on the manual clock.
TEST_F(PacingTest, FastLevelsPlayAtTheirMultiples) {
    Open(Every(T(2026, 4, 4, 4, 0, 0, 0), 500, 40));  // 19.5 s, keys every 10 pictures
    for (int level = 0; level <= 5; ++level) {
        for (const PlayMode mode : {PlayMode::FastPlay, PlayMode::FastBackPlay}) {
            SCOPED_TRACE(::testing::Message() << "level " << level << (mode == PlayMode::FastPlay ? " forward" : " back"));
            ASSERT_TRUE(mode == PlayMode::FastPlay ? session.SeekToFirst() : session.SeekToLast());
            session.SetFastSpeed(level);
            shown.clear();
            ASSERT_TRUE(session.Start(mode));
            RunUntilEnded();
            ASSERT_EQ(shown.size(), 39u);  // decoding keeps up: every picture
            const auto times = ShownTimes();
            const double played = std::llabs(times.back() - times.front()), took = Schedule().back();
            EXPECT_NEAR(played / took, FastMultiple(level), 0.01 * FastMultiple(level));
        }
    }
}

// When decoding falls behind a fast rate (time moves on 400 ms past each
// deadline), the run shows key pictures instead of letting the clock slip:
// no picture is ahead of the clock, and the run ends when the clock does.
TEST_F(PacingTest, FastPlayBehindTheClockShowsKeyPicturesAndKeepsThePace) {
    Open(Every(T(2026, 4, 4, 4, 0, 0, 0), 40, 200));  // 8 s, keys every 10 pictures (400 ms)
    session.SetFastSpeed(1);  // 4x
    const auto started = manual->Now();
    ASSERT_TRUE(session.Start(PlayMode::FastPlay));
    RunUntilEnded(milliseconds(400));
    const std::int64_t first = CaptureMilliseconds(T(2026, 4, 4, 4, 0, 0, 0));
    std::int64_t previous = 0;
    std::size_t skips = 0;
    for (const PictureHandle& p : shown) {
        const auto at = std::chrono::duration_cast<milliseconds>(p->presentedAt - started).count();
        const std::int64_t captured = CaptureMilliseconds(p->captureTime) - first;
        EXPECT_LE(captured, 4 * at) << p->caption;  // never ahead of the clock
        if (captured - previous > 40) {
            ++skips;
            EXPECT_EQ(captured % 400, 0) << p->caption << ": a run that skips goes on from a key picture";
        }
        previous = captured;
    }
    EXPECT_GE(skips, 3u);
    EXPECT_LT(shown.size(), 100u);  // pictures were passed over
    const auto took = std::chrono::duration_cast<milliseconds>(manual->Now() - started).count();
    EXPECT_LE(took, 7960 / 4 + 400 + 50);  // the clock did not slip
}

TEST_F(PacingTest, PauseKeepsThePictureAndPlayGoesOnAfterIt) {
    Open(Every(T(2026, 8, 1, 8, 0, 0, 0), 100, 12));
    ASSERT_TRUE(session.Start(PlayMode::Play));
    RunWhile([this] { return shown.size() < 3; });
    session.Stop();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(session.CurrentPicture(), shown.back());
    EXPECT_EQ(ends, 0);  // a stop is not the end of playback
    const std::int64_t paused = ShownTimes().back();
    shown.clear();
    ASSERT_TRUE(session.Start(PlayMode::Play));
    RunUntilEnded();
    const auto resumed = ShownTimes();
    ASSERT_EQ(resumed.size(), 8u);
    EXPECT_EQ(resumed.front(), paused + 100);
    EXPECT_EQ(Schedule().back(), 700);
}

TEST_F(PacingTest, WhilePlaying_StepsAreRefused_AnotherModeStopsIt_AStopEndsTheWait) {
    std::vector<PlayMode> modes;
    QObject::connect(&session, &Session::ModeChanged, [&](PlayMode m) { modes.push_back(m); });
    Open(Every(T(2026, 6, 6, 6, 0, 0, 0), 1000, 30));
    ASSERT_TRUE(session.Start(PlayMode::Play));
    EXPECT_FALSE(session.Start(PlayMode::Play));  // already playing
    ASSERT_TRUE(manual->NextDeadline());            // the run waits: time stands still from here
    EXPECT_FALSE(session.StepForward());
    EXPECT_FALSE(session.StepBack());
    ASSERT_TRUE(session.Start(PlayMode::BackPlay));  // stops play first, whose wait never ends by itself
    RunUntilEnded();
    EXPECT_EQ(ends, 1);  // only the last mode reached its end
    ASSERT_TRUE(session.Start(PlayMode::FastPlay));
    session.Stop();
    session.Stop();
    EXPECT_EQ(modes, (std::vector<PlayMode>{PlayMode::Play, PlayMode::Idle, PlayMode::BackPlay, PlayMode::Idle,
                                            PlayMode::FastPlay, PlayMode::Idle}));
}

// Sound switched on or off keeps the picture and, when playing, plays on
// from the same moment; a fast level changed while fast play runs takes at once.
TEST_F(PacingTest, SoundAndSpeedChangesKeepTheMoment) {
    Open(Every(T(2026, 7, 7, 7, 0, 0, 0), 40, 50));
    for (int i = 0; i < 5; ++i) session.StepForward();
    const PictureHandle before = session.CurrentPicture();
    session.SetSound(true);
    EXPECT_EQ(session.CurrentPicture(), before);
    EXPECT_TRUE(session.StepForward());  // steps go on with sound on
    session.SetSound(false);
    ASSERT_TRUE(session.Start(PlayMode::Play));
    RunWhile([this] { return shown.size() < 3; });
    session.SetSound(true);
    EXPECT_EQ(session.Mode(), PlayMode::PlaySound);
    session.SetSound(false);
    EXPECT_EQ(session.Mode(), PlayMode::Play);
    session.Stop();
    const auto times = ShownTimes();
    for (std::size_t i = 1; i < times.size(); ++i) EXPECT_EQ(times[i] - times[i - 1], 40) << i;
}

}  // namespace
}  // namespace korvane::testing
