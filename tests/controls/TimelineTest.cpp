// The timeline and the readout beside it over a real engine, under real mouse
// events: a click and a drag seek, hovering only shows the time, the gap is
// drawn as a gap and the marker follows the picture shown.
#include <gtest/gtest.h>

#include <QTest>
#include <QWheelEvent>

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

// 40 pictures, the fixture's first 20 twice, picture i `ms(i)` after kStart.
std::string Write(const TempDir& dir, const std::string& name, std::int64_t (*ms)(int)) {
    const auto frames = ReadVideoFrames(std::string(KORVANE_TEST_DATA) + "/mpeg4_352x240.m4v");
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    for (int i = 0; i < 40; ++i) {
        const VideoFrame& f = frames.at(static_cast<std::size_t>(i % 20));
        w.AddVideo(0, 7, f.key ? kFrameKey : kFrameDependent, f.bytes, AddMilliseconds(kStart, ms(i)), 7);
    }
    const std::string path = dir.File(name);
    w.WriteFile(path);
    return path;
}

class TimelineTest : public ::testing::Test {
protected:
    void SetUp() override {
        timeline.Attach(session);
        readout.Attach(session);
        timeline.resize(400, kTimelineHeight);
        timeline.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&timeline));
        // 20 pictures 40 ms apart, nothing for 10 s, 20 more.
        ASSERT_TRUE(session.Open(Write(dir, "gap.MP4", [](int i) -> std::int64_t { return 40 * i + (i >= 20 ? 10'000 : 0); })));
        EXPECT_EQ(timeline.Progress(), 0);  // the index is being built
        ASSERT_TRUE(QTest::qWaitFor([&] { return timeline.Progress() < 0; }));
    }
    std::int64_t Shown() const { return *session.CurrentTime(); }
    // The picture a seek to `time` must show.
    std::int64_t PictureAt(std::int64_t time) const { return session.Track()->Entry(*session.Track()->PictureAt(time)).time; }
    QColor PixelAt(std::int64_t time) const { return Rendered(const_cast<Timeline&>(timeline)).pixelColor(*timeline.XAt(time), 10); }

    TempDir dir;
    StderrNotifier notifier{false};
    Session session{notifier};
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

// The wheel keeps the time under the pointer, in and out, down to four
// seconds of strip; zoomed in, a drag moves the strip and seeks nowhere, a click still seeks.
TEST_F(TimelineTest, TheWheelZoomsAroundThePointerAndAZoomedStripIsDraggedSideways) {
    // The wheel keeps the time under the pointer, in and out, down to four seconds of strip.
    const int width = timeline.width();
    const struct { int x; int notches; } wheels[] = {{width / 4, 3}, {width / 2, 5}, {width - 20, -2}, {40, 20}, {width / 3, -40}};
    for (const auto& w : wheels) {
        const std::int64_t under = *timeline.TimeAt(w.x);
        QWheelEvent wheel(QPointF(w.x, 8), timeline.mapToGlobal(QPointF(w.x, 8)), {}, QPoint(0, 120 * w.notches),
                          Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&timeline, &wheel);
        if (timeline.Scale().Zoomed() && w.notches > 0) {
            EXPECT_NEAR(double(*timeline.TimeAt(w.x)), double(under), 2.0) << w.x;
        }
        EXPECT_GE(timeline.Scale().ViewLength(), TimelineScale::kShortestView - 1e-6);
    }
    EXPECT_FALSE(timeline.Scale().Zoomed());  // out again to the whole span
    // Zoomed in, a drag moves the strip and seeks nowhere; a click still seeks.
    QWheelEvent in(QPointF(width / 2, 8), timeline.mapToGlobal(QPointF(width / 2, 8)), {}, QPoint(0, 120 * 6),
                   Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&timeline, &in);
    ASSERT_TRUE(timeline.Scale().Zoomed());
    const std::int64_t shown = Shown(), atRight = *timeline.TimeAt(width / 2 + 100);
    QTest::mousePress(&timeline, Qt::LeftButton, {}, QPoint(width / 2 + 100, 8));
    QTest::mouseMove(&timeline, QPoint(width / 2 + 50, 8));
    QTest::mouseMove(&timeline, QPoint(width / 2, 8));
    QTest::mouseRelease(&timeline, Qt::LeftButton, {}, QPoint(width / 2, 8));
    EXPECT_NEAR(double(*timeline.TimeAt(width / 2)), double(atRight), 2.0);
    EXPECT_EQ(Shown(), shown);
    QTest::mouseClick(&timeline, Qt::LeftButton, {}, QPoint(width / 2, 8));
    EXPECT_NE(Shown(), shown);
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

// A clock set back by an hour after 20 pictures: both stretches side by side
// on one scale (not an hour of empty strip), the jump marked between them,
// and a click right of the jump goes into the later stretch.
TEST_F(TimelineTest, AClockSetBackShowsBothStretchesOnOneScaleWithTheJumpMarked) {
    EXPECT_TRUE(timeline.Jumps().empty());  // the recording with a gap never went back
    ASSERT_TRUE(session.Open(Write(dir, "back.MP4", [](int i) -> std::int64_t { return 40 * (i % 20) - (i >= 20 ? 3'600'000 : 0); })));
    ASSERT_TRUE(session.WaitForIndex());
    const std::int64_t start = CaptureMilliseconds(kStart), before = start - 3'600'000;
    ASSERT_EQ(timeline.Jumps().size(), 1u);
    const int jump = timeline.Jumps().front();
    EXPECT_NEAR(jump, timeline.width() / 2, timeline.width() / 20);
    EXPECT_EQ(*timeline.XAt(before), jump);
    EXPECT_LT(*timeline.XAt(start + 700), jump);
    EXPECT_LE(*timeline.XAt(start + 760), jump);
    EXPECT_GT(*timeline.XAt(before + 760), jump);
    EXPECT_EQ(PixelAt(start + 400), Skin().filled);
    EXPECT_EQ(PixelAt(before + 400), Skin().filled);
    QTest::mouseClick(&timeline, Qt::LeftButton, {}, QPoint(jump + (timeline.width() - jump) / 2, 10));
    EXPECT_GE(Shown(), before);
    EXPECT_LE(Shown(), before + 760);
}

// The hover label lies whole inside the strip beside the pointer, at any
// width and at either end; it shortens to the time of day where the whole
// time does not fit, and a resize (a zoom under a pointer that left) takes it away.
TEST_F(TimelineTest, TheHoverLabelAlwaysFitsAndGoesWithThePointer) {
    for (int width : {400, 120, 90}) {
        timeline.resize(width, kTimelineHeight);
        for (int x : {0, width / 2, width - 1}) {
            QTest::mouseMove(&timeline, QPoint(x, 10));
            const auto label = timeline.HoverLabel();
            ASSERT_TRUE(label) << width << " " << x;
            EXPECT_TRUE(timeline.rect().contains(label->first)) << width << " " << x;
            const int w = label->first.width();
            if (x + 6 + w <= width || x - 6 - w >= 0) {  // room beside the pointer: the label is there
                EXPECT_FALSE(label->first.contains(QPoint(x, 10))) << width << " " << x;
            }
            const std::string whole = FormatCaptureTime(FromCaptureMilliseconds(*timeline.HoverTime()));
            const bool fits = timeline.fontMetrics().horizontalAdvance(QString::fromStdString(whole)) + 8 <= width;
            EXPECT_EQ(label->second.toStdString(), fits ? whole : whole.substr(11)) << width;
        }
    }
    timeline.resize(300, kTimelineHeight);
    EXPECT_FALSE(timeline.HoverLabel());
}

}  // namespace
}  // namespace korvane::testing
