// The committed skin: the PNGs, the resource list and the embedded bitmaps
// are what the skin maker draws today, each in the size the bar's layout
// expects, and the looks of each button differ.
#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>

#include <set>

#include "controls/SkinBitmaps.h"
#include "tests/controls/ControlsSupport.h"
#include "tools/make-skin/SkinArt.h"

namespace korvane::testing {
namespace {

struct Bitmaps {
    std::vector<int> ids;  // a button's looks (normal, pressed, hover, disabled), or bitmaps of one size
    QSize size;
    bool looks;
};
const Bitmaps kSkin[] = {
    {{191, 192, 190}, {15, 15}, true},  // rewind
    {{173, 180, 175, 172}, {30, 27}, true}, {{182, 183, 184, 181}, {30, 27}, true},  // previous, pause
    {{169, 170, 171, 168}, {30, 27}, true}, {{186, 187, 188, 185}, {30, 27}, true},  // next, play
    {{206, 207, 208, 205}, {30, 27}, true}, {{141, 143, 140}, {21, 21}, true},       // back play, exit
    {{166, 167, 165}, {17, 17}, true}, {{159, 160, 158}, {17, 17}, true},            // open, menu
    {{150, 152}, {17, 17}, true}, {{153, 155}, {17, 17}, true}, {{156, 149}, {17, 17}, true},  // zoom
    {{199, 200, 201, 194}, {15, 15}, true}, {{195, 196, 197, 198}, {15, 15}, true},  // fast back, fast play
    {{204, 203}, {15, 15}, true},                                                    // sound
    {{148}, {69, 21}, false}, {{193}, {66, 18}, false}, {{144}, {10, 13}, false},   // channels, thumb
    {{136}, {387, 72}, false}, {{189}, {6, 72}, false},                             // background, its edge
};

TEST(SkinArtTest, CommittedEmbeddedAndListed_AreWhatTheMakerDraws_InTheirSizes) {
    std::set<int> expected;
    for (const Bitmaps& group : kSkin)
        for (int id : group.ids) {
            expected.insert(id);
            EXPECT_EQ(LoadSkinBitmap(id).size(), group.size) << id;
        }
    EXPECT_TRUE(LoadSkinBitmap(137).isNull());

    std::set<int> drawn;
    for (const auto& [id, image] : skin::DrawSkin()) {
        drawn.insert(id);
        const QImage committed = SkinPng(id);
        EXPECT_EQ(committed, image.convertToFormat(QImage::Format_ARGB32_Premultiplied)) << id;
        EXPECT_EQ(committed, LoadSkinBitmap(id).convertToFormat(QImage::Format_ARGB32_Premultiplied)) << id;
    }
    EXPECT_EQ(drawn, expected);

    QFile qrc(KORVANE_SOURCE_DIR "/res/skin.qrc");
    ASSERT_TRUE(qrc.open(QIODevice::ReadOnly));
    std::set<int> listed;
    const QRegularExpression file("<file>skin/(\\d+)\\.png</file>");
    for (auto it = file.globalMatch(QString::fromUtf8(qrc.readAll())); it.hasNext();)
        listed.insert(it.next().captured(1).toInt());
    EXPECT_EQ(listed, expected);
}

TEST(SkinArtTest, TheLooksOfEachButtonDiffer_AndOnlyTheThumbsSideColumnsHoldItsKeyColour) {
    for (const Bitmaps& group : kSkin)
        for (std::size_t a = 0; group.looks && a < group.ids.size(); ++a)
            for (std::size_t b = a + 1; b < group.ids.size(); ++b)
                EXPECT_NE(LoadSkinBitmap(group.ids[a]), LoadSkinBitmap(group.ids[b])) << group.ids[a] << " " << group.ids[b];

    const QImage thumb = LoadSkinBitmap(144);
    const QRgb key = thumb.pixel(0, 0);
    EXPECT_EQ(thumb.pixel(9, 0), key);
    for (int y = 0; y < 12; ++y)
        for (int x = 1; x < 9; ++x) EXPECT_NE(thumb.pixel(x, y), key) << x << "," << y;
}

}  // namespace
}  // namespace korvane::testing
