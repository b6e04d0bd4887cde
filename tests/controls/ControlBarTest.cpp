// The control bar under real mouse events, alone and driving a real engine whose mode its buttons show.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <set>

#include "controls/ControlBar.h"
#include "tests/app/Clip.h"
#include "tests/controls/ControlsSupport.h"

namespace korvane::testing {
namespace {

constexpr int kModeButtons[] = {IDC_BAR_PLAY, IDC_BAR_BACK_PLAY, IDC_BAR_FAST_PLAY, IDC_BAR_FAST_BACK};
constexpr int kStepButtons[] = {IDC_BAR_PREVIOUS, IDC_BAR_NEXT};

class ControlBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(bar.Create(IDD_CONTROL_BAR), 1);
        ASSERT_TRUE(QTest::qWaitFor([&] { return bar.Skinned(); }));
    }
    // The bar follows the engine on a recording of 36 pictures 40 ms apart.
    void Follow() {
        bar.Attach(player);
        QObject::connect(&player, &Player::PictureShown, &bar,
                         [this](const PictureHandle& picture) { shown.push_back(picture->caption); });
        ASSERT_TRUE(player.Open(WriteClip(dir, "rec.MP4", 36)));
    }
    void Click(int id) { QTest::mouseClick(bar.Button(id), Qt::LeftButton, {}, QPoint(8, 8)); }
    bool Checked(int id) { return bar.ToggleButton(id)->GetCheck(); }
    bool Enabled(int id) { return bar.Button(id)->IsButtonEnabled(); }
    bool RunToTheEnd() { return QTest::qWaitFor([&] { return !player.IsPlaying(); }, 20000); }
    // Idle (button 0): every transport and step button enabled, none checked.
    // A mode: its button checked and the only transport or step button enabled.
    void ExpectMode(int button) {
        for (int id : kModeButtons)
            EXPECT_TRUE(Enabled(id) == (!button || id == button) && Checked(id) == (id == button)) << id;
        for (int id : kStepButtons) EXPECT_EQ(Enabled(id), !button) << id;
    }

    TempDir dir;
    StderrNotifier notifier{false};
    Player player{notifier};
    ControlBar bar;  // goes before the engine it follows
    std::vector<std::string> shown;
};

TEST_F(ControlBarTest, FirstPaintPlacesEveryControlWithItsSkin) {
    EXPECT_EQ(ControlBar().Create(103), 0);
    ControlBar fresh;
    ASSERT_EQ(fresh.Create(IDD_CONTROL_BAR), 1);
    fresh.hide();
    EXPECT_FALSE(fresh.Skinned());
    EXPECT_TRUE(fresh.Button(IDC_BAR_PLAY)->ShownImage().isNull());
    fresh.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return fresh.Skinned(); }));
    EXPECT_EQ(fresh.size(), QSize(354, 61));
    EXPECT_FALSE(fresh.Button(IDC_BAR_PLAY)->ShownImage().isNull());
    EXPECT_EQ(fresh.Slider(IDC_BAR_VOLUME)->GetPos(), 100);
    EXPECT_EQ(fresh.Slider(IDC_BAR_SPEED)->GetPos(), 0);
    EXPECT_TRUE(fresh.Slider(IDC_BAR_SPEED)->IsSkinned());
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

// Every button tells its name and answers the pointer with an image of its own.
TEST_F(ControlBarTest, EveryButtonHasATooltipAndAHoverImage) {
    const QList<SkinButton*> buttons = bar.findChildren<SkinButton*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(buttons.size(), 15);
    for (SkinButton* button : buttons) {
        EXPECT_FALSE(button->toolTip().isEmpty()) << button;
        const QImage normal = button->ShownImage();
        QTest::mouseMove(button, QPoint(8, 8));
        EXPECT_NE(button->ShownImage(), normal) << button->toolTip().toStdString();
        QTest::mouseMove(&bar, QPoint(bar.width() - 3, 3));
        EXPECT_EQ(button->ShownImage(), normal) << button->toolTip().toStdString();
    }
    EXPECT_EQ(bar.Button(IDC_BAR_PLAY)->toolTip(), QStringLiteral("Play (Space)"));  // name and key
}

TEST_F(ControlBarTest, WindowButtonsAskTheWindowAndZoomIsOneOfThree) {
    QSignalSpy open(&bar, &ControlBar::OpenRequested), menu(&bar, &ControlBar::MenuToggleRequested),
        zoom(&bar, &ControlBar::ZoomRequested), exit(&bar, &ControlBar::ExitRequested);
    for (int id : {IDC_BAR_OPEN, IDC_BAR_MENU, IDC_BAR_MENU, IDC_BAR_EXIT}) Click(id);
    EXPECT_EQ(open.count(), 1);
    EXPECT_EQ(menu.count(), 2);
    EXPECT_EQ(exit.count(), 1);
    const std::pair<int, int> zooms[] = {{IDC_BAR_ZOOM2, 2}, {IDC_BAR_ZOOM3, 3}, {IDC_BAR_ZOOM1, 1}, {IDC_BAR_ZOOM1, 1}};
    for (const auto& [button, factor] : zooms) {
        Click(button);
        ASSERT_FALSE(zoom.isEmpty());
        EXPECT_EQ(zoom.takeLast().at(0).toInt(), factor);
        for (int id : {IDC_BAR_ZOOM1, IDC_BAR_ZOOM2, IDC_BAR_ZOOM3}) EXPECT_EQ(Checked(id), id == button) << id;
    }
}

// Without an engine or a recording every start is refused; sound switches only without an engine.
TEST_F(ControlBarTest, RefusedStartsLeaveEveryButtonIdle) {
    for (bool attached : {false, true}) {
        SCOPED_TRACE(attached);
        if (attached) {
            bar.Attach(player);
            EXPECT_FALSE(player.Open(dir.File("missing.MP4")));
        }
        for (int id : kModeButtons) {
            Click(id);
            EXPECT_FALSE(player.IsPlaying()) << id;
            ExpectMode(0);
        }
        for (int id : {IDC_BAR_PLAY, IDC_BAR_REWIND, IDC_BAR_PREVIOUS, IDC_BAR_NEXT, IDC_BAR_PAUSE})
            EXPECT_EQ(bar.OnClicked(bar.Button(id)), 0) << id;
        Click(IDC_BAR_SOUND);
        EXPECT_EQ(Checked(IDC_BAR_SOUND), !attached);
        EXPECT_EQ(bar.Sound(), !attached);
    }
    EXPECT_FALSE(player.SoundOn());
}

TEST_F(ControlBarTest, EachModeButtonStartsItsModeAndTheBarShowsIt) {
    Follow();
    for (int id : {IDC_BAR_NEXT, IDC_BAR_NEXT, IDC_BAR_PREVIOUS}) Click(id);
    EXPECT_EQ(shown, (std::vector<std::string>{ClipCaption(0), ClipCaption(1), ClipCaption(2), ClipCaption(1)}));
    // Each mode button, its mode, and the button that ends it.
    const std::tuple<int, PlayMode, int> modes[] = {
        {IDC_BAR_PLAY, PlayMode::Play, IDC_BAR_PLAY},          {IDC_BAR_BACK_PLAY, PlayMode::BackPlay, IDC_BAR_PAUSE},
        {IDC_BAR_FAST_PLAY, PlayMode::FastPlay, IDC_BAR_REWIND}, {IDC_BAR_FAST_BACK, PlayMode::FastBackPlay, IDC_BAR_FAST_BACK},
    };
    for (const auto& [button, mode, stop] : modes) {
        SCOPED_TRACE(button);
        for (int i = 0; i < 20; ++i) Click(IDC_BAR_NEXT);  // room for the backward modes
        Click(button);
        EXPECT_EQ(player.Mode(), mode);
        ExpectMode(button);
        EXPECT_EQ(bar.OnClicked(bar.Button(IDC_BAR_NEXT)), 0);  // no steps while a mode plays
        shown.clear();
        Click(stop);
        EXPECT_EQ(player.Mode(), PlayMode::Idle);
        ExpectMode(0);
        if (stop == IDC_BAR_REWIND) {
            EXPECT_EQ(shown, std::vector<std::string>{ClipCaption(0)});
        }
    }
}

TEST_F(ControlBarTest, AModeThatEndsByItselfLeavesEveryButtonIdle) {
    Follow();
    Click(IDC_BAR_ZOOM3);
    const std::pair<int, int> runs[] = {{IDC_BAR_PLAY, 33}, {IDC_BAR_FAST_BACK, 0}, {IDC_BAR_BACK_PLAY, 3}};
    for (const auto& [button, steps] : runs) {
        for (int i = 0; i < steps; ++i) Click(IDC_BAR_NEXT);
        Click(button);
        ExpectMode(button);
        ASSERT_TRUE(RunToTheEnd()) << button;
        ExpectMode(0);
    }
    EXPECT_EQ(shown.back(), ClipCaption(0));  // the backward runs reached the start
    EXPECT_TRUE(Checked(IDC_BAR_ZOOM3));
}

TEST_F(ControlBarTest, SoundButtonAndTheEngineSwitchEachOther) {
    Follow();
    Click(IDC_BAR_SOUND);
    EXPECT_TRUE(player.SoundOn());
    EXPECT_TRUE(Checked(IDC_BAR_SOUND));
    Click(IDC_BAR_PLAY);  // with sound on, play is the sound mode, still shown on PLAY
    EXPECT_EQ(player.Mode(), PlayMode::PlaySound);
    ExpectMode(IDC_BAR_PLAY);
    player.SetSound(false);  // as from the menu: play goes on without sound from the same moment
    EXPECT_FALSE(Checked(IDC_BAR_SOUND));
    EXPECT_FALSE(bar.Sound());
    EXPECT_EQ(player.Mode(), PlayMode::Play);
    ExpectMode(IDC_BAR_PLAY);
    Click(IDC_BAR_SOUND);
    EXPECT_TRUE(player.SoundOn());
}

TEST_F(ControlBarTest, SpeedSliderSetsTheFastLevel) {
    Follow();
    SkinSlider& speed = *bar.Slider(IDC_BAR_SPEED);
    QTest::mousePress(&speed, Qt::LeftButton, {}, QPoint(speed.ThumbX(speed.GetPos()) + 4, 5));
    QTest::mouseMove(&speed, QPoint(200, 5));
    QTest::mouseRelease(&speed, Qt::LeftButton, {}, QPoint(200, 5));
    ASSERT_EQ(speed.GetPos(), 100);
    EXPECT_EQ(speed.toolTip(), QStringLiteral("Fast speed: 5 of 5"));
    QWheelEvent down(QPointF(5, 5), speed.mapToGlobal(QPointF(5, 5)), {}, QPoint(0, -240), Qt::NoButton, {},
                     Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&speed, &down);  // two notches: three positions each
    EXPECT_EQ(speed.toolTip(), QStringLiteral("Fast speed: 4 of 5"));
    QWheelEvent up(QPointF(5, 5), speed.mapToGlobal(QPointF(5, 5)), {}, QPoint(0, 240), Qt::NoButton, {},
                   Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&speed, &up);
    ASSERT_EQ(speed.GetPos(), 100);
    shown.clear();
    Click(IDC_BAR_FAST_PLAY);
    ASSERT_TRUE(RunToTheEnd());
    EXPECT_EQ(player.FastSpeed(), 5);  // 64x: played to the last picture
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), ClipCaption(35));
}

}  // namespace
}  // namespace korvane::testing
