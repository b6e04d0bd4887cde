// Every picture reached backward, by any move, is byte for byte the picture
// forward play shows for that record; so is every picture forward play shows
// after a backward move. Checked for MPEG-4 and H.264 streams of dependent
// pictures and for group pictures, with a roomy cache and with one that holds
// only a few pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"
#include "tests/playback/SessionHarness.h"

namespace korvane::testing {
namespace {

struct Family {
    const char* name;
    const char* stream;
    std::uint8_t codec;
    std::uint8_t resolution;
    std::uint8_t dependentType;
};

const Family kFamilies[] = {
    {"MPEG-4 dependent pictures", "mpeg4_352x240.m4v", 7, 7, kFrameDependent},
    {"H.264 dependent pictures", "h264_704x480.h264", 10, 15, kFrameDependent},
    {"H.264 group pictures", "h264_704x480.h264", 10, 15, kFrameGroup},
};

class ExactBackwardTest : public ::testing::TestWithParam<Family>, public SessionHarness {
protected:
    // The fixture's pictures 40 ms apart, keys where the stream has them,
    // with an audio record after every fifth picture.
    void Open() {
        const Family& f = GetParam();
        const auto frames = ReadVideoFrames(std::string(KORVANE_TEST_DATA) + "/" + f.stream);
        RecordingWriter w(kFileKind514);
        w.Header().setPlayCamera(0, 1);
        m_count = std::min<int>(36, static_cast<int>(frames.size()));
        for (int i = 0; i < m_count; ++i) {
            const SystemTime t = AddMilliseconds(MakeTime(2026, 3, 4, 5, 6, 7, 0), 40 * i);
            w.AddVideo(0, f.codec, frames[std::size_t(i)].key ? std::uint8_t{kFrameKey} : f.dependentType,
                       frames[std::size_t(i)].bytes, t, f.resolution);
            if (i % 5 == 4) w.AddAudio(0, 1, std::vector<std::uint8_t>(160, 0), t);
        }
        w.WriteFile(dir.File("rec.MP4"));
        ASSERT_TRUE(session.OpenCommandLine(dir.File("rec.MP4")));
        // Forward, picture after picture from the first: the pictures every other move must match.
        Remember(session.CurrentPicture());
        for (int i = 1; i < m_count; ++i) {
            session.StepForward();
            Remember(session.CurrentPicture());
        }
        ASSERT_EQ(m_forward.size(), std::size_t(m_count));
        shown.clear();
    }
    void Remember(const PictureHandle& p) {
        ASSERT_TRUE(p);
        m_forward.emplace(p->caption, std::vector<std::uint8_t>(p->Bytes().begin(), p->Bytes().end()));
    }
    // Every picture shown since the last check is the forward one.
    void ExpectExact(const char* move, std::size_t least) {
        EXPECT_GE(shown.size(), least) << move;
        for (const PictureHandle& p : shown) {
            const auto forward = m_forward.find(p->caption);
            ASSERT_NE(forward, m_forward.end()) << move << ": " << p->caption;
            EXPECT_TRUE(std::ranges::equal(forward->second, p->Bytes())) << move << ": " << p->caption;
        }
        shown.clear();
    }
    void Run(PlayMode mode) {
        ASSERT_TRUE(session.Start(mode));
        RunUntilEnded();
        ASSERT_FALSE(session.IsPlaying());
    }

    int m_count = 0;
    std::map<std::string, std::vector<std::uint8_t>> m_forward;
};

TEST_P(ExactBackwardTest, EveryMoveShowsTheForwardPicture) {
    for (const bool roomy : {true, false}) {
        SCOPED_TRACE(roomy ? "roomy cache" : "a cache of four pictures");
        m_forward.clear();
        if (!roomy) session.SetCacheBound(kDefaultPictureCacheBytes);
        Open();
        if (!roomy) session.SetCacheBound(4 * session.Cache().Bytes() / std::size_t(m_count));
        for (int i = 1; i < m_count; ++i) session.StepBack();
        ExpectExact("step back", std::size_t(m_count - 1));
        for (int i = 0; i < 7; ++i) session.StepForward();
        ExpectExact("step forward after stepping back", 7);
        session.SetFastSpeed(5);
        Run(PlayMode::FastPlay);  // to the end
        shown.clear();
        Run(PlayMode::BackPlay);
        ExpectExact("back play", std::size_t(m_count - 1));
        for (int i = 0; i < 12; ++i) session.StepForward();
        session.SetFastSpeed(2);
        Run(PlayMode::FastBackPlay);
        ExpectExact("fast back play", 12);
        Run(PlayMode::Play);
        ExpectExact("play after fast back play", std::size_t(m_count - 1));
        EXPECT_LE(session.Cache().PeakBytes(), session.Cache().Bound());
    }
}

TEST_P(ExactBackwardTest, APausedBackPlayLeavesThePictureForPlayToGoOnFrom) {
    Open();
    for (int i = 0; i < 3; ++i) session.StepBack();
    ASSERT_TRUE(session.Start(PlayMode::BackPlay));
    RunWhile([this] { return shown.size() < 6; });
    session.Stop();
    const std::string pausedOn = session.CurrentPicture()->caption;
    ExpectExact("back play", 6);
    session.StepForward();
    ExpectExact("a step forward after the pause", 1);
    session.StepBack();
    EXPECT_EQ(session.CurrentPicture()->caption, pausedOn);
    ExpectExact("a step back onto the paused picture", 1);
}

INSTANTIATE_TEST_SUITE_P(Families, ExactBackwardTest, ::testing::ValuesIn(kFamilies));

}  // namespace
}  // namespace korvane::testing
