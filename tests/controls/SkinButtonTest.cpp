// The skinned buttons under real mouse events: the image shown after each step and the clicks reported.
#include <gtest/gtest.h>

#include <QTest>

#include "controls/SkinButton.h"
#include "tests/controls/ControlsSupport.h"
#include "tests/support/GuiApp.h"

namespace korvane::testing {
namespace {

enum Look : int { N, P, H, D };                       // normal, pressed (checked), hover, disabled
constexpr int kPause[] = {182, 183, 184, 181};  // the pause button's skin, by look
constexpr int kPlay[] = {186, 187, 188, 185};   // the play button's

enum Act { Press, Move, Release, Click, DClick, Away, Enable, Disable, Check, Uncheck };
struct Step {
    Act act;
    QPoint at;
    Look shows;  // after the step
};
struct Gesture {
    const char* name;
    bool toggle;
    std::vector<Step> steps;
    std::vector<Look> atClicks;  // the look while each click is reported
    bool checked = false;        // the toggle's state at the end
    bool parentUnchecks = false;
};

// A window with one skinned button, the pointer away from it.
struct Bench {
    explicit Bench(bool isToggle) : button(isToggle ? new SkinToggleButton(&host) : new SkinButton(&host)) {
        host.resize(160, 100);
        button->move(20, 20);
        const int* ids = isToggle ? kPlay : kPause;
        EXPECT_TRUE(button->SetSkin(ids[N], ids[P], ids[H], ids[D]));
        host.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&host));
        Do({Away, {}, N});
    }
    Look Shows() {
        const int* ids = toggle() ? kPlay : kPause;
        const int id = ShownSkin(*button, {ids[N], ids[P], ids[H], ids[D]});
        for (int look = N; look <= D; ++look)
            if (ids[look] == id) return Look(look);
        return Look(-1);
    }
    SkinToggleButton* toggle() { return dynamic_cast<SkinToggleButton*>(button); }
    void Do(const Step& s) {
        switch (s.act) {
            case Press: QTest::mousePress(button, Qt::LeftButton, {}, s.at); break;
            case Move: QTest::mouseMove(button, s.at); break;
            case Release: QTest::mouseRelease(button, Qt::LeftButton, {}, s.at); break;
            case Click: QTest::mouseClick(button, Qt::LeftButton, {}, s.at); break;
            case DClick: QTest::mouseDClick(button, Qt::LeftButton, {}, s.at); break;
            case Away: QTest::mouseMove(&host, QPoint(150, 90)); break;
            case Enable: button->EnableButton(true); break;
            case Disable: button->EnableButton(false); break;
            case Check: toggle()->SetCheck(true); break;
            case Uncheck: toggle()->SetCheck(false); break;
        }
        QCoreApplication::processEvents();
    }

    QWidget host;
    SkinButton* button;  // owned by host
};

TEST(SkinButtonTest, Gestures_ShowTheImageOfEachState_AndClickOnlyForAPressEndingInside) {
    const QPoint in(10, 10);
    const Gesture gestures[] = {
        {"click", false, {{Press, in, P}, {Release, in, N}}, {N}},
        {"drag out and back in", false, {{Press, in, P}, {Move, {45, 10}, N}, {Move, {12, 12}, P}, {Release, {12, 12}, N}}, {N}},
        {"release outside", false, {{Press, in, P}, {Move, {10, 40}, N}, {Release, {10, 40}, N}}, {}},
        {"left column and top row are outside", false,
         {{Move, {5, 5}, H}, {Move, {0, 5}, N}, {Move, {6, 6}, H}, {Move, {6, 0}, N}, {Move, {1, 1}, H},
          {Press, {8, 8}, P}, {Move, {0, 8}, N}, {Release, {0, 8}, N}}, {}},
        {"hover until the pointer leaves", false, {{Move, in, H}, {Away, {}, N}}, {}},
        {"double click", false, {{Click, in, N}, {DClick, in, P}, {Release, in, N}}, {N, P}},
        {"disabled", false,
         {{Disable, {}, D}, {Move, in, D}, {Click, in, D}, {DClick, in, D}, {Release, in, D}, {Away, {}, D},
          {Enable, {}, N}, {Click, in, N}}, {N}},
        {"disabled mid-press", false, {{Press, in, P}, {Disable, {}, D}, {Release, in, D}}, {}},
        {"toggle: flips on the press, checked hides hover", true,
         {{Press, in, P}, {Release, in, P}, {Move, {11, 11}, P}, {Click, in, N}, {Move, {12, 12}, H}}, {P, P}},
        {"toggle released outside keeps the flip", true, {{Press, in, P}, {Move, {10, 50}, P}, {Release, {10, 50}, P}},
         {}, true},
        {"toggle unchecked by the parent during the click", true, {{Click, in, N}}, {P}, false, true},
        {"toggle double click checks it", true, {{Check, {}, P}, {Click, in, N}, {DClick, in, P}, {Release, in, P}}, {P, P}, true},
        {"toggle set while disabled", true, {{Check, {}, P}, {Disable, {}, D}, {Uncheck, {}, N}, {Click, in, N}}, {}},
    };
    for (const Gesture& g : gestures) {
        SCOPED_TRACE(g.name);
        Bench bench(g.toggle);
        std::vector<Look> atClicks;
        QObject::connect(bench.button, &SkinButton::Clicked, [&] {
            atClicks.push_back(bench.Shows());
            if (g.parentUnchecks) bench.toggle()->SetCheck(false);
        });
        for (std::size_t i = 0; i < g.steps.size(); ++i) {
            bench.Do(g.steps[i]);
            EXPECT_EQ(bench.Shows(), g.steps[i].shows) << "step " << i;
        }
        EXPECT_EQ(atClicks, g.atClicks);
        EXPECT_EQ(g.toggle && bench.toggle()->GetCheck(), g.checked);
    }
}

TEST(SkinButtonTest, SetSkin_TakesTheNormalImagesSize_FailsOnAMissingBitmap_CopiesNormalForNegativeNumbers) {
    Bench bench(false);
    EXPECT_EQ(bench.button->size(), QSize(30, 27));
    EXPECT_TRUE(bench.button->IsButtonEnabled());
    SkinButton missing(&bench.host), copies(&bench.host);
    EXPECT_FALSE(missing.SetSkin(kPause[N], 99999, kPause[H], kPause[D]));
    EXPECT_TRUE(copies.SetSkin(kPause[N], -1, -1, -1));
    copies.EnableButton(false);
    EXPECT_EQ(ShownSkin(copies, {kPause[N], kPause[D]}), kPause[N]);

}

}  // namespace
}  // namespace korvane::testing
