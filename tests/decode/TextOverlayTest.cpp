// Captions drawn into pictures of both row orders: colour, place, upright
// text, clipping, fonts, and which bytes of the text are drawn.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "decode/CaptionOverlay.h"
#include "tests/support/GuiApp.h"

namespace korvane {
namespace {

constexpr int kWidth = 320, kHeight = 120;
constexpr std::uint8_t kBackground = 0x30, kGuardByte = 0xEE;
constexpr std::size_t kGuard = 4096;
// RGB(200, 30, 90) as a COLORREF; in the picture the bytes are B, G, R.
constexpr std::uint32_t kColor = 0x005A1EC8;

LogFont Font(int height, int weight = 700) {
    LogFont font;
    font.height = height;
    font.weight = weight;
    std::strcpy(font.faceName.data(), "DejaVu Sans");
    return font;
}

// A picture with a guard band after it; pixels are addressed from the top.
struct Canvas {
    std::vector<std::uint8_t> bytes;
    int width, height;
    bool topFirst;
    Canvas(int w, int h, bool top) : bytes(std::size_t(w) * h * 3, kBackground), width(w), height(h), topFirst(top) {
        bytes.resize(bytes.size() + kGuard, kGuardByte);
    }
    const std::uint8_t* At(int x, int y) const {
        return &bytes[(std::size_t(topFirst ? y : height - 1 - y) * width + x) * 3];
    }
    bool Touched(int x, int y) const { return At(x, y)[0] != kBackground || At(x, y)[1] != kBackground; }
    bool GuardIntact() const {
        return std::all_of(bytes.end() - kGuard, bytes.end(), [](std::uint8_t b) { return b == kGuardByte; });
    }
};

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, count = 0, inColor = 0;
    bool Empty() const { return count == 0; }
};

Box TouchedBox(const Canvas& canvas) {
    Box box;
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x) {
            if (!canvas.Touched(x, y)) continue;
            box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x), std::max(box.bottom, y),
                   box.count + 1, box.inColor + (std::memcmp(canvas.At(x, y), "\x5A\x1E\xC8", 3) == 0)};
        }
    return box;
}

class TextOverlay : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::EnsureGuiApp(); }
    Canvas Draw(const std::string& text, int length, bool topFirst, int x = 20, int y = 30, LogFont font = Font(-24),
                int width = kWidth, int height = kHeight) {
        Canvas canvas(width, height, topFirst);
        m_overlay.SetPosition(x, y);
        m_overlay.SetFont(font);
        m_overlay.SetColor(kColor);
        const int signedHeight = topFirst ? -height : height;
        EXPECT_EQ(m_overlay.InsertText(canvas.bytes.data(), width, signedHeight, text.data(), length), 1);
        EXPECT_TRUE(canvas.GuardIntact()) << "drawn past the picture";
        return canvas;
    }
    // One overlay for the whole test: it must draw into whichever picture it is given.
    CaptionOverlay m_overlay;
};

TEST_F(TextOverlay, DrawsInTheColourAtThePosition_UprightInBothRowOrders) {
    const Canvas topFirst = Draw("TTTT", 4, true), bottomFirst = Draw("TTTT", 4, false);
    const Box box = TouchedBox(topFirst);
    // Ink right of and below (20, 30), within one line of the 24-pixel font, mostly in the colour.
    EXPECT_TRUE(box.left >= 20 && box.left <= 26 && box.top >= 30 && box.bottom <= 60 && box.right > 80)
        << box.left << "," << box.top << " - " << box.right << "," << box.bottom;
    EXPECT_GT(box.inColor, 50);
    // Seen from the top, the two row orders give the same picture up to rounding.
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int c = 0; c < 3; ++c) ASSERT_NEAR(topFirst.At(x, y)[c], bottomFirst.At(x, y)[c], 2) << x << "," << y;
    // Text partly outside, or in a picture of one row, is clipped (the guard band stays).
    EXPECT_FALSE(TouchedBox(Draw("WWWW", 4, false, kWidth - 30, kHeight - 20, Font(-60))).Empty());
    EXPECT_FALSE(TouchedBox(Draw("HHHH", 4, false, 0, -20, Font(-40), 7, 1)).Empty());
}

TEST_F(TextOverlay, TextStopsAtItsLengthOrANul_AndBytesAboveAsciiAreLatin1) {
    EXPECT_EQ(Draw(std::string("AB\0CD", 5), 5, true).bytes, Draw("AB", 2, true).bytes);
    EXPECT_NE(Draw("AB", 2, true).bytes, Draw("ABCD", 4, true).bytes);
    EXPECT_NE(Draw("ABCD", 1, true).bytes, Draw("AB", 2, true).bytes);
    EXPECT_TRUE(TouchedBox(Draw("ABCD", 0, true)).Empty());
    // As UTF-8 both would be the same replacement character.
    EXPECT_FALSE(TouchedBox(Draw("\xC4", 1, true)).Empty());
    EXPECT_NE(Draw("\xC4", 1, true).bytes, Draw("\xD6", 1, true).bytes);
}

TEST_F(TextOverlay, FontHeightAndStyle_ShapeTheInk) {
    auto inkHeight = [&](LogFont font) {
        const Box b = TouchedBox(Draw("H", 1, true, 20, 10, font));
        return b.bottom - b.top + 1;
    };
    EXPECT_TRUE(inkHeight(Font(-12)) >= 6 && inkHeight(Font(-12)) <= 12) << inkHeight(Font(-12));
    EXPECT_TRUE(inkHeight(Font(48)) >= 28 && inkHeight(Font(48)) <= 48) << inkHeight(Font(48));
    LogFont underlined = Font(-30, 400);
    underlined.underline = 1;
    const Box normal = TouchedBox(Draw("HHHH", 4, true, 20, 10, Font(-30, 400)));
    EXPECT_GT(TouchedBox(Draw("HHHH", 4, true, 20, 10, Font(-30, 700))).count, normal.count);
    EXPECT_GT(TouchedBox(Draw("HHHH", 4, true, 20, 10, underlined)).bottom, normal.bottom);
}

}  // namespace
}  // namespace korvane
