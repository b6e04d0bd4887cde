// Captions drawn into pictures of both row orders: colour, place, upright
// text, clipping at the edges, and which bytes of the text are drawn.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "decode/CaptionOverlay.h"
#include "tests/support/GuiApp.h"

namespace korvane {
namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 120;
constexpr std::uint8_t kBackground = 0x30;
// RGB(200, 30, 90) as a COLORREF; in the picture the bytes are B, G, R.
constexpr std::uint32_t kColor = 0x005A1EC8;
constexpr std::uint8_t kBlue = 0x5A, kGreen = 0x1E, kRed = 0xC8;

LogFont Font(int height, int weight = 700) {
    LogFont font;
    font.height = height;
    font.weight = weight;
    std::strcpy(font.faceName.data(), "DejaVu Sans");
    return font;
}

// A picture of kWidth x kHeight in a buffer with a guard band after it.
struct Canvas {
    static constexpr std::size_t kGuard = 4096;
    std::vector<std::uint8_t> bytes;
    int width, height;

    Canvas(int w, int h) : bytes(static_cast<std::size_t>(w) * h * 3 + kGuard, kBackground), width(w), height(h) {
        std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(PictureBytes()), bytes.end(), 0xEE);
    }
    std::size_t PictureBytes() const { return static_cast<std::size_t>(width) * height * 3; }
    bool GuardIntact() const {
        return std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(PictureBytes()), bytes.end(),
                           [](std::uint8_t b) { return b == 0xEE; });
    }
    // Pixel at (x, y) counted from the top, for a picture stored top row first
    // (topFirst) or bottom row first.
    const std::uint8_t* At(int x, int y, bool topFirst) const {
        const int row = topFirst ? y : height - 1 - y;
        return &bytes[(static_cast<std::size_t>(row) * width + x) * 3];
    }
    bool Touched(int x, int y, bool topFirst) const {
        const std::uint8_t* p = At(x, y, topFirst);
        return p[0] != kBackground || p[1] != kBackground || p[2] != kBackground;
    }
    bool HasColor(int x, int y, bool topFirst) const {
        const std::uint8_t* p = At(x, y, topFirst);
        return p[0] == kBlue && p[1] == kGreen && p[2] == kRed;
    }
};

struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    int count = 0;
    bool Empty() const { return count == 0; }
};

Box TouchedBox(const Canvas& canvas, bool topFirst) {
    Box box;
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            if (!canvas.Touched(x, y, topFirst)) continue;
            box.left = std::min(box.left, x);
            box.right = std::max(box.right, x);
            box.top = std::min(box.top, y);
            box.bottom = std::max(box.bottom, y);
            ++box.count;
        }
    }
    return box;
}

class TextOverlay : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::EnsureGuiApp(); }

    // Draws text with the given font at (x, y) into a fresh canvas.
    Canvas Draw(const std::string& text, int length, bool topFirst, int x = 20, int y = 30,
                LogFont font = Font(-24), int width = kWidth, int height = kHeight) {
        Canvas canvas(width, height);
        CaptionOverlay overlay;
        overlay.SetPosition(x, y);
        overlay.SetFont(font);
        overlay.SetColor(kColor);
        EXPECT_EQ(overlay.InsertText(canvas.bytes.data(), width, topFirst ? -height : height,
                                     text.data(), length),
                  1);
        EXPECT_TRUE(canvas.GuardIntact()) << "drawn past the picture";
        return canvas;
    }
};

TEST_F(TextOverlay, TopRowFirst_DrawsInTheColourAtThePosition_AndNowhereElse) {
    const Canvas canvas = Draw("TEST 12", 7, true);
    const Box box = TouchedBox(canvas, true);
    ASSERT_FALSE(box.Empty());
    // The text starts at (20, 30): its ink lies to the right of and below it,
    // within one line of a 24-pixel font.
    EXPECT_GE(box.left, 20);
    EXPECT_LE(box.left, 26);
    EXPECT_GE(box.top, 30);
    EXPECT_LE(box.top, 40);
    EXPECT_LE(box.bottom, 30 + 30);
    EXPECT_GT(box.right, 20 + 60);
    int inColor = 0;
    for (int y = box.top; y <= box.bottom; ++y) {
        for (int x = box.left; x <= box.right; ++x) inColor += canvas.HasColor(x, y, true) ? 1 : 0;
    }
    EXPECT_GT(inColor, 50) << "the stems of a bold 24-pixel font are drawn in the solid colour";
}

TEST_F(TextOverlay, BothRowOrders_GiveTheSameUprightText) {
    const Canvas topFirst = Draw("TTTT", 4, true);
    const Canvas bottomFirst = Draw("TTTT", 4, false);
    // Seen from the top, the two pictures are the same up to rounding.
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            for (int c = 0; c < 3; ++c) {
                const int difference = std::abs(static_cast<int>(topFirst.At(x, y, true)[c]) -
                                                static_cast<int>(bottomFirst.At(x, y, false)[c]));
                ASSERT_LE(difference, 2) << "at " << x << "," << y;
            }
        }
    }
    // Upright: the bar of a T is at its top, so the first inked row holds far
    // more ink than the last one (the foot of the stems).
    const Box box = TouchedBox(topFirst, true);
    ASSERT_FALSE(box.Empty());
    auto inkInRow = [&](int y) {
        int n = 0;
        for (int x = 0; x < kWidth; ++x) n += topFirst.Touched(x, y, true) ? 1 : 0;
        return n;
    };
    EXPECT_GT(inkInRow(box.top + 1), 2 * inkInRow(box.bottom - 1));
}

TEST_F(TextOverlay, TextRunningOffEveryEdge_IsClippedInsideThePicture) {
    const std::string text = "WWWWWWWWWWWWWWWWWWWW";
    for (const bool topFirst : {true, false}) {
        // Past the right and bottom edges.
        const Canvas corner = Draw(text, static_cast<int>(text.size()), topFirst, kWidth - 30,
                                   kHeight - 20, Font(-60));
        const Box inCorner = TouchedBox(corner, topFirst);
        EXPECT_FALSE(inCorner.Empty());
        EXPECT_GE(inCorner.left, kWidth - 30);
        EXPECT_GE(inCorner.top, kHeight - 20);
        // Starting left of and above the picture.
        const Canvas before = Draw(text, static_cast<int>(text.size()), topFirst, -50, -30, Font(-60));
        const Box inBefore = TouchedBox(before, topFirst);
        EXPECT_FALSE(inBefore.Empty());
        EXPECT_EQ(inBefore.left, 0);
        EXPECT_EQ(inBefore.top, 0);
        // Entirely outside: nothing is drawn.
        EXPECT_TRUE(TouchedBox(Draw(text, 20, topFirst, kWidth + 5, 10), topFirst).Empty());
        EXPECT_TRUE(TouchedBox(Draw(text, 20, topFirst, 10, kHeight + 5), topFirst).Empty());
    }
}

TEST_F(TextOverlay, TinyPictureOfOneRow_IsDrawnWithoutOverrun) {
    const Canvas canvas = Draw("HHHH", 4, false, 0, -20, Font(-40), 7, 1);
    EXPECT_FALSE(TouchedBox(canvas, false).Empty());
}

TEST_F(TextOverlay, OneOverlay_DrawsIntoWhicheverPictureItIsGiven) {
    CaptionOverlay overlay;
    overlay.SetPosition(20, 30);
    overlay.SetFont(Font(-24));
    overlay.SetColor(kColor);
    const std::string first = "FIRST", second = "2ND";
    Canvas a(kWidth, kHeight), b(kWidth, kHeight), small(100, 60);
    ASSERT_EQ(overlay.InsertText(a.bytes.data(), kWidth, -kHeight, first.data(), 5), 1);
    ASSERT_EQ(overlay.InsertText(b.bytes.data(), kWidth, -kHeight, second.data(), 3), 1);
    ASSERT_EQ(overlay.InsertText(small.bytes.data(), 100, 60, second.data(), 3), 1);
    EXPECT_EQ(a.bytes, Draw(first, 5, true).bytes);
    EXPECT_EQ(b.bytes, Draw(second, 3, true).bytes);
    EXPECT_EQ(small.bytes, Draw(second, 3, false, 20, 30, Font(-24), 100, 60).bytes);
    EXPECT_TRUE(a.GuardIntact() && b.GuardIntact() && small.GuardIntact());
}

TEST_F(TextOverlay, Text_StopsAtItsLengthOrAtANul) {
    const std::string withNul("AB\0CD", 5);
    const Canvas nul = Draw(withNul, 5, true);
    const Canvas ab = Draw("AB", 2, true);
    const Canvas abcd = Draw("ABCD", 4, true);
    const Canvas a = Draw("ABCD", 1, true);
    EXPECT_EQ(nul.bytes, ab.bytes);
    EXPECT_NE(ab.bytes, abcd.bytes);
    EXPECT_NE(a.bytes, ab.bytes);
    EXPECT_TRUE(TouchedBox(Draw("ABCD", 0, true), true).Empty());
}

TEST_F(TextOverlay, BytesAboveAscii_AreLatin1Characters) {
    // As UTF-8 both would be the same replacement character.
    const Canvas aUmlaut = Draw("\xC4", 1, true);
    const Canvas oUmlaut = Draw("\xD6", 1, true);
    EXPECT_FALSE(TouchedBox(aUmlaut, true).Empty());
    EXPECT_NE(aUmlaut.bytes, oUmlaut.bytes);
}

TEST_F(TextOverlay, FontHeightAndStyle_ShapeTheInk) {
    const int small = [&] {
        const Box b = TouchedBox(Draw("H", 1, true, 20, 10, Font(-12)), true);
        return b.bottom - b.top + 1;
    }();
    const int large = [&] {
        const Box b = TouchedBox(Draw("H", 1, true, 20, 10, Font(48)), true);
        return b.bottom - b.top + 1;
    }();
    EXPECT_GE(small, 6);
    EXPECT_LE(small, 12);
    EXPECT_GE(large, 28);
    EXPECT_LE(large, 48);

    const Box normal = TouchedBox(Draw("HHHH", 4, true, 20, 10, Font(-30, 400)), true);
    const Box bold = TouchedBox(Draw("HHHH", 4, true, 20, 10, Font(-30, 700)), true);
    EXPECT_GT(bold.count, normal.count);

    LogFont underlined = Font(-30, 400);
    underlined.underline = 1;
    const Box under = TouchedBox(Draw("HHHH", 4, true, 20, 10, underlined), true);
    EXPECT_GT(under.bottom, normal.bottom) << "the underline lies below the letters";
}

}  // namespace
}  // namespace korvane
