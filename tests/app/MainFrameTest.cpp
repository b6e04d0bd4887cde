// The main window with a real view on the offscreen platform: its shape at
// start, its minimum size, the menu and the way its commands reach the view,
// the keys that work without the menu, printing and the close notification.
#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "app/MainWindow.h"
#include "playback/PlayerView.h"
#include "playback/ViewMessages.h"
#include "tests/app/DialogAnswerer.h"
#include "tests/platform/CompanionPeer.h"
#include "authoring/FrameSource.h"
#include "tests/support/GuiApp.h"
#include "authoring/RecordingWriter.h"
#include "tests/support/ScopedEnv.h"
#include "authoring/TempDir.h"

namespace korvane::testing {
namespace {

const std::string kH264 = std::string(KORVANE_TEST_DATA) + "/h264_704x480.h264";

SystemTime FrameTime(int i) { return AddMilliseconds(MakeTime(2025, 5, 6, 7, 8, 0, 0), 40 * i); }

class MainFrameTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        EnsureGuiApp();
        s_frames = ReadVideoFrames(kH264);
    }

    void SetUp() override {
        frame = std::make_unique<MainWindow>(QString::fromStdString(dir.File("ClipExport")));
        auto owned = std::make_unique<PlayerView>(notifier);
        view = owned.get();
        frame->SetView(owned.release());
    }

    // A recording of camera 0 with the first `count` pictures of the H.264
    // fixture, opened in the view.
    void OpenRecording(int count) {
        RecordingWriter w(kFileKind514);
        w.Header().setPlayCamera(0, 1);
        w.Header().setNameCamera(0, 1);
        for (int i = 0; i < count; ++i)
            w.AddVideo(0, 10, i == 0 ? kFrameKey : kFrameDependent, s_frames.at(i).bytes, FrameTime(i));
        const std::string path = dir.File("rec.MP4");
        w.WriteFile(path);
        ASSERT_EQ(view->OpenCommandLine(path), 1);
    }

    void ShowActive() {
        frame->show();
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
    }

    // Opens a menu the way a click on its title does, and closes it again.
    void PopUp(const QString& title) {
        for (QAction* top : frame->Menu()->actions()) {
            if (top->text() != title) continue;
            top->menu()->popup(QPoint(0, 0));
            top->menu()->hide();
            return;
        }
        ADD_FAILURE() << "no menu " << title.toStdString();
    }

    static inline std::vector<VideoFrame> s_frames;
    StderrNotifier notifier{false};
    TempDir dir;
    std::unique_ptr<MainWindow> frame;
    PlayerView* view = nullptr;
};

TEST_F(MainFrameTest, FreshFrameIsFramelessWithoutMenuTitledKorvane) {
    frame->show();
    EXPECT_TRUE(frame->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_FALSE(frame->Menu()->isVisible());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Korvane"));
    EXPECT_EQ(frame->View(), view);
    // The view fills the client area above the control bar, 354 x 61 at the bottom.
    EXPECT_EQ(view->parentWidget(), frame->centralWidget());
    ASSERT_NE(frame->Bar(), nullptr);
    EXPECT_EQ(frame->Bar()->size(), QSize(354, 61));
    EXPECT_EQ(frame->Bar()->geometry().bottom(), frame->centralWidget()->height() - 1);
    EXPECT_EQ(view->geometry().bottom() + 1, frame->Bar()->geometry().top());
}

TEST_F(MainFrameTest, CannotBeMadeSmallerThan360By320) {
    frame->show();
    frame->resize(100, 80);
    EXPECT_EQ(frame->size(), QSize(360, 320));
    // The window system gets the same limit for drags of the border.
    EXPECT_EQ(frame->windowHandle()->minimumSize(), QSize(360, 320));
    frame->resize(400, 330);
    EXPECT_EQ(frame->size(), QSize(400, 330));
}

TEST_F(MainFrameTest, MenuHoldsTheCommandsWithTheirIdsAndKeys) {
    struct Item {
        QString text;  // empty for a separator
        int id;
    };
    const std::vector<std::pair<QString, std::vector<Item>>> expected = {
        {"FILE", {{"Open(&O)...", 32782}, {"", 0}, {"Exit(&X)", 57665}}},
        {"PLAY",
         {{"PLAY", 32777}, {"BACK PLAY", 32798}, {"PAUSE", 32778}, {"STOP", 32780}, {"", 0},
          {"Previous", 32785}, {"Next", 32786}, {"", 0}, {"FAST PLAY", 32796}, {"FAST BACKPLAY", 32797},
          {"", 0}, {"Sound", 32793}}},
        {"SIZE", {{"1x", 32787}, {"2x", 32788}, {"3x", 32789}}},
    };
    const QList<QAction*> menus = frame->Menu()->actions();
    ASSERT_EQ(menus.size(), static_cast<qsizetype>(expected.size()));
    for (std::size_t m = 0; m < expected.size(); ++m) {
        SCOPED_TRACE(expected[m].first.toStdString());
        EXPECT_EQ(menus[m]->text(), expected[m].first);
        ASSERT_NE(menus[m]->menu(), nullptr);
        const QList<QAction*> items = menus[m]->menu()->actions();
        ASSERT_EQ(items.size(), static_cast<qsizetype>(expected[m].second.size()));
        for (qsizetype i = 0; i < items.size(); ++i) {
            const Item& want = expected[m].second[static_cast<std::size_t>(i)];
            if (want.text.isEmpty()) {
                EXPECT_TRUE(items[i]->isSeparator()) << "item " << i;
                continue;
            }
            EXPECT_EQ(items[i]->text(), want.text);
            EXPECT_EQ(items[i]->data().toInt(), want.id);
            EXPECT_EQ(frame->CommandAction(want.id), items[i]);
            const QKeySequence keys = want.id == ID_FILE_OPEN ? QKeySequence(Qt::CTRL | Qt::Key_O) : QKeySequence();
            EXPECT_EQ(items[i]->shortcut(), keys) << want.text.toStdString();
        }
    }
    EXPECT_EQ(frame->CommandAction(12345), nullptr);
}

TEST_F(MainFrameTest, NextAndPreviousFromTheMenuStepTheView) {
    OpenRecording(3);
    EXPECT_EQ(view->Caption(), "CAM =1  2025-05-06 07:08:00  000");
    frame->CommandAction(ID_NEXT)->trigger();
    EXPECT_EQ(view->Caption(), "CAM =1  2025-05-06 07:08:00  040");
    frame->CommandAction(ID_NEXT)->trigger();
    EXPECT_EQ(view->Caption(), "CAM =1  2025-05-06 07:08:00  080");
    frame->CommandAction(ID_PREVIOUS)->trigger();
    EXPECT_EQ(view->Caption(), "CAM =1  2025-05-06 07:08:00  040");
}

TEST_F(MainFrameTest, MenuStatesComeFromTheViewWhenAMenuOpens) {
    QAction* sound = frame->CommandAction(ID_SOUND);
    QAction* next = frame->CommandAction(ID_NEXT);
    QAction* previous = frame->CommandAction(ID_PREVIOUS);
    QAction* play = frame->CommandAction(ID_PLAY);

    sound->trigger();  // the view turns sound on: no steps while it is on
    ASSERT_EQ(view->SoundOn(), 1);
    PopUp(QStringLiteral("PLAY"));
    EXPECT_TRUE(sound->isChecked());
    EXPECT_FALSE(next->isEnabled());
    EXPECT_FALSE(previous->isEnabled());
    EXPECT_TRUE(play->isEnabled());

    sound->trigger();
    ASSERT_EQ(view->SoundOn(), 0);
    PopUp(QStringLiteral("PLAY"));
    EXPECT_FALSE(sound->isChecked());
    EXPECT_TRUE(next->isEnabled());
    EXPECT_TRUE(previous->isEnabled());
}

TEST_F(MainFrameTest, ExitFromTheMenuClosesTheFrame) {
    ShowActive();
    frame->CommandAction(ID_APP_EXIT)->trigger();
    EXPECT_FALSE(frame->isVisible());
}

TEST_F(MainFrameTest, CtrlOOpensTheViewsFileDialogWhileTheMenuIsHidden) {
    ShowActive();
    ASSERT_FALSE(frame->Menu()->isVisible());
    DialogAnswerer answerer;
    QTest::keyClick(frame.get(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(answerer.Shown().size(), 1u);
    EXPECT_EQ(answerer.Shown()[0], "QFileDialog");
}

TEST_F(MainFrameTest, CtrlPOpensThePrintDialogWhileTheMenuIsHidden) {
    ShowActive();
    DialogAnswerer answerer;
    QTest::keyClick(frame.get(), Qt::Key_P, Qt::ControlModifier);
    ASSERT_EQ(answerer.Shown().size(), 1u);
    EXPECT_EQ(answerer.Shown()[0], "QPrintDialog");
}

TEST_F(MainFrameTest, StandardEditingKeysLeaveTheRecordingAlone) {
    OpenRecording(2);
    const std::vector<std::uint8_t> before = ReadWholeFile(dir.File("rec.MP4"));
    const std::string caption = view->Caption();
    ShowActive();
    DialogAnswerer answerer;
    const std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>> keys = {
        {Qt::Key_N, Qt::ControlModifier},       {Qt::Key_S, Qt::ControlModifier},
        {Qt::Key_Z, Qt::ControlModifier},       {Qt::Key_Backspace, Qt::AltModifier},
        {Qt::Key_X, Qt::ControlModifier},       {Qt::Key_Delete, Qt::ShiftModifier},
        {Qt::Key_C, Qt::ControlModifier},       {Qt::Key_Insert, Qt::ControlModifier},
        {Qt::Key_V, Qt::ControlModifier},       {Qt::Key_Insert, Qt::ShiftModifier},
        {Qt::Key_F6, Qt::NoModifier},           {Qt::Key_F6, Qt::ShiftModifier},
    };
    for (const auto& [key, modifiers] : keys) QTest::keyClick(frame.get(), key, modifiers);
    EXPECT_TRUE(answerer.Shown().empty());
    EXPECT_EQ(ReadWholeFile(dir.File("rec.MP4")), before);
    EXPECT_EQ(view->Caption(), caption);
    EXPECT_TRUE(frame->isVisible());
}

TEST_F(MainFrameTest, PrintingDrawsThePictureOverTheWholePage) {
    OpenRecording(1);
    const Presentation shown = view->TakePresentation();
    ASSERT_TRUE(shown.ready);
    const int width = shown.format.biWidth, height = std::abs(shown.format.biHeight);
    ASSERT_EQ(width, 704);

    // A page of the picture's own size: each page pixel is one picture pixel.
    QImage page(width, height, QImage::Format_RGB32);
    page.fill(Qt::magenta);
    frame->PrintView(page);
    const QImage printed = page.convertToFormat(QImage::Format_BGR888);
    const QImage picture =
        QImage(shown.pixels.data(), width, height, width * 3, QImage::Format_BGR888).mirrored(false, shown.format.biHeight > 0);
    // Below the two text lines the page is the picture, row for row.
    int differing = 0;
    for (int y = 64; y < height; ++y) {
        if (std::memcmp(printed.constScanLine(y), picture.constScanLine(y), static_cast<std::size_t>(width) * 3) != 0)
            ++differing;
    }
    EXPECT_EQ(differing, 0);
}

TEST_F(MainFrameTest, CaptionAndMenuComeAndGoTogetherAndTheWindowKeepsItsRectangle) {
    frame->setGeometry(100, 100, 500, 400);
    frame->show();
    const QRect outer = frame->frameGeometry();
    const int viewHeight = view->height();

    view->ToggleMenu();  // the bar's menu button
    EXPECT_FALSE(frame->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(frame->Menu()->isVisible());
    EXPECT_EQ(frame->frameGeometry(), outer);
    EXPECT_LT(view->height(), viewHeight);

    view->ToggleMenu();
    EXPECT_TRUE(frame->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_FALSE(frame->Menu()->isVisible());
    EXPECT_EQ(frame->frameGeometry(), outer);
    EXPECT_EQ(view->height(), viewHeight);
}

TEST_F(MainFrameTest, ClosingTellsTheClipExportServerOnceAndOnlyOnce) {
    // The real server name, resolved inside this test's own folder.
    ScopedEnv tmp("TMPDIR", dir.Path().string());
    frame = std::make_unique<MainWindow>();
    CompanionPeer peer(QStringLiteral("ClipExport"));
    ASSERT_TRUE(peer.Listening());
    ASSERT_TRUE(QFileInfo::exists(QString::fromStdString(dir.File("ClipExport"))));

    frame->show();
    EXPECT_TRUE(frame->close());
    EXPECT_FALSE(frame->isVisible());
    const auto messages = peer.TakeMessages(2000);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(CompanionPeer::Words(messages[0]), (std::array<std::uint32_t, 3>{2025, 1, 1}));
    EXPECT_EQ(messages[0].size(), 12);

    // A second close of the same frame sends nothing more.
    frame->show();
    frame->close();
    EXPECT_TRUE(peer.TakeMessages(300).empty());
}

TEST_F(MainFrameTest, ClosingWithoutAServerClosesWithinTheConnectWait) {
    frame->show();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(frame->close());
    EXPECT_LT(std::chrono::steady_clock::now() - start, kCompanionConnectWait + std::chrono::milliseconds(200));
    EXPECT_FALSE(frame->isVisible());
}

}  // namespace
}  // namespace korvane::testing
