// The skinned slider under real mouse events, and the masked bitmap that draws its thumb.
#include <gtest/gtest.h>

#include <QPainter>
#include <QTest>
#include <QWheelEvent>

#include <functional>

#include "controls/MaskedBitmap.h"
#include "controls/SkinSlider.h"
#include "tests/controls/ControlsSupport.h"
#include "tests/support/GuiApp.h"

namespace korvane::testing {
namespace {

constexpr int kThumb = 144;
constexpr int kVolumeChannel = 148;
using S = SkinSlider;

class SkinSliderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureGuiApp(); }
    void SetUp() override {
        host.resize(120, 60);
        slider.setGeometry(10, 10, 59, 20);  // the volume slider's size on the bar
        QObject::connect(&slider, &SkinSlider::Scrolled, [this](S::Scroll how) { codes.push_back(how); });
        host.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    }
    void Skin(bool skinned = true) {
        slider.SetSkin(kVolumeChannel, kThumb, skinned);
        slider.SetRange(0, 100, false);
    }
    // The slider painted as it should be with the thumb's left edge at x:
    // the channel, and over it the thumb but for its key colour and last row.
    QImage ThumbAt(int x) {
        const QImage channel = SkinPng(kVolumeChannel), thumb = SkinPng(kThumb);
        QImage image(slider.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        for (int y = 0; y < image.height(); ++y)
            for (int c = 0; c < image.width(); ++c) {
                const int t = c - x;
                if (t >= 0 && t < thumb.width() && y < thumb.height() - 1 && thumb.pixel(t, y) != thumb.pixel(0, 0))
                    image.setPixel(c, y, thumb.pixel(t, y));
                else if (c < channel.width() && y < channel.height())
                    image.setPixel(c, y, channel.pixel(c, y));
            }
        return image;
    }
    void Wheel(int delta) {
        const QPointF at(30, 5);
        QWheelEvent event(at, slider.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&slider, &event);
    }

    QWidget host;
    SkinSlider slider{&host};
    std::vector<S::Scroll> codes;
};

TEST_F(SkinSliderTest, Paint_PutsTheKeyedThumbOverTheChannelAtItsPosition) {
    Skin();
    struct Case {
        QSize size;
        int pos, thumbX;
    };
    // The left edge is 5 + (width - 15) * pos / (range + 7).
    for (const Case& c : {Case{{59, 20}, 0, 5}, {{59, 20}, 50, 25}, {{59, 20}, 100, 46}, {{53, 15}, 100, 40},
                          {{68, 20}, 100, 54}}) {
        slider.resize(c.size);  // 53 by 15: the speed slider's size
        slider.SetPos(c.pos);
        EXPECT_EQ(Rendered(slider), ThumbAt(c.thumbX)) << c.pos << " at width " << c.size.width();
    }
    EXPECT_TRUE(codes.empty());  // positions set by the program are not reported
    slider.SetRange(10, 60, false);
    EXPECT_EQ(slider.GetPos(), 10);  // a new range puts the position at its minimum
}

TEST_F(SkinSliderTest, Unskinned_PaintsNothingWithoutBitmaps_NeverMovesNorNotifies) {
    QImage clear(slider.size(), QImage::Format_ARGB32_Premultiplied);
    clear.fill(Qt::transparent);
    EXPECT_EQ(Rendered(slider), clear);
    Skin(false);  // bitmaps without the skinned flag: painted, but deaf to the mouse
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(9, 5));
    QTest::mouseMove(&slider, QPoint(30, 5));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(30, 5));
    QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(50, 5));
    Wheel(120);
    EXPECT_EQ(slider.GetPos(), 0);
    EXPECT_TRUE(codes.empty());
    EXPECT_EQ(Rendered(slider), ThumbAt(5));
}

TEST_F(SkinSliderTest, DraggingTheThumb_NotifiesEachMove_ThenPositionAndEnd) {
    Skin();
    slider.SetPos(0);  // thumb over columns 5 to 14
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(9, 5));
    EXPECT_TRUE(codes.empty());
    for (int x : {20, 30, 40}) {
        QTest::mouseMove(&slider, QPoint(x, 5));
        EXPECT_EQ(Rendered(slider), ThumbAt(x - 4)) << x;  // the thumb keeps its grip under the pointer
    }
    QTest::mouseMove(&slider, QPoint(200, 5));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(200, 5));
    EXPECT_EQ(slider.GetPos(), 100);
    EXPECT_EQ(codes, (std::vector<S::Scroll>{S::Scroll::ThumbDragged, S::Scroll::ThumbDragged, S::Scroll::ThumbDragged, S::Scroll::ThumbDragged,
                                       S::Scroll::ThumbReleased, S::Scroll::Ended}));
    // Back to the left end, past it.
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(50, 5));
    QTest::mouseMove(&slider, QPoint(-40, 5));
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(-40, 5));
    EXPECT_EQ(slider.GetPos(), 0);
    EXPECT_EQ(Rendered(slider), ThumbAt(5));
}

TEST_F(SkinSliderTest, ClicksBesideTheThumbPage_TheWheelSteps_KeysAreIgnored) {
    Skin();
    struct Case {
        const char* name;
        int from;
        std::function<void()> gesture;
        int to;
        std::vector<S::Scroll> codes;
    };
    const auto click = [&](int x) { return [&, x] { QTest::mouseClick(&slider, Qt::LeftButton, {}, QPoint(x, 5)); }; };
    const Case cases[] = {
        // The thumb covers columns 5 to 14 at 0, 13 to 22 at 20.
        {"click just right of the thumb", 0, click(15), 20, {S::Scroll::PageDown, S::Scroll::Ended}},
        {"click just left of it", 20, click(12), 0, {S::Scroll::PageUp, S::Scroll::Ended}},
        {"click on it", 20, click(13), 20, {S::Scroll::ThumbReleased, S::Scroll::Ended}},
        {"wheel a notch up", 50, [&] { Wheel(120); }, 53, {S::Scroll::LineDown, S::Scroll::Ended}},
        {"wheel two down", 53, [&] { Wheel(-240); }, 47, {S::Scroll::LineUp, S::Scroll::Ended}},
        {"keys", 50, [&] { for (Qt::Key key : {Qt::Key_Right, Qt::Key_Left, Qt::Key_End, Qt::Key_Home, Qt::Key_PageUp})
                               QTest::keyClick(&slider, key); }, 50, {}},
    };
    for (const Case& c : cases) {
        slider.SetPos(c.from);
        codes.clear();
        c.gesture();
        EXPECT_EQ(slider.GetPos(), c.to) << c.name;
        EXPECT_EQ(codes, c.codes) << c.name;
    }
}

TEST_F(SkinSliderTest, PressHeldBesideTheThumb_RepeatsUntilTheThumbReachesThePointer) {
    Skin();
    slider.SetPos(0);
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(50, 5));
    // Pages of 20 until the thumb (46 to 55 at position 100) covers x = 50.
    EXPECT_TRUE(QTest::qWaitFor([&] { return slider.GetPos() == 100; }, 5000));
    QTest::qWait(300);
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(50, 5));
    EXPECT_EQ(codes, (std::vector<S::Scroll>{S::Scroll::PageDown, S::Scroll::PageDown, S::Scroll::PageDown, S::Scroll::PageDown,
                                       S::Scroll::PageDown, S::Scroll::Ended}));
}

// Drawn transparent, a bitmap leaves out its top-left (key) colour, though not
// a colour near it, and its last row.
TEST(MaskedBitmapTest, DrawTransparent_LeavesOutTheKeyColourAndTheLastRow) {
    QImage image(3, 3, QImage::Format_ARGB32), target(5, 5, QImage::Format_ARGB32);
    image.fill(0xFF00FF00);
    image.setPixel(1, 0, 0xFF00FE00);
    image.setPixel(2, 1, 0xFF0000FF);
    image.setPixel(2, 2, 0xFF708090);
    target.fill(Qt::white);
    QImage expected = target;
    expected.setPixel(2, 1, 0xFF00FE00);
    expected.setPixel(3, 2, 0xFF0000FF);
    MaskedBitmap bitmap(image);
    QPainter painter(&target);
    bitmap.DrawTransparent(painter, 1, 1);
    painter.end();
    EXPECT_EQ(target, expected);
}

}  // namespace
}  // namespace korvane::testing
