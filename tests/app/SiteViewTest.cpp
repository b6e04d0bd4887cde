// The site view in the window over a real engine, on a folder of four
// cameras: the layout for the number of cameras and from the keys, the
// selection by click and Tab, a camera alone and back at the same time, a
// camera in its gap dark with its next picture's time, the timeline's
// lanes; and the layout's arithmetic by itself.
#include <gtest/gtest.h>

#include <QAction>
#include <QPaintEvent>
#include <QTest>

#include "app/MainWindow.h"
#include "app/PlayerView.h"
#include "app/SiteLayout.h"
#include "app/SiteView.h"
#include "app/TileGrid.h"
#include "controls/SkinColours.h"
#include "controls/Timeline.h"
#include "tests/app/Clip.h"
#include "tests/app/FourCameras.h"

namespace korvane::testing {
namespace {

TEST(SiteLayout, GridsPagesAndTilesFollowTheCameras) {
    const std::pair<std::size_t, int> sides[] = {{0, 1}, {1, 1}, {2, 2}, {4, 2}, {5, 3}, {9, 3}, {10, 4}, {16, 4}, {32, 4}};
    for (const auto& [cameras, side] : sides) EXPECT_EQ(AutomaticSide(cameras), side) << cameras;

    std::vector<int> twenty;
    for (int c = 0; c < 20; ++c) twenty.push_back(c * 2);  // cameras 1, 3, 5, ...
    const struct { int side, selected; int first, count; } pages[] = {
        {4, 0, 0, 16}, {4, 30, 0, 16}, {4, 32, 32, 4}, {4, 38, 32, 4}, {3, 20, 18, 9}, {2, 99, 0, 4}};
    for (const auto& p : pages) {
        const std::vector<int> page = CamerasOnPage(twenty, p.side, p.selected);
        ASSERT_EQ(int(page.size()), p.count) << p.selected;
        EXPECT_EQ(page.front(), p.first) << p.selected;
    }

    const struct { int camera, step, after; } moves[] = {{4, 1, 6}, {38, 1, 0}, {0, -1, 38}, {6, -2, 2}, {5, 1, 5}};
    for (const auto& m : moves) EXPECT_EQ(CameraAfter(twenty, m.camera, m.step), m.after) << m.camera << m.step;

    // The tiles cover an odd-sized area exactly, row by row, each point in one tile.
    const QRect area(3, 5, 701, 479);
    for (int side = 1; side <= kLargestGridSide; ++side) {
        int pixels = 0;
        for (int i = 0; i < side * side; ++i) {
            const QRect tile = TileRect(area, side, i);
            pixels += tile.width() * tile.height();
            EXPECT_EQ(TileAt(area, side, tile.center()), i);
            if (i % side > 0) {
                EXPECT_EQ(tile.left(), TileRect(area, side, i - 1).right() + 1);
            }
        }
        EXPECT_EQ(pixels, area.width() * area.height()) << side;
        EXPECT_EQ(TileAt(area, side, QPoint(2, 5)), -1);
    }
}

// A new picture repaints its own tile and nothing else; so does a change of selection.
TEST(TileGridPaint, OnlyTheTileWhosePictureChangedIsPainted) {
    struct PaintSpy : QObject {
        QRegion painted;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(event)->region();
            return false;
        }
    } spy;
    TileGrid grid;
    grid.resize(400, 300);
    grid.SetTiles(3, {0, 2, 4, 5, 7}, {{2, "Gate"}});
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    grid.installEventFilter(&spy);
    const auto picture = [](int camera) {
        auto p = std::make_shared<Picture>();
        p->width = 64;
        p->height = 48;
        p->pixels = std::make_shared<const std::vector<std::uint8_t>>(64 * 48 * 3, std::uint8_t(90 + camera));
        p->camera = camera;
        return PictureHandle(std::move(p));
    };
    const std::function<void()> changes[] = {[&] { grid.ShowPicture(picture(4)); },
                                             [&] { grid.ShowNoPicture(7, std::nullopt); },
                                             [&] { grid.ShowPicture(picture(5)); }};
    const int tiles[] = {4, 7, 5};
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        spy.painted = {};
        changes[i]();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !spy.painted.isEmpty(); }));
        EXPECT_EQ(spy.painted.boundingRect(), grid.TileOf(tiles[i])) << tiles[i];
    }
    spy.painted = {};
    grid.ShowPicture(picture(3));  // not shown here: nothing to paint
    QTest::qWait(30);
    EXPECT_TRUE(spy.painted.isEmpty());
    EXPECT_EQ(grid.Content(2)->name, "Gate");
}

class SiteViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFourCameras(dir);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        window.resize(800, 640);
        ASSERT_TRUE(session.Open(dir.Path().string()));
        ASSERT_TRUE(session.WaitForIndex());
        QCoreApplication::processEvents();
        session.Settle();
        QCoreApplication::processEvents();
    }
    void TearDown() override { session.Stop(); }

    SiteView& Site() { return *window.Site(); }
    TileGrid& Grid() { return Site().Grid(); }
    void Press(int key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(&window, static_cast<Qt::Key>(key), modifiers);
        session.Settle();
        QCoreApplication::processEvents();
    }
    std::int64_t Now() const { return *session.CurrentTime(); }

    TempDir dir;
    StderrNotifier notifier{false};
    Session session{notifier};
    MainWindow window{session, QString::fromStdString(dir.File("ClipExport"))};
};

TEST_F(SiteViewTest, FourCamerasGetTwoByTwoAndTheKeysChooseTheLayout) {
    EXPECT_TRUE(Grid().isVisible());
    EXPECT_EQ(Grid().Side(), 2);
    EXPECT_EQ(Grid().Cameras(), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(session.ShownCameras(), (std::vector<int>{0, 1, 2, 3}));
    ASSERT_TRUE(session.SeekTo(kFourStart + 1000));  // where every camera has a picture
    const struct { int key; int side; bool grid; } keys[] = {
        {Qt::Key_3, 3, true}, {Qt::Key_1, 1, false}, {Qt::Key_4, 4, true}, {Qt::Key_0, 2, true}};
    for (const auto& k : keys) {
        Press(k.key, Qt::ControlModifier);
        EXPECT_EQ(Site().Side(), k.side) << k.key;
        EXPECT_EQ(Grid().isVisible(), k.grid) << k.key;
        EXPECT_EQ(window.View()->isVisible(), !k.grid) << k.key;
        if (k.grid) {
            EXPECT_EQ(Grid().Side(), k.side);
        }
        EXPECT_EQ(session.ShownCameras().size(), k.grid ? 4u : 1u) << k.key;
    }
    // Every camera's tile shows its own camera's picture with its caption, in the tile.
    for (int camera = 0; camera < 4; ++camera) {
        const TileContent* tile = Grid().Content(camera);
        ASSERT_TRUE(tile && tile->picture) << camera;
        EXPECT_EQ(tile->picture->camera, camera);
        EXPECT_EQ(tile->picture->caption.substr(0, 6), "CAM =" + std::to_string(camera + 1));
        if (camera != session.SelectedCamera()) {
            EXPECT_LE(tile->picture->width, Grid().TileSize().width());
        }
    }
    // One camera: the single view, as before.
    ASSERT_TRUE(session.Open(WriteClip(dir, "one.MP4")));
    ASSERT_TRUE(session.WaitForIndex());
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.View()->isVisible());
    EXPECT_FALSE(Grid().isVisible());
}

TEST_F(SiteViewTest, AClickAndTabMoveTheSelectionAndEnterOrADoubleClickShowsACameraAloneAtTheSameTime) {
    window.resize(500, 420);  // tiles narrower than the pictures
    QCoreApplication::processEvents();
    ASSERT_TRUE(session.SeekTo(kFourStart + 700));
    session.Settle();
    QCoreApplication::processEvents();
    ASSERT_LT(Grid().Content(2)->picture->width, 352);
    QTest::mouseClick(&Grid(), Qt::LeftButton, {}, Grid().TileOf(2).center());
    session.Settle();
    QCoreApplication::processEvents();
    EXPECT_EQ(session.SelectedCamera(), 2);
    EXPECT_EQ(Grid().Selected(), 2);
    // The selected camera's picture is whole for saving, printing and zoom.
    EXPECT_EQ(window.View()->Shown()->camera, 2);
    EXPECT_EQ(window.View()->Shown()->width, 352);
    const struct { int key; Qt::KeyboardModifiers modifiers; int selected; } tabs[] = {
        {Qt::Key_Tab, {}, 3}, {Qt::Key_Tab, {}, 0}, {Qt::Key_Tab, Qt::ShiftModifier, 3},
        {Qt::Key_Backtab, Qt::ShiftModifier, 2}};  // as X11 sends Shift+Tab
    for (const auto& t : tabs) {
        Press(t.key, t.modifiers);
        EXPECT_EQ(session.SelectedCamera(), t.selected);
        EXPECT_EQ(Grid().Selected(), t.selected);
    }
    // The selected tile is framed; the others are not.
    const QImage painted = Grid().grab().toImage();
    EXPECT_EQ(painted.pixelColor(Grid().TileOf(2).topLeft() + QPoint(0, 20)), QColor(255, 200, 0));
    EXPECT_NE(painted.pixelColor(Grid().TileOf(1).topLeft() + QPoint(0, 20)), QColor(255, 200, 0));

    const std::int64_t before = Now();
    const std::function<void()> toggles[] = {
        [&] { QTest::mouseDClick(&Grid(), Qt::LeftButton, {}, Grid().TileOf(1).center()); },
        [&] { QTest::mouseDClick(window.View(), Qt::LeftButton, {}, QPoint(30, 30)); },
        [&] { Press(Qt::Key_Return); },
        [&] { Press(Qt::Key_Enter); },
    };
    bool alone = false;
    for (const auto& toggle : toggles) {
        toggle();
        session.Settle();
        QCoreApplication::processEvents();
        alone = !alone;
        EXPECT_EQ(Site().Alone(), alone);
        EXPECT_EQ(window.View()->isVisible(), alone);
        EXPECT_FALSE(window.View()->FullScreen());
        EXPECT_EQ(session.SelectedCamera(), 1);
        EXPECT_NEAR(double(Now()), double(before), 40.0);  // camera 2's picture at that moment
        EXPECT_EQ(session.ShownCameras().size(), alone ? 1u : 4u);
    }
    EXPECT_TRUE(window.KeysText().contains(QStringLiteral("Return, Enter\tThe selected camera alone or all cameras")));
}

TEST_F(SiteViewTest, ACameraInItsGapIsDarkWithNoRecordingAndItsNextPicture) {
    ASSERT_TRUE(session.SeekTo(kFourStart + 2300));  // over a second into camera 2's gap
    session.Settle();
    QCoreApplication::processEvents();
    const TileContent* gap = Grid().Content(1);
    ASSERT_NE(gap, nullptr);
    EXPECT_TRUE(gap->noRecording);
    EXPECT_EQ(gap->next, kFourStart + kCamera2Resumes);
    EXPECT_EQ(NoRecordingText(gap->next).toStdString(), "No recording\nNext picture 2026-09-09 09:00:02.480");
    for (int camera : {0, 2, 3}) EXPECT_FALSE(Grid().Content(camera)->noRecording) << camera;
    // Dark, but for the text.
    const QImage tile = Grid().grab(Grid().TileOf(1)).toImage();
    int lit = 0;
    for (int y = 0; y < tile.height(); ++y)
        for (int x = 0; x < tile.width(); ++x) lit += qGray(tile.pixel(x, y)) > 40;
    EXPECT_GT(lit, 50);
    EXPECT_LT(lit, tile.width() * tile.height() / 10);
    // Back where it recorded, the picture returns.
    ASSERT_TRUE(session.SeekTo(kFourStart + 1000));
    session.Settle();
    QCoreApplication::processEvents();
    EXPECT_FALSE(Grid().Content(1)->noRecording);
    ASSERT_TRUE(Grid().Content(1)->picture);
}

TEST_F(SiteViewTest, TimelineLanesFollowEachCameraWithTheSelectedOneInFullColour) {
    Timeline& timeline = *window.TimelineStrip();
    ASSERT_EQ(timeline.Lanes().size(), 4u);
    for (const Timeline::Lane& lane : timeline.Lanes()) {
        const CameraTrack& track = *session.Set()->Track(lane.camera);
        EXPECT_EQ(lane.first, track.Entry(*track.First()).time);
        EXPECT_EQ(lane.last, track.Entry(*track.Last()).time);
        EXPECT_EQ(lane.gaps.size(), track.Gaps().size());
        EXPECT_EQ(lane.gaps.size(), lane.camera == 1 ? 1u : 0u) << lane.camera;  // file boundaries are no gaps
    }
    const QImage strip = timeline.grab().toImage();
    const int gapX = *timeline.XAt(kFourStart + 1800), laneY = [&](int lane) { return timeline.LaneRect(lane).center().y(); }(1);
    EXPECT_EQ(strip.pixelColor(gapX, laneY), Skin().groove);
    EXPECT_NE(strip.pixelColor(gapX, timeline.LaneRect(2).center().y()), Skin().groove);
    EXPECT_EQ(strip.pixelColor(gapX, timeline.LaneRect(0).center().y()), Skin().filled);  // the selected lane
    // Hovering a lane brings a small picture of its camera; in camera 2's gap, its last picture before.
    const struct { int lane; std::int64_t at; } hovers[] = {{2, 600}, {1, 1800}, {3, 2300}};
    for (const auto& h : hovers) {
        QTest::mouseMove(&timeline, QPoint(*timeline.XAt(kFourStart + h.at), timeline.LaneRect(h.lane).center().y()));
        ASSERT_FALSE(timeline.HoverImage().isNull()) << h.lane;
        EXPECT_LE(timeline.HoverImage().width(), 128);
        EXPECT_LE(timeline.HoverImage().height(), 96);
    }

}

}  // namespace
}  // namespace korvane::testing
