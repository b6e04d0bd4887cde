// The timeline and the readout beside it over a real engine, under real mouse
// events: a click and a drag seek, hovering only shows the time, the gap is
// drawn as a gap and the marker follows the picture shown.
#include <gtest/gtest.h>

#include <QTest>

#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"
#include "authoring/TempDir.h"
#include "controls/PositionReadout.h"
#include "controls/SkinColours.h"
#include "controls/Timeline.h"
#include "recording/TimeStamp.h"
#include "tests/controls/ControlsSupport.h"

namespace korvane::testing {
namespace {

const SystemTime kStart = MakeTime(2026, 8, 9, 10, 11, 12, 0);

// 20 pictures 40 ms apart, nothing for 10 s, 20 more.
std::string WriteWithGap(const TempDir& dir) {
    const auto frames = ReadVideoFrames(std::string(KORVANE_TEST_DATA) + "/mpeg4_352x240.m4v");
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    for (int i = 0; i < 40; ++i) {
        const VideoFrame& f = frames.at(static_cast<std::size_t>(i % 20));
        const std::int64_t ms = 40 * i + (i >= 20 ? 10'000 : 0);
        w.AddVideo(0, 7, f.key ? kFrameKey : kFrameDependent, f.bytes, AddMilliseconds(kStart, ms), 7);
    }
    const std::string path = dir.File("gap.MP4");
    w.WriteFile(path);
    return path;
}

class TimelineTest : public ::testing::Test {
protected:
    void SetUp() override {
        timeline.Attach(player);
        readout.Attach(player);
        timeline.resize(400, kTimelineHeight);
        timeline.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&timeline));
        ASSERT_TRUE(player.Open(WriteWithGap(dir)));
        EXPECT_EQ(timeline.Progress(), 0);  // the index is being built
        ASSERT_TRUE(QTest::qWaitFor([&] { return timeline.Progress() < 0; }));
    }
    std::int64_t Shown() const { return *player.CurrentTime(); }
    // The picture a seek to `time` must show.
    std::int64_t PictureAt(std::int64_t time) const { return player.Track()->Entry(*player.Track()->PictureAt(time)).time; }
    QColor PixelAt(std::int64_t time) const { return Rendered(const_cast<Timeline&>(timeline)).pixelColor(*timeline.XAt(time), 10); }

    TempDir dir;
    StderrNotifier notifier{false};
    Player player{notifier};
    Timeline timeline;  // before the engine goes
    PositionReadout readout;
};

TEST_F(TimelineTest, ClickAndDragSeekHoverShowsTheTimeAndTheGapStaysEmpty) {
    const std::int64_t first = CaptureMilliseconds(kStart), last = first + 10'000 + 39 * 40;
    ASSERT_EQ(timeline.Gaps().size(), 1u);
    EXPECT_EQ(timeline.Gaps()[0].from, first + 19 * 40);
    EXPECT_EQ(timeline.Gaps()[0].to, first + 10'000 + 20 * 40);
    EXPECT_EQ(timeline.TimeAt(0), first);
    EXPECT_EQ(timeline.TimeAt(399), last);
    EXPECT_EQ(PixelAt(first + 5000), Skin().groove);  // inside the gap
    EXPECT_EQ(PixelAt(first + 10'900), Skin().filled);

    const int x = *timeline.XAt(first + 10'900);
    QTest::mouseClick(&timeline, Qt::LeftButton, {}, QPoint(x, 10));
    EXPECT_EQ(Shown(), PictureAt(*timeline.TimeAt(x)));
    EXPECT_GT(Shown(), first + 10'000);
    EXPECT_EQ(timeline.Marker(), Shown());
    EXPECT_EQ(PixelAt(Shown()), Skin().accent);
    EXPECT_EQ(readout.Text().toStdString(), FormatCaptureTime(FromCaptureMilliseconds(Shown())) + "  ||");

    // A drag seeks along the way and ends where it is let go.
    QTest::mousePress(&timeline, Qt::LeftButton, {}, QPoint(x, 10));
    QTest::mouseMove(&timeline, QPoint(120, 10));
    EXPECT_EQ(Shown(), PictureAt(*timeline.TimeAt(120)));
    QTest::mouseMove(&timeline, QPoint(5, 10));
    QTest::mouseRelease(&timeline, Qt::LeftButton, {}, QPoint(5, 10));
    EXPECT_EQ(Shown(), PictureAt(*timeline.TimeAt(5)));
    EXPECT_LT(Shown(), first + 1000);

    // Hovering shows the time under the pointer and seeks nowhere.
    const std::int64_t before = Shown();
    QTest::mouseMove(&timeline, QPoint(300, 10));
    EXPECT_EQ(timeline.HoverTime(), timeline.TimeAt(300));
    EXPECT_EQ(Shown(), before);
}

// The readout says the multiple a fast level plays at, and the multiple
// reached when decoding falls well short of it.
TEST(Readout, SaysTheMultipleAndWhatWasReached) {
    const struct { PlayMode mode; int level; double reached; const char* text; } cases[] = {
        {PlayMode::FastPlay, 0, 0, ">> 2x"},         {PlayMode::FastBackPlay, 2, 0, "<< 8x"},
        {PlayMode::FastPlay, 5, 60, ">> 64x"},       {PlayMode::FastBackPlay, 5, 41.3, "<< 64x (41x)"},
        {PlayMode::BackPlay, 5, 0.5, "< 1x"},        {PlayMode::Idle, 3, 0, "||"},
    };
    for (const auto& c : cases) EXPECT_EQ(DirectionText(c.mode, c.level, c.reached).toStdString(), c.text);
}

}  // namespace
}  // namespace korvane::testing
