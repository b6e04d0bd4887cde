// What must hold on any file and under any timing: a stop is a stop (the worker has ended when it
// returns, also in a long group walk), one worker at a time, backward modes end on damaged recordings.
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"
#include "media/CodecLog.h"
#include "platform/Mailbox.h"
#include "tests/playback/SessionHarness.h"
#include "tests/support/TestData.h"

namespace korvane::testing {
namespace {

// Where a record's fields lie from its start (the 16-byte prefix, then the frame header).
constexpr std::uint32_t kKeyFrameOffsetAt = 16 + 24;
constexpr std::uint32_t kDataLengthAt = 16 + 28;
constexpr std::uint32_t kTotalLengthAt = 16 + 36;

// Two seconds apart: longer than the pacing waits for, so the loops run flat out.
SystemTime At(int i) { return AddMilliseconds(MakeTime(2026, 1, 2, 3, 0, 0, 0), 2000 * std::int64_t{i}); }

class SessionRobustnessTest : public ::testing::Test, public SessionHarness {
protected:
    static void SetUpTestSuite() {
        s_frames = ReadVideoFrames(TestData("mpeg4_352x240.m4v"));
        RouteCodecLogToDebugLog();  // damaged pictures make libavcodec talk
    }

    // A key picture, then `count` pictures of `type` (one audio record after
    // every tenth), each a fixture frame in turn.
    static RecordingWriter Write(int count, std::uint8_t type) {
        RecordingWriter w(kFileKind514);
        w.Header().setPlayCamera(0, 1);
        for (int i = 0; i <= count; ++i) {
            const std::uint8_t frameType = i == 0 ? std::uint8_t{kFrameKey} : type;
            w.AddVideo(0, 7, frameType, s_frames[std::size_t(i) % s_frames.size()].bytes, At(i), 7);
            if (i % 10 == 0) w.AddAudio(0, 1, std::vector<std::uint8_t>(160, 0), At(i));
        }
        return w;
    }
    bool OpenBytes(const std::vector<std::uint8_t>& bytes) {
        const std::string path = dir.Write("rec.MP4", bytes);
        return session.OpenCommandLine(path);
    }
    void StepToTheEnd(int steps) {
        for (int i = 0; i < steps; ++i) session.StepForward();
    }
    // Runs a backward mode from where the reader stands; it must end by itself.
    void ExpectEnds(PlayMode mode, const std::string& what) {
        const int endsBefore = ends;
        if (!session.Start(mode)) return;  // nothing to play is an end too
        RunUntilEnded();
        session.Stop();
        EXPECT_EQ(ends, endsBefore + 1) << what;
    }

    static inline std::vector<VideoFrame> s_frames;
};

// Recordings that once kept back play going for ever.
TEST_F(SessionRobustnessTest, BackwardModesEndOnDamagedChains) {
    struct Case {
        const char* what;
        void (*damage)(RecordingWriter& w);
    };
    const Case cases[] = {
        {"a group picture keyed to itself",
         [](RecordingWriter& w) {
             const std::uint32_t last = w.Offsets().back();
             w.PatchU32(last + kKeyFrameOffsetAt, last);
         }},
        {"lengths that lead the walk into a picture's data",
         [](RecordingWriter& w) {
             const auto& o = w.Offsets();
             w.PatchU32(o[2] + kDataLengthAt, 8);
             w.PatchU32(o[2] + kTotalLengthAt, 8);
         }},
        {"a length that makes the walk jump over its target",
         [](RecordingWriter& w) {
             // The records end ... V10, A, V11, V12: the audio record's length leads on to V12.
             const auto& o = w.Offsets();
             const std::uint32_t audio = o[o.size() - 3], last = o.back();
             w.PatchU32(audio + kTotalLengthAt, last - audio - std::uint32_t{kRecordHeadSize});
         }},
    };
    for (const Case& c : cases) {
        RecordingWriter w = Write(12, kFrameGroup);
        c.damage(w);
        ASSERT_TRUE(OpenBytes(w.Bytes())) << c.what;
        for (PlayMode mode : {PlayMode::BackPlay, PlayMode::FastBackPlay}) {
            session.SetFastSpeed(5);
            StepToTheEnd(14);
            ExpectEnds(mode, c.what);
        }
    }
}

TEST_F(SessionRobustnessTest, BackwardModesEndOnEveryBitFlippedRecording) {
    RecordingWriter w = Write(10, kFrameGroup);
    for (int i = 0; i < 6; ++i) w.AddVideo(0, 7, kFrameDependent, s_frames[std::size_t(i)].bytes, At(11 + i), 7);
    const std::vector<std::uint8_t> clean = w.Bytes();
    std::mt19937 random(20261206);
    std::uniform_int_distribution<std::size_t> at(kFileHeaderSize, clean.size() - 1);
    std::uniform_int_distribution<int> bit(0, 7);
    session.SetFastSpeed(5);
    ASSERT_TRUE(OpenBytes(clean));
    StepToTheEnd(16);
    const std::size_t bound = 5 * session.Cache().Bytes() / 17;
    session.SetCacheBound(bound);
    for (int file = 0; file < 100; ++file) {
        std::vector<std::uint8_t> bytes = clean;
        for (int flip = 0; flip < 6; ++flip) bytes[at(random)] ^= static_cast<std::uint8_t>(1u << bit(random));
        if (!OpenBytes(bytes)) continue;
        const std::string what = "file " + std::to_string(file);
        StepToTheEnd(18);
        ExpectEnds(PlayMode::BackPlay, what);
        StepToTheEnd(18);
        ExpectEnds(PlayMode::FastBackPlay, what);
    }
    EXPECT_LE(session.Cache().PeakBytes(), bound);  // damaged groups never take the cache past its bound
}

// A run waits on the time source until its deadline or a stop; a stop ends
// the wait (time never moves here), joins the thread, and the next run waits again.
TEST(PlaybackWorker, AStopEndsTheWaitAndJoins_OneRunAtATime) {
    ManualTimeSource time;
    PlaybackWorker worker(time);
    std::atomic<int> running{0}, most{0}, woken{0};
    auto loop = [&] {
        most = std::max(most.load(), ++running);
        if (!time.WaitUntil(time.Now() + std::chrono::hours(1))) ++woken;
        --running;
    };
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(worker.Start(loop));
        ASSERT_TRUE(time.NextDeadline());  // the run waits
        ASSERT_TRUE(worker.Start(loop));   // stops the first, starts another
        ASSERT_TRUE(time.NextDeadline());
        worker.Stop();
        EXPECT_EQ(running.load(), 0);  // the loop has returned when Stop returns
        EXPECT_FALSE(worker.StopFlag().load());
    }
    EXPECT_EQ(most.load(), 1);
    EXPECT_EQ(woken.load(), 6);
}

}  // namespace
}  // namespace korvane::testing
