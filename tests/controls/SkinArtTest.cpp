// The committed skin: every bitmap the bar loads is there in the size the
// bar's layout expects, the PNGs and the resource list are what the skin
// maker draws today, and the looks of each button differ.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>

#include <map>
#include <set>

#include "controls/SkinBitmaps.h"
#include "tests/controls/ControlsSupport.h"
#include "tools/make-skin/SkinArt.h"

namespace korvane::testing {
namespace {

// Each bitmap's size: buttons by their skin numbers, then the sliders' and
// the background's bitmaps.
std::map<int, QSize> ExpectedSizes() {
    std::map<int, QSize> sizes;
    auto set = [&](std::initializer_list<int> ids, QSize size) {
        for (int id : ids) sizes[id] = size;
    };
    set({191, 192, 190}, {15, 15});                                    // rewind
    set({173, 180, 175, 172, 182, 183, 184, 181, 169, 170, 171, 168}, {30, 27});  // previous, pause, next
    set({186, 187, 188, 185, 206, 207, 208, 205}, {30, 27});           // play, back play
    set({141, 143, 140}, {21, 21});                                    // exit
    set({166, 167, 165, 159, 160, 158}, {17, 17});                     // open, menu
    set({150, 152, 153, 155, 156, 149}, {17, 17});                     // zoom
    set({199, 200, 201, 194, 195, 196, 197, 198}, {15, 15});           // fast back, fast play
    set({204, 203}, {15, 15});                                         // sound
    sizes[148] = {69, 21};
    sizes[193] = {66, 18};
    sizes[144] = {10, 13};
    sizes[136] = {387, 72};
    sizes[189] = {6, 72};
    return sizes;
}

TEST(SkinArtTest, EveryBitmapIsEmbeddedInItsSize) {
    for (const auto& [id, size] : ExpectedSizes()) {
        const QImage image = LoadSkinBitmap(id);
        ASSERT_FALSE(image.isNull()) << id;
        EXPECT_EQ(image.size(), size) << id;
    }
    EXPECT_TRUE(LoadSkinBitmap(137).isNull());
}

TEST(SkinArtTest, CommittedPngsAndResourceList_AreWhatTheMakerDraws) {
    const auto drawn = skin::DrawSkin();
    std::set<int> ids;
    for (const auto& [id, image] : drawn) {
        ids.insert(id);
        const QImage committed = SkinPng(id);
        ASSERT_FALSE(committed.isNull()) << id;
        EXPECT_EQ(committed, image.convertToFormat(QImage::Format_ARGB32_Premultiplied)) << id;
    }
    std::set<int> expected;
    for (const auto& entry : ExpectedSizes()) expected.insert(entry.first);
    EXPECT_EQ(ids, expected);

    QFile qrc(KORVANE_SOURCE_DIR "/res/skin.qrc");
    ASSERT_TRUE(qrc.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(qrc.readAll());
    std::set<int> listed;
    const QRegularExpression file("<file>skin/(\\d+)\\.png</file>");
    for (auto it = file.globalMatch(text); it.hasNext();) listed.insert(it.next().captured(1).toInt());
    EXPECT_EQ(listed, expected);
}

TEST(SkinArtTest, ThumbsTopLeftIsTheKeyColour_SharedByItsCornersOnly) {
    const QImage thumb = LoadSkinBitmap(144);
    const QRgb key = thumb.pixel(0, 0);
    EXPECT_EQ(thumb.pixel(9, 0), key);
    EXPECT_NE(thumb.pixel(1, 0), key);
    EXPECT_NE(thumb.pixel(5, 5), key);
    for (int y = 0; y < 12; ++y)
        for (int x = 1; x < 9; ++x) EXPECT_NE(thumb.pixel(x, y), key) << x << "," << y;
}

TEST(SkinArtTest, TheLooksOfEachButtonDiffer) {
    // normal, pressed, hover, disabled; a number repeated is the same image on purpose.
    const std::vector<std::vector<int>> buttons = {
        {191, 192, 190}, {173, 180, 175, 172}, {182, 183, 184, 181}, {169, 170, 171, 168}, {141, 143, 140},
        {166, 167, 165}, {159, 160, 158},      {186, 187, 188, 185}, {206, 207, 208, 205}, {199, 200, 201, 194},
        {195, 196, 197, 198}, {204, 203},      {150, 152},           {153, 155},           {156, 149},
    };
    for (const auto& looks : buttons)
        for (std::size_t a = 0; a < looks.size(); ++a)
            for (std::size_t b = a + 1; b < looks.size(); ++b)
                EXPECT_NE(LoadSkinBitmap(looks[a]), LoadSkinBitmap(looks[b])) << looks[a] << " " << looks[b];
}

}  // namespace
}  // namespace korvane::testing
