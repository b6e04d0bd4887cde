// The control bar by itself under real mouse events: its layout, its skins
// and slider positions on the first paint, its background, and the window
// matters its buttons ask for. Without an engine the playback buttons are
// refused and stay unchecked.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include <set>

#include "controls/ControlBar.h"

namespace korvane::testing {
namespace {

// A skin bitmap as committed, premultiplied as painting leaves it.
QImage SkinPng(int id) {
    return QImage(QString(KORVANE_SOURCE_DIR "/res/skin/%1.png").arg(id)).convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// What the bar paints by itself, without its children.
QImage Painted(ControlBar& bar) {
    for (QWidget* child : bar.findChildren<QWidget*>()) child->hide();
    return bar.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

class ControlBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(bar.Create(IDD_CONTROL_BAR), 1);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
        ASSERT_TRUE(QTest::qWaitFor([&] { return bar.Skinned(); }));
    }
    void Click(int id) { QTest::mouseClick(bar.Button(id), Qt::LeftButton, {}, QPoint(8, 8)); }
    bool Checked(int id) { return bar.ToggleButton(id)->GetCheck(); }

    ControlBar bar;
};

TEST_F(ControlBarTest, PlacesTheControlsAtTheirPixelsAndSizesTheBar) {
    EXPECT_EQ(bar.size(), QSize(354, 61));
    EXPECT_EQ(ControlBar().Create(103), 0);
    // Buttons take the size of their skin at the layout's corner; sliders keep the layout's rectangle.
    const std::pair<int, QRect> placed[] = {
        {IDC_BAR_REWIND, {2, 5, 15, 15}},     {IDC_BAR_PREVIOUS, {18, 8, 30, 27}}, {IDC_BAR_BACK_PLAY, {45, 8, 30, 27}},
        {IDC_BAR_PLAY, {74, 8, 30, 27}},      {IDC_BAR_PAUSE, {102, 8, 30, 27}},   {IDC_BAR_NEXT, {131, 8, 30, 27}},
        {IDC_BAR_SOUND, {201, 5, 15, 15}},    {IDC_BAR_EXIT, {191, 39, 21, 21}},   {IDC_BAR_OPEN, {210, 41, 17, 17}},
        {IDC_BAR_MENU, {228, 41, 17, 17}},    {IDC_BAR_ZOOM1, {248, 41, 17, 17}},  {IDC_BAR_ZOOM2, {264, 41, 17, 17}},
        {IDC_BAR_ZOOM3, {281, 41, 17, 17}},   {IDC_BAR_FAST_BACK, {39, 47, 15, 15}}, {IDC_BAR_FAST_PLAY, {62, 47, 15, 15}},
    };
    for (const auto& [id, rect] : placed) EXPECT_EQ(bar.Button(id)->geometry(), rect) << id;
    EXPECT_EQ(bar.Slider(IDC_BAR_VOLUME)->geometry(), QRect(222, 3, 59, 20));
    EXPECT_EQ(bar.Slider(IDC_BAR_SPEED)->geometry(), QRect(81, 47, 53, 15));
}

TEST_F(ControlBarTest, FirstPaintGivesEveryButtonItsSkinAndTheSlidersTheirPositions) {
    ControlBar fresh;
    ASSERT_EQ(fresh.Create(IDD_CONTROL_BAR), 1);
    fresh.hide();
    EXPECT_FALSE(fresh.Skinned());
    EXPECT_TRUE(fresh.Button(IDC_BAR_PLAY)->ShownImage().isNull());
    fresh.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return fresh.Skinned(); }));
    const std::pair<int, int> normals[] = {
        {IDC_BAR_REWIND, 191}, {IDC_BAR_PREVIOUS, 173}, {IDC_BAR_PLAY, 186},     {IDC_BAR_PAUSE, 182},
        {IDC_BAR_NEXT, 169},   {IDC_BAR_EXIT, 141},     {IDC_BAR_OPEN, 166},     {IDC_BAR_MENU, 159},
        {IDC_BAR_ZOOM1, 150},  {IDC_BAR_ZOOM2, 153},    {IDC_BAR_ZOOM3, 156},    {IDC_BAR_FAST_BACK, 199},
        {IDC_BAR_FAST_PLAY, 195}, {IDC_BAR_SOUND, 204}, {IDC_BAR_BACK_PLAY, 206},
    };
    for (const auto& [id, skin] : normals)
        EXPECT_EQ(fresh.Button(id)->ShownImage().convertToFormat(QImage::Format_ARGB32_Premultiplied), SkinPng(skin)) << id;
    EXPECT_EQ(fresh.Slider(IDC_BAR_VOLUME)->GetPos(), 100);
    EXPECT_EQ(fresh.Slider(IDC_BAR_SPEED)->GetPos(), 0);
    EXPECT_TRUE(fresh.Slider(IDC_BAR_SPEED)->IsSkinned());
}

TEST_F(ControlBarTest, BackgroundIsThePanelWithTheEdgeStripStretchedFromColumn353) {
    const QImage panel = SkinPng(136), strip = SkinPng(189);
    QImage painted = Painted(bar);
    for (int y = 0; y < 61; ++y)
        for (int x = 0; x < 353; ++x) ASSERT_EQ(painted.pixel(x, y), panel.pixel(x, y)) << x << "," << y;
    EXPECT_EQ(painted.pixel(353, 0), strip.pixel(0, 0));
    // Wider: the strip's first column covers everything right of 353, beyond the panel's 387.
    bar.resize(500, 61);
    painted = Painted(bar);
    std::set<QRgb> stripColours;
    for (int y = 0; y < strip.height(); ++y) stripColours.insert(strip.pixel(0, y));
    for (int y = 0; y < 61; ++y)
        for (int x = 353; x < 500; ++x) {
            ASSERT_TRUE(stripColours.count(painted.pixel(x, y))) << x << "," << y;
            ASSERT_EQ(painted.pixel(x, y), painted.pixel(353, y)) << x << "," << y;
        }
}

TEST_F(ControlBarTest, WindowButtonsAskTheWindowAndZoomIsOneOfThree) {
    QSignalSpy open(&bar, &ControlBar::OpenRequested), menu(&bar, &ControlBar::MenuToggleRequested),
        zoom(&bar, &ControlBar::ZoomRequested), exit(&bar, &ControlBar::ExitRequested);
    Click(IDC_BAR_OPEN);
    Click(IDC_BAR_MENU);
    Click(IDC_BAR_MENU);
    Click(IDC_BAR_EXIT);
    EXPECT_EQ(open.count(), 1);
    EXPECT_EQ(menu.count(), 2);
    EXPECT_EQ(exit.count(), 1);
    const struct {
        int button, factor;
    } zooms[] = {{IDC_BAR_ZOOM2, 2}, {IDC_BAR_ZOOM3, 3}, {IDC_BAR_ZOOM1, 1}, {IDC_BAR_ZOOM1, 1}};
    for (const auto& z : zooms) {
        Click(z.button);
        ASSERT_FALSE(zoom.isEmpty());
        EXPECT_EQ(zoom.takeLast().at(0).toInt(), z.factor);
        for (int id : {IDC_BAR_ZOOM1, IDC_BAR_ZOOM2, IDC_BAR_ZOOM3}) EXPECT_EQ(Checked(id), id == z.button) << id;
    }
}

TEST_F(ControlBarTest, WithoutAnEnginePlaybackButtonsAreRefusedAndStayUnchecked) {
    for (int id : {IDC_BAR_PLAY, IDC_BAR_BACK_PLAY, IDC_BAR_FAST_PLAY, IDC_BAR_FAST_BACK}) {
        Click(id);
        EXPECT_FALSE(Checked(id)) << id;
        EXPECT_TRUE(bar.Button(id)->IsButtonEnabled()) << id;
    }
    for (int id : {IDC_BAR_PLAY, IDC_BAR_REWIND, IDC_BAR_PREVIOUS, IDC_BAR_NEXT, IDC_BAR_PAUSE})
        EXPECT_EQ(bar.OnClicked(bar.Button(id)), 0) << id;
    Click(IDC_BAR_SOUND);  // sound switches without an engine too
    EXPECT_TRUE(bar.Sound());
    EXPECT_TRUE(Checked(IDC_BAR_SOUND));
}

}  // namespace
}  // namespace korvane::testing
