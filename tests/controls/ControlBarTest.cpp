// The control bar under real mouse events: its painting, its buttons as the
// actions they stand for, and its speed slider driving a real engine.
#include <gtest/gtest.h>

#include <QAction>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <set>

#include "controls/ControlBar.h"
#include "tests/app/Clip.h"
#include "tests/controls/ControlsSupport.h"

namespace korvane::testing {
namespace {

class ControlBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        bar.show();
        ASSERT_TRUE(QTest::qWaitFor([&] { return bar.Skinned(); }));
    }
    void Click(BarButton button) { QTest::mouseClick(bar.Button(button), Qt::LeftButton, {}, QPoint(8, 8)); }

    TempDir dir;
    StderrNotifier notifier{false};
    Session session{notifier};
    ControlBar bar;  // goes before the engine it follows
};

TEST_F(ControlBarTest, FirstPaintPlacesEveryControlWithItsSkin) {
    ControlBar fresh;
    EXPECT_FALSE(fresh.Skinned());
    EXPECT_TRUE(fresh.Button(BarButton::Play)->ShownImage().isNull());
    fresh.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return fresh.Skinned(); }));
    EXPECT_EQ(fresh.size(), QSize(354, 61));
    EXPECT_FALSE(fresh.Button(BarButton::Play)->ShownImage().isNull());
    EXPECT_EQ(fresh.Slider(BarSlider::Volume)->GetPos(), 100);
    EXPECT_EQ(fresh.Slider(BarSlider::Speed)->GetPos(), 0);
    EXPECT_TRUE(fresh.Slider(BarSlider::Speed)->IsSkinned());
    // The last-picture button is the first-picture button turned round, beside it in the same row.
    EXPECT_EQ(fresh.Button(BarButton::Last)->ShownImage(), fresh.Button(BarButton::First)->ShownImage().mirrored(true, false));
    EXPECT_EQ(fresh.Button(BarButton::Last)->y(), fresh.Button(BarButton::First)->y());
    EXPECT_GT(fresh.Button(BarButton::Last)->x(), fresh.Button(BarButton::Next)->geometry().right());
    EXPECT_LT(fresh.Button(BarButton::Last)->geometry().right(), fresh.Button(BarButton::Sound)->x());
}

// At any width the panel sits centred with the edge strip's colours on both
// sides, and every control lies inside the bar with room around it.
TEST_F(ControlBarTest, BackgroundFillsEveryWidthAndNoControlIsClipped) {
    const QImage panel = SkinPng(136), strip = SkinPng(189);
    std::set<QRgb> stripColours;
    for (int y = 0; y < strip.height(); ++y) stripColours.insert(strip.pixel(0, y));
    const auto painted = [&] { return bar.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied); };
    const QList<QWidget*> controls = bar.findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (int width : {354, 950, 2200}) {  // 1x, 3x, wider than the screen
        bar.resize(width, 61);
        const int left = (width - 354) / 2;
        EXPECT_EQ(bar.BlockOrigin(), QPoint(left, 0));
        for (QWidget* child : controls) {
            child->show();
            EXPECT_TRUE(QRect(2, 2, width - 4, 57).contains(child->geometry())) << width << " " << child;
        }
        for (QWidget* child : controls) child->hide();  // the bar's own painting only
        const QImage image = painted();
        EXPECT_EQ(image.copy(left, 0, 354, 61), panel) << width;
        for (int y = 0; y < 61; ++y)
            for (int x : {0, left / 2, left + 354 + (width - left - 354) / 2, width - 1})
                ASSERT_TRUE(x >= width || stripColours.count(image.pixel(x, y))) << width << ": " << x << "," << y;
        for (QWidget* child : controls) child->show();
    }
}

// Every button answers the pointer with an image of its own.
TEST_F(ControlBarTest, EveryButtonHasAHoverImage) {
    const QList<SkinButton*> buttons = bar.findChildren<SkinButton*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(buttons.size(), kBarButtonCount);
    for (SkinButton* button : buttons) {
        const QImage normal = button->ShownImage();
        QTest::mouseMove(button, QPoint(8, 8));
        EXPECT_NE(button->ShownImage(), normal) << button;
        QTest::mouseMove(&bar, QPoint(bar.width() - 3, 3));
        EXPECT_EQ(button->ShownImage(), normal) << button;
    }
}

// A button is its action: a click triggers it (only while it is enabled) and
// the button shows its tooltip, enabled and checked state however they change.
TEST_F(ControlBarTest, AButtonTriggersItsActionAndShowsItsState) {
    QAction plain(QStringLiteral("First")), toggle(QStringLiteral("Play"));
    plain.setToolTip(QStringLiteral("First picture (Home)"));
    toggle.setCheckable(true);
    bar.Bind(BarButton::First, &plain);
    bar.Bind(BarButton::Play, &toggle);
    QSignalSpy firsts(&plain, &QAction::triggered), plays(&toggle, &QAction::triggered);
    EXPECT_EQ(bar.Button(BarButton::First)->toolTip(), QStringLiteral("First picture (Home)"));
    Click(BarButton::First);
    Click(BarButton::Play);
    EXPECT_EQ(firsts.count(), 1);
    EXPECT_EQ(plays.count(), 1);
    EXPECT_TRUE(bar.ToggleButton(BarButton::Play)->GetCheck());  // the action checked itself
    toggle.setChecked(false);
    EXPECT_FALSE(bar.ToggleButton(BarButton::Play)->GetCheck());
    plain.setEnabled(false);
    toggle.setEnabled(false);
    EXPECT_FALSE(bar.Button(BarButton::First)->IsButtonEnabled());
    Click(BarButton::First);
    Click(BarButton::Play);
    EXPECT_EQ(firsts.count(), 1);
    EXPECT_EQ(plays.count(), 1);
    EXPECT_FALSE(bar.ToggleButton(BarButton::Play)->GetCheck());
    plain.setToolTip(QStringLiteral("changed"));
    EXPECT_EQ(bar.Button(BarButton::First)->toolTip(), QStringLiteral("changed"));
}

TEST_F(ControlBarTest, SpeedSliderSetsTheFastMultiple) {
    std::vector<std::string> shown;
    bar.Attach(session);
    QObject::connect(&session, &Session::PictureShown, &bar,
                     [&](const PictureHandle& picture) { shown.push_back(picture->caption); });
    ASSERT_TRUE(session.Open(WriteClip(dir, "rec.MP4", 36)));
    SkinSlider& speed = *bar.Slider(BarSlider::Speed);
    QTest::mousePress(&speed, Qt::LeftButton, {}, QPoint(speed.ThumbX(speed.GetPos()) + 4, 5));
    QTest::mouseMove(&speed, QPoint(200, 5));
    QTest::mouseRelease(&speed, Qt::LeftButton, {}, QPoint(200, 5));
    ASSERT_EQ(speed.GetPos(), 100);
    EXPECT_EQ(speed.toolTip(), QStringLiteral("Fast speed: 64x"));
    QWheelEvent down(QPointF(5, 5), speed.mapToGlobal(QPointF(5, 5)), {}, QPoint(0, -240), Qt::NoButton, {},
                     Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&speed, &down);  // two notches: three positions each
    EXPECT_EQ(speed.toolTip(), QStringLiteral("Fast speed: 32x"));
    EXPECT_EQ(session.FastSpeed(), 4);
    QWheelEvent up(QPointF(5, 5), speed.mapToGlobal(QPointF(5, 5)), {}, QPoint(0, 240), Qt::NoButton, {},
                   Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&speed, &up);
    ASSERT_EQ(speed.GetPos(), 100);
    shown.clear();
    ASSERT_TRUE(session.Start(PlayMode::FastPlay));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !session.IsPlaying(); }, 20000));
    EXPECT_EQ(session.FastSpeed(), 5);  // 64x, to the last picture
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), ClipCaption(35));
}

}  // namespace
}  // namespace korvane::testing
