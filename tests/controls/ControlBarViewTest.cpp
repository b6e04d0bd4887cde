// The control bar driving a real engine on a written recording under real
// mouse events: each mode button starts and stops its mode, and all the
// transport buttons show the mode the engine reports, also when a mode ends
// by itself or the engine refuses a start; steps, rewind, sound and the
// fast play speed reach the engine.
#include <gtest/gtest.h>

#include <QTest>

#include "controls/ControlBar.h"
#include "tests/app/Clip.h"

namespace korvane::testing {
namespace {

constexpr int kModeButtons[] = {IDC_BAR_PLAY, IDC_BAR_BACK_PLAY, IDC_BAR_FAST_PLAY, IDC_BAR_FAST_BACK};
constexpr int kStepButtons[] = {IDC_BAR_PREVIOUS, IDC_BAR_NEXT};

class ControlBarViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(bar.Create(IDD_CONTROL_BAR), 1);
        bar.Attach(player);
        ASSERT_TRUE(QTest::qWaitFor([&] { return bar.Skinned(); }));
        QObject::connect(&player, &Player::PictureShown, &bar,
                         [this](const PictureHandle& picture) { shown.push_back(picture->caption); });
        ASSERT_TRUE(player.Open(WriteClip(dir, "rec.MP4", 36)));  // 36 pictures, 40 ms apart
    }
    void Click(int id) { QTest::mouseClick(bar.Button(id), Qt::LeftButton, {}, QPoint(8, 8)); }
    bool Checked(int id) { return bar.ToggleButton(id)->GetCheck(); }
    bool Enabled(int id) { return bar.Button(id)->IsButtonEnabled(); }
    bool RunToTheEnd() { return QTest::qWaitFor([&] { return !player.IsPlaying(); }, 20000); }
    // Idle: every transport and step button enabled, none checked.
    void ExpectIdle() {
        for (int id : kModeButtons) EXPECT_TRUE(Enabled(id) && !Checked(id)) << id;
        for (int id : kStepButtons) EXPECT_TRUE(Enabled(id)) << id;
    }
    // A mode: its button checked and the only transport or step button enabled.
    void ExpectMode(int button) {
        for (int id : kModeButtons) EXPECT_TRUE(Enabled(id) == (id == button) && Checked(id) == (id == button)) << id;
        for (int id : kStepButtons) EXPECT_FALSE(Enabled(id)) << id;
    }

    TempDir dir;
    StderrNotifier notifier{false};
    Player player{notifier};
    ControlBar bar;  // goes before the engine it follows
    std::vector<std::string> shown;
};

TEST_F(ControlBarViewTest, EachModeButtonStartsItsModeAndTheBarShowsIt) {
    Click(IDC_BAR_NEXT);
    Click(IDC_BAR_NEXT);
    Click(IDC_BAR_PREVIOUS);
    EXPECT_EQ(shown, (std::vector<std::string>{ClipCaption(0), ClipCaption(1), ClipCaption(2), ClipCaption(1)}));
    const struct {
        int button;
        PlayMode mode;
        int stop;  // the button that ends it
    } modes[] = {
        {IDC_BAR_PLAY, PlayMode::Play, IDC_BAR_PLAY},          {IDC_BAR_BACK_PLAY, PlayMode::BackPlay, IDC_BAR_PAUSE},
        {IDC_BAR_FAST_PLAY, PlayMode::FastPlay, IDC_BAR_REWIND}, {IDC_BAR_FAST_BACK, PlayMode::FastBackPlay, IDC_BAR_FAST_BACK},
    };
    for (const auto& m : modes) {
        SCOPED_TRACE(m.button);
        for (int i = 0; i < 20; ++i) Click(IDC_BAR_NEXT);  // room for the backward modes
        Click(m.button);
        EXPECT_EQ(player.Mode(), m.mode);
        ExpectMode(m.button);
        EXPECT_EQ(bar.OnClicked(bar.Button(IDC_BAR_NEXT)), 0);  // no steps while a mode plays
        shown.clear();
        Click(m.stop);
        EXPECT_EQ(player.Mode(), PlayMode::Idle);
        ExpectIdle();
        if (m.stop == IDC_BAR_REWIND) EXPECT_EQ(shown, std::vector<std::string>{ClipCaption(0)});
    }
}

TEST_F(ControlBarViewTest, AModeThatEndsByItselfLeavesEveryButtonIdle) {
    Click(IDC_BAR_ZOOM3);
    const std::pair<int, int> runs[] = {{IDC_BAR_PLAY, 33}, {IDC_BAR_FAST_BACK, 0}, {IDC_BAR_BACK_PLAY, 3}};
    for (const auto& [button, steps] : runs) {
        for (int i = 0; i < steps; ++i) Click(IDC_BAR_NEXT);
        Click(button);
        ExpectMode(button);
        ASSERT_TRUE(RunToTheEnd()) << button;
        ExpectIdle();
    }
    EXPECT_EQ(shown.back(), ClipCaption(0));  // the backward runs reached the start
    EXPECT_TRUE(Checked(IDC_BAR_ZOOM3));
}

TEST_F(ControlBarViewTest, AStartTheEngineRefusesLeavesTheButtonUnchecked) {
    EXPECT_FALSE(player.Open(dir.File("missing.MP4")));
    for (int id : kModeButtons) {
        Click(id);
        EXPECT_FALSE(player.IsPlaying()) << id;
        ExpectIdle();
    }
}

TEST_F(ControlBarViewTest, SoundButtonAndTheEngineSwitchEachOther) {
    Click(IDC_BAR_SOUND);
    EXPECT_TRUE(player.SoundOn());
    EXPECT_TRUE(Checked(IDC_BAR_SOUND));
    Click(IDC_BAR_PLAY);  // with sound on, play is the sound mode, still shown on PLAY
    EXPECT_EQ(player.Mode(), PlayMode::PlaySound);
    ExpectMode(IDC_BAR_PLAY);
    player.SetSound(false);  // as from the menu: the engine opens the recording again
    EXPECT_FALSE(Checked(IDC_BAR_SOUND));
    EXPECT_FALSE(bar.Sound());
    ExpectIdle();
    Click(IDC_BAR_SOUND);
    EXPECT_TRUE(player.SoundOn());
}

TEST_F(ControlBarViewTest, SpeedSliderSetsHowManyPicturesFastPlaySkips) {
    SkinSlider& speed = *bar.Slider(IDC_BAR_SPEED);
    const QPoint grip(speed.ThumbX(speed.GetPos()) + 4, 5);
    QTest::mousePress(&speed, Qt::LeftButton, {}, grip);
    QTest::mouseMove(&speed, QPoint(200, 5));
    QTest::mouseRelease(&speed, Qt::LeftButton, {}, QPoint(200, 5));
    ASSERT_EQ(speed.GetPos(), 100);
    shown.clear();
    Click(IDC_BAR_FAST_PLAY);
    ASSERT_TRUE(RunToTheEnd());
    // Speed 5: every key picture (10, 12, 22, 24, 34), and of the others every fifth.
    std::vector<std::string> expected;
    for (int i : {5, 10, 11, 12, 17, 22, 23, 24, 29, 34, 35}) expected.push_back(ClipCaption(i));
    EXPECT_EQ(shown, expected);
}

}  // namespace
}  // namespace korvane::testing
