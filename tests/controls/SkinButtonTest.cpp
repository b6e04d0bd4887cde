// The skinned push and toggle buttons under real mouse events: the image of
// each state as painted, the click only for a press that ends inside, the
// double click, the toggle's check flipping on the press, and the disabled
// button.
#include <gtest/gtest.h>

#include <QTest>

#include "controls/SkinButton.h"
#include "tests/controls/ControlsSupport.h"
#include "tests/support/GuiApp.h"

namespace korvane::testing {
namespace {

// The pause button's skin: normal, pressed, hover, disabled.
constexpr int kNormal = 182, kPressed = 183, kHover = 184, kDisabled = 181;
// The play button's.
constexpr int kPlayNormal = 186, kPlayChecked = 187, kPlayHover = 188, kPlayDisabled = 185;

class SkinButtonTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureGuiApp(); }
    void SetUp() override {
        host.resize(160, 100);
        host.move(50, 50);
        push.move(20, 20);
        toggle.move(80, 20);
        ASSERT_TRUE(push.SetSkin(&parent, kNormal, kPressed, kHover, kDisabled));
        ASSERT_TRUE(toggle.SetSkin(&parent, kPlayNormal, kPlayChecked, kPlayHover, kPlayDisabled));
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
        Hover(host, QPoint(150, 90));  // the pointer starts away from both buttons
    }

    // A move without a button held, through the window system.
    static void Hover(QWidget& widget, QPoint at) {
        QTest::mouseMove(&widget, at);
        QCoreApplication::processEvents();
    }
    int PushImage() { return ShownSkin(push, {kNormal, kPressed, kHover, kDisabled}); }
    int ToggleImage() { return ShownSkin(toggle, {kPlayNormal, kPlayChecked, kPlayHover, kPlayDisabled}); }
    Message ClickOf(SkinButton& button, unsigned id) {
        return {id, reinterpret_cast<WParam>(&button), 0};
    }

    RecordingTarget parent;
    QWidget host;
    SkinButton push{&host};
    SkinToggleButton toggle{&host};
};

TEST_F(SkinButtonTest, SetSkin_ShowsTheNormalImageAndTakesItsSize) {
    EXPECT_EQ(push.size(), QSize(30, 27));
    EXPECT_EQ(PushImage(), kNormal);
    EXPECT_TRUE(push.IsButtonEnabled());
}

TEST_F(SkinButtonTest, SetSkin_MissingBitmap_FailsButANegativeNumberCopiesTheNormalImage) {
    SkinButton button(&host);
    EXPECT_FALSE(button.SetSkin(&parent, kNormal, 99999, kHover, kDisabled));
    SkinButton copies(&host);
    EXPECT_TRUE(copies.SetSkin(&parent, kNormal, -1, -1, -1));
    copies.EnableButton(false);
    EXPECT_EQ(ShownSkin(copies, {kNormal, kDisabled}), kNormal);
}

TEST_F(SkinButtonTest, ClickInside_SendsOneClickWithTheButtonsAddress_AfterTheImageWentPressed) {
    QTest::mousePress(&push, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(PushImage(), kPressed);
    EXPECT_TRUE(parent.messages.empty());
    int imageDuringClick = -1;
    parent.onMessage = [&](const Message&) {
        imageDuringClick = PushImage();
        return 1L;
    };
    QTest::mouseRelease(&push, Qt::LeftButton, {}, QPoint(10, 10));
    ASSERT_EQ(parent.messages.size(), 1u);
    EXPECT_EQ(parent.messages[0], ClickOf(push, WM_SKIN_BUTTON_CLICKED));
    EXPECT_EQ(imageDuringClick, kNormal);  // the push button is back to normal before it reports
    EXPECT_EQ(PushImage(), kNormal);
}

TEST_F(SkinButtonTest, PressDragOutAndBackIn_SendsOneClick_ImageFollowsThePointer) {
    QTest::mousePress(&push, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(PushImage(), kPressed);
    QTest::mouseMove(&push, QPoint(45, 10));  // held: the move still reaches the button
    EXPECT_EQ(PushImage(), kNormal);
    QTest::mouseMove(&push, QPoint(12, 12));
    EXPECT_EQ(PushImage(), kPressed);
    QTest::mouseRelease(&push, Qt::LeftButton, {}, QPoint(12, 12));
    EXPECT_EQ(PushImage(), kNormal);
    EXPECT_EQ(parent.messages.size(), 1u);
}

TEST_F(SkinButtonTest, PressInsideReleaseOutside_SendsNothing) {
    QTest::mousePress(&push, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(&push, QPoint(10, 40));
    QTest::mouseRelease(&push, Qt::LeftButton, {}, QPoint(10, 40));
    EXPECT_TRUE(parent.messages.empty());
    EXPECT_EQ(PushImage(), kNormal);
}

TEST_F(SkinButtonTest, LeftColumnAndTopRow_CountAsOutside) {
    Hover(push, QPoint(5, 5));
    EXPECT_EQ(PushImage(), kHover);
    Hover(push, QPoint(0, 5));
    EXPECT_EQ(PushImage(), kNormal);
    Hover(push, QPoint(6, 6));
    EXPECT_EQ(PushImage(), kHover);
    Hover(push, QPoint(6, 0));
    EXPECT_EQ(PushImage(), kNormal);
    Hover(push, QPoint(1, 1));
    EXPECT_EQ(PushImage(), kHover);
    // A press dragged onto the left column and released there is no click.
    QTest::mousePress(&push, Qt::LeftButton, {}, QPoint(8, 8));
    QTest::mouseMove(&push, QPoint(0, 8));
    EXPECT_EQ(PushImage(), kNormal);
    QTest::mouseRelease(&push, Qt::LeftButton, {}, QPoint(0, 8));
    EXPECT_TRUE(parent.messages.empty());
}

TEST_F(SkinButtonTest, Hover_ShowsTheHoverImageUntilThePointerLeaves) {
    Hover(push, QPoint(10, 10));
    EXPECT_EQ(PushImage(), kHover);
    Hover(host, QPoint(150, 5));
    EXPECT_EQ(PushImage(), kNormal);
    EXPECT_TRUE(parent.messages.empty());
}

TEST_F(SkinButtonTest, DoubleClick_OnPushButton_SendsTwoClicks) {
    // The second press of a double click arrives as the double-click event.
    QTest::mouseClick(&push, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseDClick(&push, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(PushImage(), kPressed);
    QTest::mouseRelease(&push, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(parent.Ids(), (std::vector<unsigned>{WM_SKIN_BUTTON_CLICKED, WM_SKIN_BUTTON_CLICKED}));
    EXPECT_EQ(PushImage(), kNormal);
}

TEST_F(SkinButtonTest, Disabled_ShowsTheDisabledImageAndSendsNothingWhateverTheMouseDoes) {
    push.EnableButton(false);
    EXPECT_EQ(PushImage(), kDisabled);
    Hover(push, QPoint(10, 10));
    QTest::mouseClick(&push, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseDClick(&push, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(&push, Qt::LeftButton, {}, QPoint(10, 10));
    Hover(host, QPoint(150, 5));
    EXPECT_TRUE(parent.messages.empty());
    EXPECT_EQ(PushImage(), kDisabled);
    EXPECT_FALSE(push.IsButtonEnabled());

    push.EnableButton(true);
    EXPECT_EQ(PushImage(), kNormal);
    QTest::mouseClick(&push, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(parent.messages.size(), 1u);
}

TEST_F(SkinButtonTest, DisabledMidPress_ReleaseSendsNothing) {
    QTest::mousePress(&push, Qt::LeftButton, {}, QPoint(10, 10));
    push.EnableButton(false);
    QTest::mouseRelease(&push, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(parent.messages.empty());
    EXPECT_EQ(PushImage(), kDisabled);
}

TEST_F(SkinButtonTest, WithoutSkin_PaintsNothingEvenWhenPressed) {
    SkinButton bare(&host);
    bare.resize(20, 20);
    bare.show();
    QTest::mousePress(&bare, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(bare.ShownImage().isNull());
    const QImage shown = Rendered(bare);
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) ASSERT_EQ(qAlpha(shown.pixel(x, y)), 0);
    QTest::mouseRelease(&bare, Qt::LeftButton, {}, QPoint(10, 10));
}

TEST_F(SkinButtonTest, Toggle_FlipsOnThePress_AndReportsOnTheRelease) {
    EXPECT_FALSE(toggle.GetCheck());
    QTest::mousePress(&toggle, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(toggle.GetCheck());
    EXPECT_TRUE(parent.messages.empty());
    QTest::mouseRelease(&toggle, Qt::LeftButton, {}, QPoint(10, 10));
    ASSERT_EQ(parent.messages.size(), 1u);
    EXPECT_EQ(parent.messages[0], ClickOf(toggle, WM_SKIN_TOGGLE_CLICKED));
    EXPECT_EQ(ToggleImage(), kPlayChecked);
    // Checked, the pointer over it shows the checked image, not the hover one.
    Hover(toggle, QPoint(11, 11));
    EXPECT_EQ(ToggleImage(), kPlayChecked);

    QTest::mouseClick(&toggle, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_FALSE(toggle.GetCheck());
    EXPECT_EQ(parent.messages.size(), 2u);
    Hover(toggle, QPoint(12, 12));
    EXPECT_EQ(ToggleImage(), kPlayHover);
}

TEST_F(SkinButtonTest, Toggle_ReleasedOutside_KeepsTheFlippedStateAndSendsNothing) {
    QTest::mousePress(&toggle, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(&toggle, QPoint(10, 50));
    EXPECT_EQ(ToggleImage(), kPlayChecked);  // outside, checked: the checked image
    QTest::mouseRelease(&toggle, Qt::LeftButton, {}, QPoint(10, 50));
    EXPECT_TRUE(parent.messages.empty());
    EXPECT_TRUE(toggle.GetCheck());
    EXPECT_EQ(ToggleImage(), kPlayChecked);
}

TEST_F(SkinButtonTest, Toggle_ParentUncheckingDuringTheClick_DecidesTheImage) {
    parent.onMessage = [&](const Message&) {
        toggle.SetCheck(false);
        return 1L;
    };
    QTest::mouseClick(&toggle, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(parent.messages.size(), 1u);
    EXPECT_FALSE(toggle.GetCheck());
    EXPECT_EQ(ToggleImage(), kPlayNormal);
}

TEST_F(SkinButtonTest, Toggle_DoubleClick_SendsTwoAndLeavesItChecked) {
    QTest::mouseClick(&toggle, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseDClick(&toggle, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(&toggle, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(parent.Ids(), (std::vector<unsigned>{WM_SKIN_TOGGLE_CLICKED, WM_SKIN_TOGGLE_CLICKED}));
    EXPECT_TRUE(toggle.GetCheck());
    EXPECT_EQ(ToggleImage(), kPlayChecked);
}

TEST_F(SkinButtonTest, Toggle_SetCheckIgnoresEnabling_UncheckingADisabledButtonShowsNormal) {
    toggle.SetCheck(true);
    toggle.EnableButton(false);
    EXPECT_EQ(ToggleImage(), kPlayDisabled);
    EXPECT_TRUE(toggle.GetCheck());
    toggle.SetCheck(false);
    EXPECT_EQ(ToggleImage(), kPlayNormal);
    EXPECT_FALSE(toggle.IsButtonEnabled());
    QTest::mouseClick(&toggle, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(parent.messages.empty());
    EXPECT_FALSE(toggle.GetCheck());
}

}  // namespace
}  // namespace korvane::testing
