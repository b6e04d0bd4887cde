// The control bar docked under the real view on the demo recording: clicks
// on the bar drive the view through play, pause, back play to the start,
// fast play at a speed set on the slider, steps, rewind, zoom, sound, the
// menu toggle and exit. A relay between the bar and the view records every
// message on its way.
#include <gtest/gtest.h>

#include <QDockWidget>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QTest>

#include <string>

#include "controls/ControlBar.h"
#include "platform/Notifier.h"
#include "playback/PlayerView.h"
#include "playback/ViewMessages.h"
#include "tests/controls/ControlsSupport.h"
#include "tests/support/GuiApp.h"

namespace korvane::testing {
namespace {

constexpr int kPlaybackTimeoutMs = 60000;

// Passes every message on to the view, keeping a copy.
class Relay : public MessageTarget {
public:
    explicit Relay(PlayerView& view) : m_view(view) {}
    long HandleMessage(unsigned id, WParam wParam, LParam lParam) override {
        messages.push_back({id, wParam, lParam});
        return m_view.HandleMessage(id, wParam, lParam);
    }
    Mailbox& MessageMailbox() override { return m_view.MessageMailbox(); }

    std::vector<Message> messages;

private:
    PlayerView& m_view;
};

class ControlBarViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureGuiApp(); }
    void SetUp() override {
        frame.setWindowFlag(Qt::FramelessWindowHint, true);
        frame.setMinimumSize(360, 320);
        frame.menuBar()->addMenu("FILE");
        frame.menuBar()->setVisible(false);
        view = new PlayerView(notifier);  // owned by the frame
        frame.setCentralWidget(view);
        // The bar docked under the view: a dock without title or handles.
        auto* dock = new QDockWidget(&frame);
        auto* noTitle = new QWidget(dock);
        (new QHBoxLayout(noTitle))->setContentsMargins(0, 0, 0, 0);  // a title bar of no size
        dock->setTitleBarWidget(noTitle);
        dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
        dock->setAllowedAreas(Qt::BottomDockWidgetArea);
        bar = new ControlBar(dock);
        ASSERT_EQ(bar->Create(IDD_CONTROL_BAR), 1);
        dock->setWidget(bar);
        frame.addDockWidget(Qt::BottomDockWidgetArea, dock);
        frame.setStyleSheet("QMainWindow::separator { width: 0px; height: 0px; }");  // no gap above the bar
        relay = std::make_unique<Relay>(*view);
        bar->SetView(relay.get(), [this] { return view->FileOpen(); });
        view->SetControlBar(bar);
        frame.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        ASSERT_TRUE(QTest::qWaitFor([&] { return bar->Skinned(); }));
        view->OnInitialUpdate(std::string(KORVANE_SOURCE_DIR) + "/samples/demo.MP4");
        ASSERT_TRUE(view->FileOpen());
        first = view->Caption();
        ASSERT_FALSE(first.empty());
    }
    void TearDown() override {
        view->StopAllWorkers();
        view->SetControlBar(nullptr);
        QCoreApplication::processEvents();
    }

    void Click(int id) { QTest::mouseClick(bar->Button(id), Qt::LeftButton, {}, QPoint(8, 8)); }
    std::vector<unsigned> TakeIds() {
        std::vector<unsigned> ids;
        for (const Message& m : relay->messages) ids.push_back(m.id);
        relay->messages.clear();
        return ids;
    }
    bool CaptionMovesFrom(const std::string& caption) {
        return QTest::qWaitFor([&] { return view->Caption() != caption; }, kPlaybackTimeoutMs);
    }
    bool Checked(int id) { return bar->ToggleButton(id)->GetCheck(); }

    StderrNotifier notifier{false};
    std::unique_ptr<Relay> relay;  // outlives the frame: the view's last posted messages go through it
    QMainWindow frame;
    PlayerView* view = nullptr;
    ControlBar* bar = nullptr;
    std::string first;
};

TEST_F(ControlBarViewTest, TheBarIsDockedAlongTheFramesBottomUnderTheView) {
    const QRect barRect(bar->mapTo(&frame, QPoint(0, 0)), bar->size());
    EXPECT_EQ(barRect.height(), 61);
    EXPECT_EQ(barRect.bottom(), frame.height() - 1);
    EXPECT_EQ(barRect.width(), frame.width());
    EXPECT_EQ(view->geometry().bottom() + 1, barRect.top());
}

TEST_F(ControlBarViewTest, ClickingThroughTheBar_DrivesTheView) {
    // Steps.
    Click(IDC_BAR_NEXT);
    const std::string second = view->Caption();
    EXPECT_NE(second, first);
    Click(IDC_BAR_NEXT);
    Click(IDC_BAR_PREVIOUS);
    EXPECT_EQ(view->Caption(), second);
    EXPECT_EQ(TakeIds(), (std::vector<unsigned>{WM_BAR_NEXT, WM_BAR_NEXT, WM_BAR_PREVIOUS}));

    // Play, then pause.
    Click(IDC_BAR_PLAY);
    EXPECT_TRUE(view->IsPlaying());
    EXPECT_TRUE(Checked(IDC_BAR_PLAY));
    const std::string playing = view->Caption();
    ASSERT_TRUE(CaptionMovesFrom(playing));
    Click(IDC_BAR_NEXT);  // disabled while playing
    Click(IDC_BAR_PAUSE);
    EXPECT_FALSE(view->IsPlaying());
    EXPECT_FALSE(Checked(IDC_BAR_PLAY));
    QCoreApplication::processEvents();
    ASSERT_GE(relay->messages.size(), 2u);
    EXPECT_EQ(relay->messages[0], (Message{WM_BAR_PLAY, 1, 0}));
    EXPECT_EQ(relay->messages[1], (Message{WM_BAR_PLAY, 0, 0}));
    relay->messages.clear();

    // Back play runs to the start of the recording; its end resets the bar.
    const std::string paused = view->Caption();
    Click(IDC_BAR_BACK_PLAY);
    EXPECT_TRUE(view->IsPlaying());
    EXPECT_TRUE(bar->BackMode());
    EXPECT_FALSE(bar->Button(IDC_BAR_PLAY)->IsButtonEnabled());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !bar->BackMode(); }, kPlaybackTimeoutMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !view->IsPlaying(); }, kPlaybackTimeoutMs));
    QTest::qWait(50);  // what the worker posted before it stopped
    EXPECT_NE(view->Caption(), paused);
    EXPECT_EQ(view->Caption(), first);
    EXPECT_FALSE(Checked(IDC_BAR_BACK_PLAY));
    EXPECT_TRUE(bar->Button(IDC_BAR_PLAY)->IsButtonEnabled());
    const std::vector<unsigned> ids = TakeIds();
    ASSERT_FALSE(ids.empty());
    EXPECT_EQ(ids.front(), WM_BAR_PLAY);
    EXPECT_EQ(ids.back(), WM_BAR_PLAYBACK_ENDED);

    // Fast play at the speed set on the slider.
    SkinSlider& speed = *bar->Slider(IDC_BAR_SPEED);
    QTest::mousePress(&speed, Qt::LeftButton, {}, QPoint(speed.ThumbX(0) + 4, 5));
    QTest::mouseMove(&speed, QPoint(200, 5));
    QTest::mouseRelease(&speed, Qt::LeftButton, {}, QPoint(200, 5));
    ASSERT_FALSE(relay->messages.empty());
    EXPECT_EQ(relay->messages.back(), (Message{WM_BAR_SPEED, 5, 0}));
    relay->messages.clear();
    Click(IDC_BAR_FAST_PLAY);
    EXPECT_TRUE(view->IsPlaying());
    EXPECT_EQ(relay->messages.front(), (Message{WM_BAR_FAST_PLAY, 1, 0}));
    ASSERT_TRUE(CaptionMovesFrom(first));
    Click(IDC_BAR_FAST_PLAY);
    EXPECT_FALSE(view->IsPlaying());
    EXPECT_FALSE(bar->ForwardMode());
    QCoreApplication::processEvents();
    relay->messages.clear();

    // Rewind: back to the first picture.
    Click(IDC_BAR_REWIND);
    EXPECT_EQ(view->Caption(), first);
    EXPECT_EQ(TakeIds(), (std::vector<unsigned>{WM_BAR_PLAY, WM_BAR_RELOAD}));
}

TEST_F(ControlBarViewTest, ZoomSoundMenuAndExit) {
    const int width1x = frame.width();
    Click(IDC_BAR_ZOOM2);
    EXPECT_GT(frame.width(), width1x);
    Click(IDC_BAR_ZOOM1);
    EXPECT_EQ(frame.width(), width1x);
    EXPECT_EQ(TakeIds(), (std::vector<unsigned>{WM_BAR_ZOOM2, WM_BAR_ZOOM1}));

    // Sound: the view sets the bar's state and, a recording being open, reloads through the bar.
    Click(IDC_BAR_SOUND);
    EXPECT_EQ(view->SoundOn(), 1);
    EXPECT_TRUE(bar->Sound());
    EXPECT_TRUE(Checked(IDC_BAR_SOUND));
    EXPECT_EQ(relay->messages, (std::vector<Message>{{WM_BAR_SOUND, 1, 0}, {WM_BAR_RELOAD, 0, 0}}));
    relay->messages.clear();
    Click(IDC_BAR_SOUND);
    EXPECT_EQ(view->SoundOn(), 0);
    EXPECT_FALSE(Checked(IDC_BAR_SOUND));
    EXPECT_EQ(relay->messages, (std::vector<Message>{{WM_BAR_SOUND, 0, 0}, {WM_BAR_RELOAD, 0, 0}}));
    relay->messages.clear();

    EXPECT_TRUE(view->MenuHidden());
    Click(IDC_BAR_MENU);
    EXPECT_FALSE(view->MenuHidden());
    EXPECT_TRUE(frame.menuBar()->isVisible());
    Click(IDC_BAR_MENU);
    EXPECT_TRUE(view->MenuHidden());

    Click(IDC_BAR_EXIT);
    EXPECT_TRUE(frame.isVisible());  // posted: the frame closes after the click
    ASSERT_TRUE(QTest::qWaitFor([&] { return !frame.isVisible(); }));
    EXPECT_EQ(TakeIds(), (std::vector<unsigned>{WM_BAR_MENU, WM_BAR_MENU, WM_BAR_EXIT}));
}

TEST_F(ControlBarViewTest, BarGoingWhileTheViewPlays_StopsThePlaybackFirst) {
    bar->AttachView(*view);
    Click(IDC_BAR_PLAY);
    ASSERT_TRUE(view->IsPlaying());
    delete bar;  // its dock stays
    bar = nullptr;
    EXPECT_FALSE(view->IsPlaying());
    // The view plays on without the bar, its loops reporting to no one.
    view->OnCommand(ID_PLAY);
    ASSERT_TRUE(view->IsPlaying());
    ASSERT_TRUE(CaptionMovesFrom(first));
    view->StopAllWorkers();
    EXPECT_FALSE(view->IsPlaying());
}

}  // namespace
}  // namespace korvane::testing
