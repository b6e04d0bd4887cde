// The window's motion search over a real recording: a still scene in which a
// dark box stands in the right half from 4.0 s to 7.0 s.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>

#include "app/Commands.h"
#include "app/MainWindow.h"
#include "app/MotionSearchPanel.h"
#include "app/PlayerView.h"
#include "authoring/FrameSource.h"
#include "controls/Timeline.h"
#include "recording/TimeStamp.h"
#include "tests/app/Clip.h"

namespace korvane::testing {
namespace {

const std::int64_t kStart = CaptureMilliseconds(MakeTime(2026, 4, 5, 6, 7, 8, 0));

class MotionPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        QStandardPaths::setTestModeEnabled(true);
        const auto frames = ReadVideoFrames(std::string(KORVANE_TEST_DATA) + "/motion_352x240.m4v");
        RecordingWriter w(kFileKind514);
        for (std::size_t i = 0; i < frames.size(); ++i) {
            w.AddVideo(0, 6, frames[i].key ? kFrameKey : kFrameDependent, frames[i].bytes,
                       AddMilliseconds(MakeTime(2026, 4, 5, 6, 7, 8, 0), 100 * std::int64_t(i)));
        }
        w.WriteFile(dir.File("scene.MP4"));
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        ASSERT_TRUE(session.Open(dir.File("scene.MP4")));
        ASSERT_TRUE(QTest::qWaitFor([this] { return window.View()->Shown() != nullptr; }));
        panel = window.ShowMotionSearch();
    }
    void Search() {
        QTest::mouseClick(panel->StartButton(), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([this] { return panel->StartButton()->isEnabled(); }, 20000));
    }

    TempDir dir;
    StderrNotifier notifier{false};
    Session session{notifier};
    MainWindow window{session, QString::fromStdString(dir.File("ClipExport"))};
    MotionSearchPanel* panel = nullptr;
};

TEST_F(MotionPanelTest, FindsTheEventMarksTheTimelineAndNGoesThere) {
    Search();
    ASSERT_EQ(panel->Events().size(), 1u);
    EXPECT_EQ(panel->List()->count(), 1);
    const MotionEvent found = panel->Events().front();
    EXPECT_EQ(found.startMs, kStart + 4000);
    EXPECT_EQ(window.TimelineStrip()->Events(),
              (std::vector<std::pair<std::int64_t, std::int64_t>>{{found.startMs, found.endMs}}));

    QTest::keyClick(&window, Qt::Key_N);
    EXPECT_EQ(session.CurrentTime(), found.startMs);
    QTest::keyClick(&window, Qt::Key_End);
    QTest::keyClick(&window, Qt::Key_N);  // none after the last
    EXPECT_EQ(session.CurrentTime(), kStart + 7900);
    QTest::keyClick(&window, Qt::Key_N, Qt::ShiftModifier);
    EXPECT_EQ(session.CurrentTime(), found.startMs);
}

TEST_F(MotionPanelTest, ARegionDraggedOnThePictureAwayFromTheBoxFindsNothing) {
    // The view point of a point of the coded picture (the player shows it at the record's size).
    const QRect area = window.View()->PictureRect(window.View()->rect(), window.View()->KeepProportions());
    auto at = [&](double x, double y) {
        return QPoint(area.left() + int(x * area.width() / 352), area.top() + int(y * area.height() / 240));
    };
    const double sx = window.View()->Shown()->width / 352.0, sy = window.View()->Shown()->height / 240.0;
    QTest::mouseClick(panel->findChildren<QPushButton*>().value(0), Qt::LeftButton);  // "Drag a region..."
    ASSERT_TRUE(window.View()->Picking());
    QTest::mousePress(window.View(), Qt::LeftButton, {}, at(10, 10));
    QTest::mouseRelease(window.View(), Qt::LeftButton, {}, at(168, 230));
    EXPECT_FALSE(window.View()->Picking());
    const MotionRegion region = panel->Settings().region;
    EXPECT_EQ(region.pictureWidth, window.View()->Shown()->width);
    EXPECT_NEAR(region.x / sx, 10, 2);
    EXPECT_NEAR(region.y / sy, 10, 2);
    EXPECT_NEAR((region.x + region.width) / sx, 168, 3);  // the box begins at 280
    EXPECT_NEAR((region.y + region.height) / sy, 230, 3);
    Search();
    EXPECT_TRUE(panel->Events().empty());
    EXPECT_TRUE(window.TimelineStrip()->Events().empty());
}

}  // namespace
}  // namespace korvane::testing
