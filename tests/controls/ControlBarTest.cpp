// The control bar against a recording stand-in for the view: its layout and
// skins, its background, the messages of every button and slider under real
// mouse events, the look of each playback mode, the refusals without a
// recording, and the return to idle when a playback worker ends.
#include <gtest/gtest.h>

#include <QTest>

#include <atomic>
#include <thread>

#include "controls/ControlBar.h"
#include "playback/ViewMessages.h"
#include "tests/controls/ControlsSupport.h"
#include "tests/support/GuiApp.h"

namespace korvane::testing {
namespace {

// Each transport toggle's normal, checked and disabled bitmaps; the step
// buttons' normal and disabled ones.
struct Look {
    int id;
    int normal, checked, disabled;
};
constexpr Look kPlay{IDC_BAR_PLAY, 186, 187, 185};
constexpr Look kBackPlay{IDC_BAR_BACK_PLAY, 206, 207, 205};
constexpr Look kFastPlay{IDC_BAR_FAST_PLAY, 195, 196, 198};
constexpr Look kFastBack{IDC_BAR_FAST_BACK, 199, 200, 194};
constexpr Look kPrevious{IDC_BAR_PREVIOUS, 173, 180, 172};
constexpr Look kNext{IDC_BAR_NEXT, 169, 170, 168};
constexpr Look kLooks[] = {kPlay, kBackPlay, kFastPlay, kFastBack, kPrevious, kNext};

class ControlBarTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureGuiApp(); }
    void SetUp() override {
        ASSERT_EQ(bar.Create(IDD_CONTROL_BAR), 1);
        bar.SetView(&view, [this] { return open; });
        bar.move(40, 40);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
        ASSERT_TRUE(QTest::qWaitFor([&] { return bar.Skinned(); }));
    }

    void Click(int id, QPoint at = QPoint(8, 8)) { QTest::mouseClick(bar.Button(id), Qt::LeftButton, {}, at); }
    // What a button shows: its normal, checked (pressed) or disabled bitmap.
    enum class Shows { Normal, Checked, Disabled, Other };
    Shows Showing(const Look& look) {
        const int id = ShownSkin(*bar.Button(look.id), {look.normal, look.checked, look.disabled});
        if (id == look.normal) return Shows::Normal;
        if (id == look.checked) return Shows::Checked;
        if (id == look.disabled) return Shows::Disabled;
        return Shows::Other;
    }
    void ExpectIdle() {
        EXPECT_FALSE(bar.ForwardMode());
        EXPECT_FALSE(bar.BackMode());
        for (const Look& look : kLooks) {
            EXPECT_TRUE(bar.Button(look.id)->IsButtonEnabled()) << look.id;
            EXPECT_EQ(Showing(look), Shows::Normal) << look.id;
        }
        for (int id : {IDC_BAR_PLAY, IDC_BAR_BACK_PLAY, IDC_BAR_FAST_PLAY, IDC_BAR_FAST_BACK})
            EXPECT_FALSE(bar.ToggleButton(id)->GetCheck()) << id;
    }
    // The mode started by `started`: it checked, the other transport and step buttons disabled.
    void ExpectMode(const Look& started) {
        EXPECT_TRUE(bar.ToggleButton(started.id)->GetCheck());
        EXPECT_EQ(Showing(started), Shows::Checked);
        for (const Look& look : kLooks) {
            if (look.id == started.id) continue;
            EXPECT_FALSE(bar.Button(look.id)->IsButtonEnabled()) << look.id;
            EXPECT_EQ(Showing(look), Shows::Disabled) << look.id;
        }
    }
    // Presses a transport toggle, which sends exactly `sent`.
    void Press(const Look& toggle, const Message& sent) {
        const std::size_t before = view.messages.size();
        Click(toggle.id);
        ASSERT_EQ(view.messages.size(), before + 1) << toggle.id;
        EXPECT_EQ(view.messages.back(), sent) << toggle.id;
    }
    // A first press sends `start` and shows the mode; a second sends play 0
    // and leaves the bar idle.
    void Start(const Look& mode, const Message& start) {
        Press(mode, start);
        ExpectMode(mode);
    }
    void Stop(const Look& mode) {
        Press(mode, {WM_BAR_PLAY, 0, 0});
        ExpectIdle();
    }
    // Drags a slider's thumb from its position to each x in turn, then releases.
    void Drag(SkinSlider& slider, std::initializer_list<int> xs) {
        const QPoint grip(slider.ThumbX(slider.GetPos()) + 4, 5);
        QTest::mousePress(&slider, Qt::LeftButton, {}, grip);
        QPoint at = grip;
        for (int x : xs) {
            at = QPoint(x, 5);
            QTest::mouseMove(&slider, at);
        }
        QTest::mouseRelease(&slider, Qt::LeftButton, {}, at);
    }

    RecordingTarget view;
    bool open = true;
    ControlBar bar;
};

TEST_F(ControlBarTest, Create_PlacesTheControlsAtTheirPixelPositionsAndSizesTheBar) {
    EXPECT_EQ(bar.size(), QSize(354, 61));
    EXPECT_EQ(ControlBar().Create(103), 0);
    // Buttons take the size of their skin at the template's corner.
    EXPECT_EQ(bar.Button(IDC_BAR_REWIND)->geometry(), QRect(2, 5, 15, 15));
    EXPECT_EQ(bar.Button(IDC_BAR_PREVIOUS)->geometry(), QRect(18, 8, 30, 27));
    EXPECT_EQ(bar.Button(IDC_BAR_BACK_PLAY)->geometry(), QRect(45, 8, 30, 27));
    EXPECT_EQ(bar.Button(IDC_BAR_PLAY)->geometry(), QRect(74, 8, 30, 27));
    EXPECT_EQ(bar.Button(IDC_BAR_PAUSE)->geometry(), QRect(102, 8, 30, 27));
    EXPECT_EQ(bar.Button(IDC_BAR_NEXT)->geometry(), QRect(131, 8, 30, 27));
    EXPECT_EQ(bar.Button(IDC_BAR_SOUND)->geometry(), QRect(201, 5, 15, 15));
    EXPECT_EQ(bar.Button(IDC_BAR_EXIT)->geometry(), QRect(191, 39, 21, 21));
    EXPECT_EQ(bar.Button(IDC_BAR_OPEN)->geometry(), QRect(210, 41, 17, 17));
    EXPECT_EQ(bar.Button(IDC_BAR_MENU)->geometry(), QRect(228, 41, 17, 17));
    EXPECT_EQ(bar.Button(IDC_BAR_ZOOM1)->geometry(), QRect(248, 41, 17, 17));
    EXPECT_EQ(bar.Button(IDC_BAR_ZOOM2)->geometry(), QRect(264, 41, 17, 17));
    EXPECT_EQ(bar.Button(IDC_BAR_ZOOM3)->geometry(), QRect(281, 41, 17, 17));
    EXPECT_EQ(bar.Button(IDC_BAR_FAST_BACK)->geometry(), QRect(39, 47, 15, 15));
    EXPECT_EQ(bar.Button(IDC_BAR_FAST_PLAY)->geometry(), QRect(62, 47, 15, 15));
    // Sliders keep the template's rectangle.
    EXPECT_EQ(bar.Slider(IDC_BAR_VOLUME)->geometry(), QRect(222, 3, 59, 20));
    EXPECT_EQ(bar.Slider(IDC_BAR_SPEED)->geometry(), QRect(81, 47, 53, 15));
}

TEST_F(ControlBarTest, FirstPaint_AssignsEverySkinAndTheSliderPositions_SendingNothing) {
    ControlBar fresh;
    RecordingTarget freshView;
    fresh.SetView(&freshView, [] { return true; });
    ASSERT_EQ(fresh.Create(IDD_CONTROL_BAR), 1);
    fresh.hide();
    EXPECT_FALSE(fresh.Skinned());
    EXPECT_TRUE(fresh.Button(IDC_BAR_PLAY)->ShownImage().isNull());
    EXPECT_EQ(fresh.Button(IDC_BAR_PLAY)->size(), QSize(20, 24));  // the template's size until then
    fresh.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return fresh.Skinned(); }));
    const std::pair<int, int> normals[] = {
        {IDC_BAR_REWIND, 191}, {IDC_BAR_PREVIOUS, 173}, {IDC_BAR_PLAY, 186},     {IDC_BAR_PAUSE, 182},
        {IDC_BAR_NEXT, 169},   {IDC_BAR_EXIT, 141},     {IDC_BAR_OPEN, 166},     {IDC_BAR_MENU, 159},
        {IDC_BAR_ZOOM1, 150},  {IDC_BAR_ZOOM2, 153},    {IDC_BAR_ZOOM3, 156},    {IDC_BAR_FAST_BACK, 199},
        {IDC_BAR_FAST_PLAY, 195}, {IDC_BAR_SOUND, 204}, {IDC_BAR_BACK_PLAY, 206},
    };
    for (const auto& [id, normal] : normals) EXPECT_EQ(ShownSkin(*fresh.Button(id), {normal}), normal) << id;
    EXPECT_EQ(fresh.Slider(IDC_BAR_VOLUME)->GetPos(), 100);
    EXPECT_EQ(fresh.Slider(IDC_BAR_SPEED)->GetPos(), 0);
    EXPECT_TRUE(fresh.Slider(IDC_BAR_VOLUME)->IsSkinned());
    EXPECT_TRUE(freshView.messages.empty());
    for (int id : {IDC_BAR_ZOOM1, IDC_BAR_ZOOM2, IDC_BAR_ZOOM3}) EXPECT_FALSE(fresh.ToggleButton(id)->GetCheck());
}

TEST_F(ControlBarTest, Background_IsThePanelWithTheEdgeStripFromColumn353) {
    const QImage panel = SkinPng(136);
    const QImage strip = SkinPng(189);
    // Without the children, to see the bar's own painting.
    for (QWidget* child : bar.findChildren<QWidget*>()) child->hide();
    QImage painted = bar.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    ASSERT_EQ(painted.size(), QSize(354, 61));
    for (int y = 0; y < 61; ++y)
        for (int x = 0; x < 353; ++x) ASSERT_EQ(painted.pixel(x, y), panel.pixel(x, y)) << x << "," << y;
    EXPECT_EQ(painted.pixel(353, 0), strip.pixel(0, 0));

    // Wider than 353: the strip is stretched from column 353 to the right
    // edge, over the panel's last columns and beyond its width of 387.
    bar.resize(500, 61);
    painted = bar.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    std::set<QRgb> stripColours;
    for (int y = 0; y < strip.height(); ++y) stripColours.insert(strip.pixel(0, y));
    for (int y = 0; y < 61; ++y)
        for (int x = 353; x < 500; ++x) {
            ASSERT_TRUE(stripColours.count(painted.pixel(x, y))) << x << "," << y;
            ASSERT_EQ(painted.pixel(x, y), painted.pixel(353, y)) << x << "," << y;
        }
    EXPECT_EQ(painted.pixel(352, 30), panel.pixel(352, 30));
}

TEST_F(ControlBarTest, Play_StartsAndStops_WithTheLookOfEachMode) {
    Start(kPlay, {WM_BAR_PLAY, 1, 0});
    EXPECT_TRUE(bar.ForwardMode());
    Stop(kPlay);
}

TEST_F(ControlBarTest, BackPlay_StartsAndStops) {
    Start(kBackPlay, {WM_BAR_PLAY, 2, 0});
    EXPECT_TRUE(bar.BackMode());
    Stop(kBackPlay);
}

TEST_F(ControlBarTest, FastPlayAndFastBack_StartAndStop) {
    Start(kFastPlay, {WM_BAR_FAST_PLAY, 1, 0});
    Stop(kFastPlay);
    Start(kFastBack, {WM_BAR_FAST_BACK, 1, 0});
    Stop(kFastBack);
}

TEST_F(ControlBarTest, DisabledButtonsOfAMode_SendNothing) {
    Click(IDC_BAR_PLAY);
    view.messages.clear();
    for (int id : {IDC_BAR_FAST_PLAY, IDC_BAR_FAST_BACK, IDC_BAR_PREVIOUS, IDC_BAR_NEXT, IDC_BAR_BACK_PLAY}) Click(id);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(Showing(kBackPlay), Shows::Disabled);
}

TEST_F(ControlBarTest, Pause_SendsPauseAndRestoresIdle_EvenWithNothingOpen) {
    Click(IDC_BAR_FAST_BACK);
    Click(IDC_BAR_PAUSE);
    EXPECT_EQ(view.messages.back(), (Message{WM_BAR_PLAY, 0, 0}));
    ExpectIdle();

    open = false;
    view.messages.clear();
    Click(IDC_BAR_PAUSE);
    EXPECT_EQ(view.messages, (std::vector<Message>{{WM_BAR_PLAY, 0, 0}}));
}

TEST_F(ControlBarTest, StepButtons_SendPreviousAndNext) {
    Click(IDC_BAR_PREVIOUS);
    Click(IDC_BAR_NEXT);
    EXPECT_EQ(view.Ids(), (std::vector<unsigned>{WM_BAR_PREVIOUS, WM_BAR_NEXT}));
}

TEST_F(ControlBarTest, StepButtons_RefusedWhilePlayOrBackPlayIsChecked) {
    // Pressed while nothing was open, PLAY and BACK PLAY stay checked from
    // their own press though the bar refused them.
    open = false;
    Click(IDC_BAR_PLAY);
    EXPECT_TRUE(bar.ToggleButton(IDC_BAR_PLAY)->GetCheck());
    open = true;
    Click(IDC_BAR_PREVIOUS);
    Click(IDC_BAR_NEXT);
    EXPECT_TRUE(view.messages.empty());

    bar.ToggleButton(IDC_BAR_PLAY)->SetCheck(false);
    open = false;
    Click(IDC_BAR_BACK_PLAY);
    open = true;
    Click(IDC_BAR_PREVIOUS);
    Click(IDC_BAR_NEXT);
    EXPECT_TRUE(view.messages.empty());

    bar.ToggleButton(IDC_BAR_BACK_PLAY)->SetCheck(false);
    Click(IDC_BAR_NEXT);
    EXPECT_EQ(view.Ids(), (std::vector<unsigned>{WM_BAR_NEXT}));
}

TEST_F(ControlBarTest, NoRecordingOpen_TransportAndStepsAreRefused_OthersWork) {
    open = false;
    for (int id : {IDC_BAR_PLAY, IDC_BAR_BACK_PLAY, IDC_BAR_FAST_PLAY, IDC_BAR_FAST_BACK, IDC_BAR_REWIND,
                   IDC_BAR_PREVIOUS, IDC_BAR_NEXT})
        Click(id);
    EXPECT_TRUE(view.messages.empty());
    EXPECT_FALSE(bar.ForwardMode());
    EXPECT_FALSE(bar.BackMode());
    // The handler's answer to the button: 0 for a refusal.
    SkinButton* play = bar.Button(IDC_BAR_PLAY);
    EXPECT_EQ(bar.HandleMessage(WM_SKIN_TOGGLE_CLICKED, reinterpret_cast<WParam>(play), 0), 0);
    EXPECT_EQ(bar.HandleMessage(WM_SKIN_BUTTON_CLICKED, reinterpret_cast<WParam>(bar.Button(IDC_BAR_NEXT)), 0), 0);

    Click(IDC_BAR_OPEN);
    Click(IDC_BAR_MENU);
    Click(IDC_BAR_ZOOM2);
    Click(IDC_BAR_SOUND);
    EXPECT_EQ(view.messages, (std::vector<Message>{{WM_BAR_OPEN, 0, 0},
                                                  {WM_BAR_MENU, 0, 0},
                                                  {WM_BAR_ZOOM2, 0, 0},
                                                  {WM_BAR_SOUND, 1, 0}}));
}

TEST_F(ControlBarTest, Rewind_UnchecksPlayAndSendsPauseThenReload) {
    Click(IDC_BAR_PLAY);
    view.messages.clear();
    Click(IDC_BAR_REWIND);
    EXPECT_EQ(view.messages, (std::vector<Message>{{WM_BAR_PLAY, 0, 0}, {WM_BAR_RELOAD, 0, 0}}));
    EXPECT_FALSE(bar.ToggleButton(IDC_BAR_PLAY)->GetCheck());
    EXPECT_FALSE(bar.ForwardMode());
    EXPECT_TRUE(bar.Button(IDC_BAR_NEXT)->IsButtonEnabled());
    EXPECT_EQ(Showing(kPlay), Shows::Normal);
}

TEST_F(ControlBarTest, VolumeSlider_EveryNotificationSendsTheLevel) {
    SkinSlider& volume = *bar.Slider(IDC_BAR_VOLUME);
    std::vector<int> positions;
    view.onMessage = [&](const Message&) {
        positions.push_back(volume.GetPos());
        return 1L;
    };
    Drag(volume, {40, 30, 20, 12, 8, -30});
    ASSERT_EQ(view.messages.size(), 8u);  // six moves, the thumb's last position and the end
    for (std::size_t i = 0; i < view.messages.size(); ++i) {
        EXPECT_EQ(view.messages[i].id, WM_BAR_VOLUME);
        EXPECT_EQ(view.messages[i].wParam, static_cast<WParam>(positions[i] / 20)) << positions[i];
    }
    EXPECT_EQ(view.messages.back().wParam, 0u);
    // Positions below 20 give level 0, as position 0 does.
    EXPECT_TRUE(std::any_of(positions.begin(), positions.end(), [](int p) { return p > 0 && p < 20; }));

    view.messages.clear();
    positions.clear();
    Drag(volume, {300});
    EXPECT_EQ(volume.GetPos(), 100);
    ASSERT_EQ(view.messages.size(), 3u);
    for (const Message& m : view.messages) EXPECT_EQ(m, (Message{WM_BAR_VOLUME, 5, 0}));
}

TEST_F(ControlBarTest, SpeedSlider_SendsTheSpeedLevel_AlsoForAPageClick) {
    SkinSlider& speed = *bar.Slider(IDC_BAR_SPEED);
    QTest::mouseClick(&speed, Qt::LeftButton, {}, QPoint(45, 5));  // right of the thumb: a page up the range
    EXPECT_EQ(speed.GetPos(), 20);
    EXPECT_EQ(view.messages, (std::vector<Message>{{WM_BAR_SPEED, 1, 0}, {WM_BAR_SPEED, 1, 0}}));
    view.messages.clear();
    Drag(speed, {30, 200});
    EXPECT_EQ(view.messages.back(), (Message{WM_BAR_SPEED, 5, 0}));
    EXPECT_EQ(view.messages.size(), 4u);
    for (const Message& m : view.messages) EXPECT_EQ(m.id, WM_BAR_SPEED);
}

TEST_F(ControlBarTest, ZoomButtons_AreExclusive) {
    Click(IDC_BAR_ZOOM2);
    EXPECT_EQ(view.Ids(), (std::vector<unsigned>{WM_BAR_ZOOM2}));
    auto checked = [&] {
        return std::vector<bool>{bar.ToggleButton(IDC_BAR_ZOOM1)->GetCheck(), bar.ToggleButton(IDC_BAR_ZOOM2)->GetCheck(),
                                 bar.ToggleButton(IDC_BAR_ZOOM3)->GetCheck()};
    };
    EXPECT_EQ(checked(), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(ShownSkin(*bar.Button(IDC_BAR_ZOOM2), {153, 155}), 155);
    Click(IDC_BAR_ZOOM3);
    EXPECT_EQ(checked(), (std::vector<bool>{false, false, true}));
    EXPECT_EQ(ShownSkin(*bar.Button(IDC_BAR_ZOOM2), {153, 155}), 153);
    Click(IDC_BAR_ZOOM1);
    EXPECT_EQ(checked(), (std::vector<bool>{true, false, false}));
    // Clicking the checked one again keeps it checked.
    Click(IDC_BAR_ZOOM1);
    EXPECT_EQ(checked(), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(view.Ids(), (std::vector<unsigned>{WM_BAR_ZOOM2, WM_BAR_ZOOM3, WM_BAR_ZOOM1, WM_BAR_ZOOM1}));
}

TEST_F(ControlBarTest, Sound_TogglesAndTheImageFollows) {
    Click(IDC_BAR_SOUND);
    EXPECT_TRUE(bar.Sound());
    EXPECT_EQ(ShownSkin(*bar.Button(IDC_BAR_SOUND), {204, 203}), 203);
    Click(IDC_BAR_SOUND);
    EXPECT_FALSE(bar.Sound());
    EXPECT_EQ(ShownSkin(*bar.Button(IDC_BAR_SOUND), {204, 203}), 204);
    EXPECT_EQ(view.messages, (std::vector<Message>{{WM_BAR_SOUND, 1, 0}, {WM_BAR_SOUND, 0, 0}}));

    // The view's side: the flag and the check follow what it sets.
    bar.SetSound(true);
    EXPECT_TRUE(bar.Sound());
    EXPECT_TRUE(bar.ToggleButton(IDC_BAR_SOUND)->GetCheck());
    Click(IDC_BAR_SOUND);
    EXPECT_EQ(view.messages.back(), (Message{WM_BAR_SOUND, 0, 0}));
}

TEST_F(ControlBarTest, OpenAndMenu_AreSent_ExitIsPosted) {
    Click(IDC_BAR_OPEN);
    Click(IDC_BAR_MENU);
    EXPECT_EQ(view.Ids(), (std::vector<unsigned>{WM_BAR_OPEN, WM_BAR_MENU}));
    Click(IDC_BAR_EXIT);
    EXPECT_EQ(view.messages.size(), 2u);  // not yet: the click returns first
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.messages.size() == 3u; }));
    EXPECT_EQ(view.messages.back(), (Message{WM_BAR_EXIT, 0, 0}));
}

TEST_F(ControlBarTest, ResetAndReload_ReturnsToIdleThenSendsReload) {
    Click(IDC_BAR_BACK_PLAY);
    bool idleAtReload = false;
    view.onMessage = [&](const Message& m) {
        if (m.id == WM_BAR_RELOAD) idleAtReload = !bar.BackMode() && !bar.ToggleButton(IDC_BAR_BACK_PLAY)->GetCheck();
        return 1L;
    };
    bar.ResetAndReload();
    EXPECT_EQ(view.messages.back(), (Message{WM_BAR_RELOAD, 0, 0}));
    EXPECT_TRUE(idleAtReload);
    ExpectIdle();
}

TEST_F(ControlBarTest, PlaybackEndedOnAWorker_RestoresIdleThenPostsTheEnd) {
    Click(IDC_BAR_ZOOM3);
    Click(IDC_BAR_SOUND);
    Click(IDC_BAR_PLAY);
    ExpectMode(kPlay);
    view.messages.clear();
    bool idleAtEnd = false;
    view.onMessage = [&](const Message& m) {
        if (m.id == WM_BAR_PLAYBACK_ENDED)
            idleAtEnd = !bar.ForwardMode() && !bar.ToggleButton(IDC_BAR_PLAY)->GetCheck() &&
                        bar.Button(IDC_BAR_NEXT)->IsButtonEnabled();
        return 1L;
    };
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        bar.PlaybackEnded();
        returned = true;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return returned.load(); }));
    worker.join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view.messages.empty(); }));
    EXPECT_EQ(view.messages, (std::vector<Message>{{WM_BAR_PLAYBACK_ENDED, 0, 0}}));
    EXPECT_TRUE(idleAtEnd);
    ExpectIdle();
    // Sound, zoom and the sliders keep their state.
    EXPECT_TRUE(bar.ToggleButton(IDC_BAR_SOUND)->GetCheck());
    EXPECT_TRUE(bar.ToggleButton(IDC_BAR_ZOOM3)->GetCheck());
    EXPECT_EQ(bar.Slider(IDC_BAR_VOLUME)->GetPos(), 100);
}

}  // namespace
}  // namespace korvane::testing
