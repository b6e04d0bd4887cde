// The skinned slider under real mouse events, the masked bitmap's key-colour
// transparency, and the bitmap panel's drawing.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QPainter>
#include <QTest>
#include <QWheelEvent>

#include <set>

#include "controls/BitmapPanel.h"
#include "controls/MaskedBitmap.h"
#include "controls/SkinSlider.h"
#include "tests/controls/ControlsSupport.h"
#include "tests/support/GuiApp.h"

namespace korvane::testing {
namespace {

constexpr int kThumb = 144;
constexpr int kVolumeChannel = 148;
constexpr QRgb kBackground = 0xFF123456;

struct Notice {
    int code;
    int pos;
};

class SkinSliderTest : public ::testing::Test {
protected:
    using S = SkinSlider;  // for the notification codes

    static void SetUpTestSuite() { EnsureGuiApp(); }
    void SetUp() override {
        host.resize(120, 60);
        slider.setGeometry(10, 10, 59, 20);  // the volume slider's size on the bar
        QObject::connect(&slider, &SkinSlider::Scrolled,
                         [this](int code) { notices.push_back({code, slider.GetPos()}); });
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    }
    void Skin(bool skinned = true) {
        slider.SetSkin(kVolumeChannel, kThumb, skinned);
        slider.SetRange(0, 100, false);
    }
    std::vector<int> Codes() const {
        std::vector<int> codes;
        for (const Notice& n : notices) codes.push_back(n.code);
        return codes;
    }
    // The thumb's left edge as painted: the first column of row 5 in the
    // thumb's border colour.
    int PaintedThumbX() {
        const QRgb border = SkinPng(kThumb).pixel(0, 5);
        const QImage image = Rendered(slider);
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, 5) == border) return x;
        return -1;
    }
    void Wheel(int delta) {
        const QPointF at(30, 5);
        QWheelEvent event(at, slider.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&slider, &event);
    }

    QWidget host;
    SkinSlider slider{&host};
    std::vector<Notice> notices;
};

TEST_F(SkinSliderTest, ThumbLeftEdge_FollowsThePositionFormula) {
    Skin();
    slider.SetPos(0);
    EXPECT_EQ(PaintedThumbX(), 5);
    slider.SetPos(50);
    EXPECT_EQ(PaintedThumbX(), 25);  // 44 * 50 / 107 = 20, plus 5
    slider.SetPos(100);
    EXPECT_EQ(PaintedThumbX(), 46);  // 44 * 100 / 107 = 41, plus 5
    slider.resize(53, 15);           // the speed slider's size
    EXPECT_EQ(PaintedThumbX(), 40);  // 38 * 100 / 107 = 35, plus 5
    EXPECT_TRUE(notices.empty());    // positions set by the program are not reported
}

TEST_F(SkinSliderTest, SetRange_PutsThePositionAtTheMinimum) {
    Skin();
    slider.SetPos(70);
    slider.SetRange(10, 60, false);
    EXPECT_EQ(slider.GetPos(), 10);
}

TEST_F(SkinSliderTest, Thumb_KeyColourLetsTheChannelThrough_AndItsLastRowIsNotDrawn) {
    Skin();
    slider.SetPos(0);  // thumb at x = 5
    const QImage thumb = SkinPng(kThumb);
    const QImage channel = SkinPng(kVolumeChannel);
    const QImage painted = Rendered(slider);
    const QRgb key = thumb.pixel(0, 0);
    int keyed = 0;
    for (int y = 0; y < thumb.height(); ++y)
        for (int x = 0; x < thumb.width(); ++x) {
            const bool through = y == thumb.height() - 1 || thumb.pixel(x, y) == key;
            keyed += through ? 1 : 0;
            ASSERT_EQ(painted.pixel(5 + x, y), through ? channel.pixel(5 + x, y) : thumb.pixel(x, y))
                << x << "," << y;
        }
    EXPECT_GT(keyed, thumb.width());  // the corners and the last row
    // Beside the thumb, the channel.
    EXPECT_EQ(painted.pixel(15, 5), channel.pixel(15, 5));
    EXPECT_EQ(painted.pixel(4, 5), channel.pixel(4, 5));
}

TEST_F(SkinSliderTest, Unskinned_PaintsNothing_NeitherMovesNorNotifies) {
    const QImage bare = Rendered(slider);
    for (int y = 0; y < bare.height(); ++y)
        for (int x = 0; x < bare.width(); ++x) ASSERT_EQ(qAlpha(bare.pixel(x, y)), 0);
    const int before = slider.GetPos();
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(50, 5));
    QTest::mouseMove(&slider, QPoint(30, 5));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(30, 5));
    Wheel(120);
    EXPECT_EQ(slider.GetPos(), before);
    EXPECT_TRUE(notices.empty());

    // Skins without the skinned flag: painted, but still deaf to the mouse.
    Skin(false);
    EXPECT_EQ(PaintedThumbX(), 5);
    QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(50, 5));
    Wheel(120);
    EXPECT_EQ(slider.GetPos(), 0);
    EXPECT_TRUE(notices.empty());
}

TEST_F(SkinSliderTest, DraggingTheThumb_NotifiesEachMove_ThenPositionAndEnd) {
    Skin();
    slider.SetPos(0);  // thumb over columns 5 to 14
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(9, 5));
    EXPECT_TRUE(notices.empty());
    for (int x : {20, 30, 40}) {
        QTest::mouseMove(&slider, QPoint(x, 5));
        EXPECT_EQ(PaintedThumbX(), x - 4) << x;  // the thumb keeps its grip under the pointer
    }
    QTest::mouseMove(&slider, QPoint(200, 5));
    EXPECT_EQ(slider.GetPos(), 100);
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(200, 5));
    EXPECT_EQ(Codes(), (std::vector<int>{S::TB_THUMBTRACK, S::TB_THUMBTRACK, S::TB_THUMBTRACK, S::TB_THUMBTRACK,
                                         S::TB_THUMBPOSITION, S::TB_ENDTRACK}));
    ASSERT_EQ(notices.size(), 6u);
    EXPECT_LT(notices[0].pos, notices[1].pos);
    EXPECT_LT(notices[1].pos, notices[2].pos);
    EXPECT_EQ(notices[5].pos, 100);
    // Back to the left end, past it.
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(50, 5));
    QTest::mouseMove(&slider, QPoint(-40, 5));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(-40, 5));
    EXPECT_EQ(slider.GetPos(), 0);
    EXPECT_EQ(PaintedThumbX(), 5);
}

TEST_F(SkinSliderTest, PressBesideTheThumb_PagesTowardsThePointer) {
    Skin();
    slider.SetPos(0);
    QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(50, 5));
    EXPECT_EQ(slider.GetPos(), 20);
    QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(2, 5));
    EXPECT_EQ(slider.GetPos(), 0);
    EXPECT_EQ(Codes(), (std::vector<int>{S::TB_PAGEDOWN, S::TB_ENDTRACK, S::TB_PAGEUP, S::TB_ENDTRACK}));
}

TEST_F(SkinSliderTest, PressHeldBesideTheThumb_RepeatsUntilTheThumbReachesThePointer) {
    Skin();
    slider.SetPos(0);
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(50, 5));
    // Pages of 20 until the thumb (46 to 55 at position 100) covers x = 50.
    EXPECT_TRUE(QTest::qWaitFor([&] { return slider.GetPos() == 100; }, 5000));
    QTest::qWait(300);
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(50, 5));
    EXPECT_EQ(Codes(), (std::vector<int>{S::TB_PAGEDOWN, S::TB_PAGEDOWN, S::TB_PAGEDOWN, S::TB_PAGEDOWN,
                                         S::TB_PAGEDOWN, S::TB_ENDTRACK}));
}

TEST_F(SkinSliderTest, Wheel_StepsASkinnedSlider) {
    Skin();
    slider.SetPos(50);
    Wheel(120);
    EXPECT_EQ(slider.GetPos(), 53);
    Wheel(-240);
    EXPECT_EQ(slider.GetPos(), 47);
    EXPECT_EQ(Codes(), (std::vector<int>{S::TB_LINEDOWN, S::TB_ENDTRACK, S::TB_LINEUP, S::TB_ENDTRACK}));
}

TEST_F(SkinSliderTest, Keyboard_IsIgnored) {
    Skin();
    slider.SetPos(50);
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Left, Qt::Key_End, Qt::Key_Home, Qt::Key_PageUp})
        QTest::keyClick(&slider, key);
    EXPECT_EQ(slider.GetPos(), 50);
    EXPECT_TRUE(notices.empty());
}

// --- masked bitmap and panel --------------------------------------------------

TEST(MaskedBitmapTest, Mask_IsSetExactlyWhereTheTopLeftColourIs) {
    QImage image(5, 4, QImage::Format_ARGB32);
    image.fill(0xFF00FF00);
    image.setPixel(2, 1, 0xFF0000FF);
    image.setPixel(3, 3, 0xFF00FE00);  // near the key, not the key
    MaskedBitmap bitmap(image);
    EXPECT_EQ(bitmap.GetWidth(), 5);
    EXPECT_EQ(bitmap.GetHeight(), 4);
    bitmap.BuildMask();
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(bitmap.Mask().pixelIndex(x, y), image.pixel(x, y) == 0xFF00FF00 ? 1 : 0) << x << "," << y;
}

TEST(MaskedBitmapTest, DrawTransparent_KeepsTheBackgroundUnderTheKeyAndBelowTheImage) {
    QImage image(4, 3, QImage::Format_ARGB32);
    image.fill(0xFFFF00FF);
    image.setPixel(1, 0, 0xFF102030);
    image.setPixel(2, 1, 0xFF405060);
    image.setPixel(1, 2, 0xFF708090);  // in the last row: never drawn
    MaskedBitmap bitmap(image);
    QImage target(8, 6, QImage::Format_ARGB32);
    target.fill(kBackground);
    {
        QPainter painter(&target);
        bitmap.DrawTransparent(painter, 2, 1);
    }
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            QRgb expected = kBackground;
            if (x == 3 && y == 1) expected = 0xFF102030;
            if (x == 4 && y == 2) expected = 0xFF405060;
            EXPECT_EQ(target.pixel(x, y), expected) << x << "," << y;
        }
}

TEST(MaskedBitmapTest, Draw_CopiesTheWholeImage) {
    MaskedBitmap bitmap;
    ASSERT_TRUE(bitmap.LoadBitmap(kThumb));
    QImage target(20, 20, QImage::Format_ARGB32);
    target.fill(kBackground);
    {
        QPainter painter(&target);
        bitmap.Draw(painter, 3, 2);
    }
    const QImage thumb = SkinPng(kThumb).convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(target.copy(3, 2, 10, 13), thumb);
    EXPECT_EQ(target.pixel(2, 2), kBackground);
    EXPECT_EQ(target.pixel(13, 14), kBackground);
}

TEST(BitmapPanelTest, Draw_PutsTheWholeBitmapAtTheRectanglesCorner) {
    EnsureGuiApp();
    BitmapPanel panel;
    ASSERT_TRUE(panel.LoadBitmap(189));
    EXPECT_EQ(panel.SourceRect(), QRect(0, 0, 6, 72));
    QImage target(20, 80, QImage::Format_ARGB32);
    target.fill(kBackground);
    {
        QPainter painter(&target);
        panel.Draw(painter, QRect(4, 3, 2, 2));  // only the corner counts
    }
    EXPECT_EQ(target.copy(4, 3, 6, 72), SkinPng(189).convertToFormat(QImage::Format_ARGB32));
    EXPECT_EQ(target.pixel(3, 3), kBackground);
    EXPECT_EQ(target.pixel(10, 3), kBackground);
}

TEST(BitmapPanelTest, StretchDraw_CoversExactlyTheRectangleWithTheBitmapsColours) {
    EnsureGuiApp();
    BitmapPanel panel;
    ASSERT_TRUE(panel.LoadBitmap(189));
    QImage target(80, 70, QImage::Format_ARGB32);
    target.fill(kBackground);
    {
        QPainter painter(&target);
        panel.StretchDraw(painter, 10, 2, 60, 63);
    }
    std::set<QRgb> colours;
    const QImage strip = panel.Image();
    for (int y = 0; y < strip.height(); ++y)
        for (int x = 0; x < strip.width(); ++x) colours.insert(strip.pixel(x, y));
    for (int y = 0; y < 70; ++y)
        for (int x = 0; x < 80; ++x) {
            const bool inside = x >= 10 && x < 60 && y >= 2 && y < 63;
            if (inside)
                ASSERT_TRUE(colours.count(target.pixel(x, y))) << x << "," << y;  // copied, not blended
            else
                ASSERT_EQ(target.pixel(x, y), kBackground) << x << "," << y;
        }
    EXPECT_EQ(target.pixel(30, 2), strip.pixel(0, 0));
    EXPECT_EQ(target.pixel(59, 62), strip.pixel(5, 71));
}

}  // namespace
}  // namespace korvane::testing
