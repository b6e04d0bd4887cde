// Captions drawn into pictures of both row orders: colour, place, upright
// text, clipping, fonts, and which bytes of the text are drawn.
#include <gtest/gtest.h>

#include <algorithm>
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
constexpr std::uint32_t kColor = 0x005A1EC8;  // RGB(200, 30, 90) as a COLORREF; B, G, R in the picture

LogFont Font(int height, int weight = 700, std::uint8_t underline = 0) {
    return {.height = height, .weight = weight, .underline = underline, .faceName = {"DejaVu Sans"}};
}

// A picture followed by a guard band, and the box of its touched pixels, counted from the top row.
struct Canvas {
    std::vector<std::uint8_t> bytes;
    int width, height;
    bool topFirst;
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, count = 0, inColor = 0;
    const std::uint8_t* At(int x, int y) const {
        return &bytes[(std::size_t(topFirst ? y : height - 1 - y) * width + x) * 3];
    }
    void Measure() {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                if (At(x, y)[0] == kBackground && At(x, y)[1] == kBackground) continue;
                left = std::min(left, x), top = std::min(top, y), right = std::max(right, x);
                bottom = std::max(bottom, y), ++count, inColor += std::memcmp(At(x, y), "\x5A\x1E\xC8", 3) == 0;
            }
    }
};

class TextOverlay : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::EnsureGuiApp(); }
    Canvas Draw(const std::string& text, int length, bool topFirst = true, int x = 20, int y = 30,
                LogFont font = Font(-24), int width = kWidth, int height = kHeight) {
        Canvas canvas{std::vector<std::uint8_t>(std::size_t(width) * height * 3, kBackground), width, height, topFirst};
        canvas.bytes.resize(canvas.bytes.size() + kGuard, kGuardByte);
        m_overlay.SetPosition(x, y);
        m_overlay.SetFont(font);
        m_overlay.SetColor(kColor);
        EXPECT_EQ(m_overlay.InsertText(canvas.bytes.data(), width, topFirst ? -height : height, text.data(), length), 1);
        EXPECT_TRUE(std::all_of(canvas.bytes.end() - kGuard, canvas.bytes.end(), [](auto b) { return b == kGuardByte; }))
            << "drawn past the picture";
        canvas.Measure();
        return canvas;
    }
    // One overlay for the whole test: it must draw into whichever picture it is given.
    CaptionOverlay m_overlay;
};

TEST_F(TextOverlay, DrawsInTheColourAtThePosition_UprightInBothRowOrders) {
    const Canvas box = Draw("TTTT", 4, true), bottomFirst = Draw("TTTT", 4, false);
    // Ink right of and below (20, 30), within one line of the 24-pixel font, mostly in the colour.
    EXPECT_TRUE(box.left >= 20 && box.left <= 26 && box.top >= 30 && box.bottom <= 60 && box.right > 80)
        << box.left << "," << box.top << " - " << box.right << "," << box.bottom;
    EXPECT_GT(box.inColor, 50);
    // Seen from the top, the two row orders give the same picture up to rounding.
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            for (int c = 0; c < 3; ++c) ASSERT_NEAR(box.At(x, y)[c], bottomFirst.At(x, y)[c], 2) << x << "," << y;
    // Text partly outside, or in a picture of one row, is clipped (the guard band stays).
    EXPECT_GT(Draw("WWWW", 4, false, kWidth - 30, kHeight - 20, Font(-60)).count, 0);
    EXPECT_GT(Draw("HHHH", 4, false, 0, -20, Font(-40), 7, 1).count, 0);
}

TEST_F(TextOverlay, TextStopsAtItsLengthOrANul_AndBytesAboveAsciiAreLatin1) {
    const struct {
        std::string a;
        int aLength;
        std::string b;
        int bLength;
        bool same;
    } cases[] = {
        {std::string("AB\0CD", 5), 5, "AB", 2, true}, {"AB", 2, "ABCD", 4, false}, {"ABCD", 1, "AB", 2, false},
        {"ABCD", 0, "", 0, true}, {"\xC4", 1, "", 0, false},
        {"\xC4", 1, "\xD6", 1, false},  // as UTF-8 both would be the same replacement character
    };
    for (const auto& c : cases) EXPECT_EQ(Draw(c.a, c.aLength).bytes == Draw(c.b, c.bLength).bytes, c.same) << c.a;
}

TEST_F(TextOverlay, FontHeightAndStyle_ShapeTheInk) {
    auto inkHeight = [&](int height) {
        const Canvas c = Draw("H", 1, true, 20, 10, Font(height));
        return c.bottom - c.top + 1;
    };
    EXPECT_TRUE(inkHeight(-12) >= 6 && inkHeight(-12) <= 12) << inkHeight(-12);
    EXPECT_TRUE(inkHeight(48) >= 28 && inkHeight(48) <= 48) << inkHeight(48);
    const Canvas normal = Draw("HHHH", 4, true, 20, 10, Font(-30, 400));
    EXPECT_GT(Draw("HHHH", 4, true, 20, 10, Font(-30, 700)).count, normal.count);
    EXPECT_GT(Draw("HHHH", 4, true, 20, 10, Font(-30, 400, 1)).bottom, normal.bottom);
}

}  // namespace
}  // namespace korvane
