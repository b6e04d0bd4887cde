// Navigation on real recordings: the background index, seeks by capture time (also while playing), camera
// switches that keep the moment, a clock set back and a camera without pictures.
#include <gmock/gmock.h>

#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"
#include "recording/TimeStamp.h"
#include "tests/playback/SessionHarness.h"

namespace korvane::testing {
namespace {

const SystemTime kNavigationStart = MakeTime(2026, 7, 8, 9, 10, 11, 0);
std::int64_t SeekMs(std::int64_t ms) { return CaptureMilliseconds(kNavigationStart) + ms; }

// Camera 1 (0-based 0): `count` MPEG-4 pictures `step` ms apart from kNavigationStart
// plus `shift(i)`, keys at 0 and 10; then camera 2 (1): 10 pictures 100 ms apart.
std::string Write(const TempDir& dir, const std::string& name, int count, int step,
                  std::int64_t (*shift)(int) = [](int) { return std::int64_t{0}; }) {
    static const auto frames = ReadVideoFrames(std::string(KORVANE_TEST_DATA) + "/mpeg4_352x240.m4v");
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    const auto add = [&](int camera, int i, std::int64_t ms) {
        const VideoFrame& f = frames.at(static_cast<std::size_t>(i % 20));
        w.AddVideo(camera, 7, f.key ? kFrameKey : kFrameDependent, f.bytes, AddMilliseconds(kNavigationStart, ms), 7);
    };
    for (int i = 0; i < count; ++i) add(0, i, std::int64_t{step} * i + shift(i));
    for (int i = 0; i < 10; ++i) add(1, i, 100 * i);
    const std::string path = dir.File(name);
    w.WriteFile(path);
    return path;
}

// "CAM =c  YYYY-MM-DD HH:MM:SS  mmm" of the picture at kNavigationStart + ms.
std::string Caption(int camera, std::int64_t ms) {
    const SystemTime t = AddMilliseconds(kNavigationStart, ms);
    char text[64];
    std::snprintf(text, sizeof text, "CAM =%d  %04d-%02d-%02d %02d:%02d:%02d  %03d", camera, t.year, t.month, t.day,
                  t.hour, t.minute, t.second, t.milliseconds);
    return text;
}

class Navigation : public ::testing::Test {
protected:
    std::string Shown() const { return h.shown.empty() ? "" : h.shown.back()->caption; }
    SessionHarness h;
};

TEST_F(Navigation, SeeksAndCameraSwitchesLandOnTheExactMomentAndACameraWithoutPicturesIsRefused) {
    ASSERT_TRUE(h.session.Open(Write(h.dir, "rec.MP4", 20, 40)));
    ASSERT_TRUE(h.session.WaitForIndex());
    EXPECT_EQ(h.session.Cameras(), (std::vector<int>{0, 1}));
    const struct { int camera; /* -1: a seek to target */ std::int64_t target; std::string shown; } steps[] = {
        {-1, SeekMs(530), Caption(1, 520)},  {1, 0, Caption(2, 500)},   {-1, SeekMs(250), Caption(2, 200)},
        {0, 0, Caption(1, 200)},         {-1, SeekMs(-9000), Caption(1, 0)}, {-1, SeekMs(99999), Caption(1, 760)},
    };
    for (const auto& s : steps) {
        EXPECT_TRUE(s.camera < 0 ? h.session.SeekTo(s.target) : h.session.SelectCamera(s.camera));
        EXPECT_EQ(Shown(), s.shown);
        EXPECT_EQ(*h.session.CurrentTime(), CaptureMilliseconds(h.shown.back()->captureTime));
    }
    const std::size_t pictures = h.shown.size();
    EXPECT_FALSE(h.session.SelectCamera(4));
    EXPECT_THAT(h.notifier.Messages(), ::testing::ElementsAre("This recording holds no pictures of camera 5."));
    EXPECT_EQ(h.session.SelectedCamera(), 0);
    EXPECT_EQ(h.shown.size(), pictures);

    // Moving by time: forward past the end stays on the last picture, back from it by a minute to the first.
    EXPECT_FALSE(h.session.SeekBy(10'000));
    EXPECT_TRUE(h.session.SeekBy(-60'000));
    EXPECT_EQ(Shown(), Caption(1, 0));
    EXPECT_TRUE(h.session.SeekToLast() && Shown() == Caption(1, 760)) << Shown();
}

TEST_F(Navigation, ASeekOrSwitchWhilePlayingGoesOnPlayingFromThere) {
    ASSERT_TRUE(h.session.Open(Write(h.dir, "rec.MP4", 20, 40)));
    ASSERT_TRUE(h.session.WaitForIndex());
    ASSERT_TRUE(h.session.Start(PlayMode::Play));
    ASSERT_TRUE(h.session.SeekTo(SeekMs(600)));
    const std::size_t sought = h.shown.size() - 1;
    h.RunUntilEnded();
    const std::vector<std::string> captions = h.Captions();
    EXPECT_EQ(std::vector<std::string>(captions.begin() + static_cast<std::ptrdiff_t>(sought), captions.end()),
              (std::vector<std::string>{Caption(1, 600), Caption(1, 640), Caption(1, 680), Caption(1, 720),
                                        Caption(1, 760)}));

    ASSERT_TRUE(h.session.SeekTo(SeekMs(0)));
    ASSERT_TRUE(h.session.Start(PlayMode::Play));
    ASSERT_TRUE(h.session.SelectCamera(1));
    h.RunUntilEnded();
    EXPECT_EQ(Shown(), Caption(2, 900));  // camera 2 played to its end
}

// Camera 1's clock is set back after its tenth picture: times 0..360, then -1000..-640.
TEST_F(Navigation, AClockSetBackGivesTheLatestPictureAtOrBeforeAndPlayEnds) {
    ASSERT_TRUE(h.session.Open(Write(h.dir, "back.MP4", 20, 40, [](int i) { return i < 10 ? 0 : std::int64_t{-1400}; })));
    ASSERT_TRUE(h.session.WaitForIndex());
    EXPECT_EQ(h.session.Set()->Index(0)->ClockSetBacks(0), 1u);
    for (auto [target, shown] :
         {std::pair{SeekMs(100), 80}, {SeekMs(-900), -920}, {SeekMs(-5000), -1000}, {SeekMs(-500), -640}}) {
        ASSERT_TRUE(h.session.SeekTo(target));
        EXPECT_EQ(Shown(), Caption(1, shown));
    }
    ASSERT_TRUE(h.session.Start(PlayMode::Play));
    h.RunUntilEnded();
    EXPECT_FALSE(h.session.IsPlaying());
}

TEST_F(Navigation, TheIndexOfARecordingOpenedAgainInTheMeantimeIsNeverAnnounced) {
    std::vector<int> progress;
    int ready = 0;
    QObject::connect(&h.session, &Session::IndexProgress, [&](int percent) { progress.push_back(percent); });
    QObject::connect(&h.session, &Session::IndexReady, [&] { ++ready; });
    const std::string first = Write(h.dir, "a.MP4", 300, 40), second = Write(h.dir, "b.MP4", 5, 40);
    ASSERT_TRUE(h.session.Open(first));
    ASSERT_TRUE(h.session.Open(second));  // the first index may have been announced while its recording was open
    ready = 0;
    ASSERT_TRUE(h.session.WaitForIndex());
    QCoreApplication::processEvents();
    EXPECT_EQ(ready, 1);
    EXPECT_EQ(h.session.Set()->Index(0)->Size(), 15u);
    EXPECT_EQ(progress.empty() ? -1 : progress.back(), 100);
    EXPECT_FALSE(h.session.Open(h.dir.File("missing.MP4")));
    EXPECT_FALSE(h.session.WaitForIndex());
    EXPECT_EQ(h.session.Set(), nullptr);
}

}  // namespace
}  // namespace korvane::testing
