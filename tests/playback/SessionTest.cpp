// A session over many recordings: a folder recognised by its headers, the
// recordings of a camera played as one in the order of their capture times
// across a gap and an overlap, and cameras interleaved in one chain played
// through; forward and backward, every picture exactly the one forward play
// shows, each at its capture time on the manual clock.
#include <gtest/gtest.h>

#include <map>

#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"
#include "recording/TimeStamp.h"
#include "tests/playback/SessionHarness.h"

namespace korvane::testing {
namespace {

const std::int64_t kStart = CaptureMilliseconds(MakeTime(2026, 9, 9, 9, 0, 0, 0));

class SessionTest : public ::testing::Test, public SessionHarness {
protected:
    static void SetUpTestSuite() {
        EnsureGuiApp();
        s_frames = ReadVideoFrames(std::string(KORVANE_TEST_DATA) + "/h264_704x480.h264");
    }
    void TearDown() override { session.Stop(); }

    // Pictures of `camera` 40 ms apart from `from` ms after kStart, the
    // fixture's frames from `frame` on (keys where the stream has them).
    static void AddPictures(RecordingWriter& w, int camera, std::int64_t from, int count, int frame) {
        for (int i = 0; i < count; ++i) {
            const VideoFrame& f = s_frames[std::size_t(frame + i) % s_frames.size()];
            w.AddVideo(camera, 10, f.key ? kFrameKey : kFrameDependent, f.bytes,
                       FromCaptureMilliseconds(kStart + from + 40 * i), 15);
        }
    }
    static std::int64_t Ms(const PictureHandle& p) { return CaptureMilliseconds(p->captureTime) - kStart; }

    // Steps from the first picture to the last, remembering each picture's bytes; then back.
    void ExpectStepsExactBothWays(std::size_t pictures) {
        ASSERT_TRUE(session.SeekToFirst());
        std::map<std::int64_t, std::vector<std::uint8_t>> forward;
        std::vector<std::int64_t> order;
        for (std::size_t i = 0; i < pictures; ++i) {
            const PictureHandle p = session.CurrentPicture();
            forward.emplace(Ms(p), std::vector<std::uint8_t>(p->Bytes().begin(), p->Bytes().end()));
            order.push_back(Ms(p));
            if (i + 1 < pictures) session.StepForward();
        }
        ASSERT_EQ(forward.size(), pictures) << "every picture once";
        for (std::size_t i = pictures - 1; i-- > 0;) {
            session.StepBack();
            const PictureHandle p = session.CurrentPicture();
            ASSERT_EQ(Ms(p), order[i]);
            EXPECT_TRUE(std::equal(p->Bytes().begin(), p->Bytes().end(), forward[Ms(p)].begin())) << Ms(p);
        }
        m_forward = std::move(forward);
    }
    // A mode from one end to the other: every picture shown exact, each at its capture time on the clock.
    void ExpectPlayedExact(PlayMode mode, std::size_t pictures) {
        ASSERT_TRUE(mode == PlayMode::Play ? session.SeekToFirst() : session.SeekToLast());
        shown.clear();
        const auto started = manual->Now();
        const std::int64_t from = Ms(session.CurrentPicture());
        ASSERT_TRUE(session.Start(mode));
        RunUntilEnded();
        ASSERT_EQ(shown.size(), pictures - 1);
        // The clock runs from (anchorAt, anchor); a gap over a second or a
        // time going back is not waited for: the clock moves to the picture.
        std::int64_t anchor = from, anchorAt = 0, expected = 0;
        const bool forward = mode == PlayMode::Play;
        for (std::size_t i = 0; i < shown.size(); ++i) {
            const std::int64_t at = Ms(shown[i]);
            const std::int64_t before = i == 0 ? from : Ms(shown[i - 1]);
            const std::int64_t step = forward ? at - before : before - at;
            if (step > 1000 || step < 0) {
                anchor = at, anchorAt = expected;
            } else {
                // Forward at its own time; backward 1 ms after the clock left the picture before.
                expected = std::max(expected, forward ? anchorAt + at - anchor : anchorAt + anchor - before + 1);
            }
            const auto clockMs = std::chrono::duration_cast<milliseconds>(shown[i]->presentedAt - started).count();
            EXPECT_EQ(clockMs, expected) << at;
            EXPECT_TRUE(std::equal(shown[i]->Bytes().begin(), shown[i]->Bytes().end(), m_forward[at].begin())) << at;
        }
    }

    std::map<std::int64_t, std::vector<std::uint8_t>> m_forward;
    static inline std::vector<VideoFrame> s_frames;
};

// Three recordings of camera 1 in a folder, named against their order in
// time: 0 to 1.16 s, then after a gap of 2 s, 3.2 to 4.36 s, and one that
// begins 0.98 s before that one ends. A file that is no recording is passed over.
TEST_F(SessionTest, ConsecutiveRecordingsPlayAsOneAcrossAGapAndAnOverlap) {
    const struct { const char* name; std::int64_t from; int frame; } files[] = {
        {"c-first.MP4", 0, 0}, {"a-second.MP4", 3200, 30}, {"b-third.MP4", 3200 + 29 * 40 - 1000 + 20, 60}};
    for (const auto& f : files) {
        RecordingWriter w(kFileKind514);
        w.Header().setPlayCamera(0, 1);
        AddPictures(w, 0, f.from, 30, f.frame);
        w.WriteFile(dir.File(f.name));
    }
    dir.Write("notes.txt", "not a recording");
    ASSERT_TRUE(session.Open(dir.Path()));
    ASSERT_TRUE(session.WaitForIndex());
    ASSERT_EQ(session.Set()->FileCount(), 3u);
    ASSERT_EQ(session.Set()->Overlaps().size(), 1u);
    const TrackOverlap& o = session.Set()->Overlaps().front();
    EXPECT_EQ(session.Set()->Path(o.laterFile), dir.File("b-third.MP4"));
    EXPECT_EQ(o.earlierEnds - o.laterStarts, 980);
    EXPECT_EQ(notifier.Messages().size(), 1u) << "the overlap is reported once";
    // Each recording plays whole, in the order of its first picture.
    const auto& segments = session.Track()->Segments();
    ASSERT_EQ(segments.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(session.Set()->Path(segments[i].file), dir.File(files[i].name));

    ExpectStepsExactBothWays(90);
    ExpectPlayedExact(PlayMode::Play, 90);
    ExpectPlayedExact(PlayMode::BackPlay, 90);
}

// Two cameras interleaved in one chain, record by record: each plays
// through the other's records, forward and backward, exactly.
TEST_F(SessionTest, InterleavedCamerasPlayEachThrough) {
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    for (int i = 0; i < 36; ++i) {
        AddPictures(w, 0, 40 * i, 1, i);
        AddPictures(w, 1, 40 * i + 20, 1, i);
    }
    w.WriteFile(dir.File("both.MP4"));
    ASSERT_TRUE(session.Open(dir.File("both.MP4")));
    ASSERT_TRUE(session.WaitForIndex());
    ASSERT_EQ(session.Cameras(), (std::vector<int>{0, 1}));
    for (const int camera : {0, 1}) {
        SCOPED_TRACE(camera + 1);
        ASSERT_TRUE(session.SelectCamera(camera));
        ExpectStepsExactBothWays(36);
        ExpectPlayedExact(PlayMode::Play, 36);
        ExpectPlayedExact(PlayMode::BackPlay, 36);
        for (const PictureHandle& p : shown) EXPECT_EQ(p->camera, camera);
    }
}

}  // namespace
}  // namespace korvane::testing
