// The main window over a real engine on the offscreen platform: its shape,
// the menu and its commands, the bar's window buttons under real clicks,
// keys, the view's picture (painted and printed), full screen, dropped files
// and the close notification.
#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "app/Commands.h"
#include "app/MainWindow.h"
#include "app/PlayerView.h"
#include "tests/app/Clip.h"
#include "tests/platform/CompanionPeer.h"

namespace korvane::testing {
namespace {

// Notes each dialog shown by its class and cancels it from the event loop, as a user would.
class DialogAnswerer : public QObject {
public:
    DialogAnswerer() { qApp->installEventFilter(this); }
    ~DialogAnswerer() override { qApp->removeEventFilter(this); }
    std::vector<std::string> shown;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (auto* dialog = qobject_cast<QDialog*>(object); dialog && event->type() == QEvent::Show) {
            shown.emplace_back(dialog->metaObject()->className());
            QTimer::singleShot(0, dialog, &QDialog::reject);
        }
        return false;
    }
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        QObject::connect(&player, &Player::Opened, [this] { ++opens; });
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    void Open() { ASSERT_TRUE(player.Open(WriteClip(dir, "rec.MP4"))); }
    std::string Shown() const { return window.View()->Shown() ? window.View()->Shown()->caption : ""; }
    void Click(int button) { QTest::mouseClick(window.Bar()->Button(button), Qt::LeftButton, {}, QPoint(8, 8)); }

    TempDir dir;
    StderrNotifier notifier{false};
    Player player{notifier};
    MainWindow window{player, QString::fromStdString(dir.File("ClipExport"))};
    int opens = 0;
};

TEST_F(MainWindowTest, StartsFramelessWithoutMenuKeepsItsMinimumSizeAndClosesInTheCompanionWait) {
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_FALSE(window.Menu()->isVisible());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Korvane"));
    EXPECT_EQ(window.Bar()->size(), QSize(354, 61));
    EXPECT_EQ(window.Bar()->geometry().bottom(), window.centralWidget()->height() - 1);
    EXPECT_EQ(window.View()->geometry().bottom() + 1, window.Bar()->geometry().top());
    window.resize(100, 80);
    EXPECT_EQ(window.size(), QSize(360, 320));
    EXPECT_EQ(window.windowHandle()->minimumSize(), QSize(360, 320));  // also for drags of the border
    const auto start = std::chrono::steady_clock::now();  // no companion listens
    EXPECT_TRUE(window.close());
    EXPECT_LT(std::chrono::steady_clock::now() - start, kCompanionConnectWait + std::chrono::milliseconds(200));
}

TEST_F(MainWindowTest, MenuHoldsTheCommandsWithTheirIdsAndKeys) {
    const std::vector<std::pair<QString, std::vector<std::pair<QString, int>>>> menus = {
        {"FILE", {{"Open(&O)...", ID_FILE_OPEN}, {"", 0}, {"Exit(&X)", ID_APP_EXIT}}},
        {"PLAY", {{"PLAY", ID_PLAY}, {"BACK PLAY", ID_BACK_PLAY}, {"PAUSE", ID_PAUSE}, {"STOP", ID_STOP}, {"", 0},
                  {"Previous", ID_PREVIOUS}, {"Next", ID_NEXT}, {"", 0}, {"FAST PLAY", ID_FAST_PLAY},
                  {"FAST BACKPLAY", ID_FAST_BACKPLAY}, {"", 0}, {"Sound", ID_SOUND}}},
        {"SIZE", {{"1x", ID_ZOOM1}, {"2x", ID_ZOOM2}, {"3x", ID_ZOOM3}}},
    };
    const QList<QAction*> tops = window.Menu()->actions();
    ASSERT_EQ(tops.size(), 3);
    for (qsizetype m = 0; m < 3; ++m) {
        const auto& [title, items] = menus[std::size_t(m)];
        EXPECT_EQ(tops[m]->text(), title);
        const QList<QAction*> actions = tops[m]->menu()->actions();
        ASSERT_EQ(actions.size(), qsizetype(items.size())) << title.toStdString();
        for (qsizetype i = 0; i < actions.size(); ++i) {
            const auto& [text, id] = items[std::size_t(i)];
            EXPECT_EQ(actions[i]->isSeparator(), id == 0) << text.toStdString();
            if (id == 0) continue;
            EXPECT_EQ(actions[i]->text(), text);
            EXPECT_EQ(window.CommandAction(id), actions[i]);
            EXPECT_EQ(actions[i]->shortcut(), id == ID_FILE_OPEN ? QKeySequence("Ctrl+O") : QKeySequence()) << id;
        }
    }
    EXPECT_EQ(window.CommandAction(12345), nullptr);
}

TEST_F(MainWindowTest, MenuCommandsDriveTheEngineAndTheView) {
    Open();
    const struct {
        int id;
        PlayMode mode;
        int picture;  // the picture the view shows after it; -1 while a mode plays
    } steps[] = {
        {ID_NEXT, PlayMode::Idle, 1}, {ID_NEXT, PlayMode::Idle, 2}, {ID_PREVIOUS, PlayMode::Idle, 1},
        {ID_PLAY, PlayMode::Play, -1}, {ID_PAUSE, PlayMode::Idle, -1}, {ID_BACK_PLAY, PlayMode::BackPlay, -1},
        {ID_STOP, PlayMode::Idle, -1}, {ID_FAST_PLAY, PlayMode::FastPlay, -1},
        {ID_FAST_BACKPLAY, PlayMode::FastBackPlay, -1}, {ID_STOP, PlayMode::Idle, -1}};
    for (const auto& step : steps) {
        window.CommandAction(step.id)->trigger();
        EXPECT_EQ(player.Mode(), step.mode) << step.id;
        if (step.picture >= 0) EXPECT_EQ(Shown(), ClipCaption(step.picture)) << step.id;
    }

    // Sound: on from the menu, which then shows it checked and the steps off.
    QAction* sound = window.CommandAction(ID_SOUND);
    for (bool on : {true, false}) {
        sound->trigger();
        ASSERT_EQ(player.SoundOn(), on);
        QMenu* play = window.Menu()->actions()[1]->menu();
        play->popup(QPoint(0, 0));
        play->hide();
        EXPECT_EQ(sound->isChecked(), on);
        EXPECT_EQ(window.CommandAction(ID_NEXT)->isEnabled(), !on);
        EXPECT_EQ(window.CommandAction(ID_PREVIOUS)->isEnabled(), !on);
    }

    // Zoom from the menu and from the bar: 352 x factor x 0.9 wide, 240 x factor
    // high, never under the minimum.
    const std::tuple<std::function<void()>, int, int> zooms[] = {
        {[&] { window.CommandAction(ID_ZOOM2)->trigger(); }, 633, 480}, {[&] { Click(IDC_BAR_ZOOM3); }, 950, 720},
        {[&] { Click(IDC_BAR_ZOOM1); }, 360, 320}, {[&] { window.CommandAction(ID_ZOOM3)->trigger(); }, 950, 720},
    };
    for (const auto& [zoom, width, height] : zooms) {
        zoom();
        EXPECT_EQ(window.size(), QSize(width, height));
    }
}

TEST_F(MainWindowTest, KeysWorkWithoutTheMenuAndOnlyTheirOwn) {
    Open();
    const std::string caption = Shown();
    DialogAnswerer answerer;
    for (Qt::Key key : {Qt::Key_O, Qt::Key_P}) {
        window.activateWindow();  // back from the last dialog
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, key, Qt::ControlModifier);
    }
    EXPECT_EQ(answerer.shown, (std::vector<std::string>{"QFileDialog", "QPrintDialog"}));
    // Standard editing keys mean nothing here.
    for (Qt::Key key : {Qt::Key_N, Qt::Key_S, Qt::Key_Z, Qt::Key_X, Qt::Key_C, Qt::Key_V})
        QTest::keyClick(&window, key, Qt::ControlModifier);
    for (Qt::Key key : {Qt::Key_Delete, Qt::Key_Insert}) QTest::keyClick(&window, key, Qt::ShiftModifier);
    QTest::keyClick(&window, Qt::Key_F6);
    EXPECT_EQ(answerer.shown.size(), 2u);
    EXPECT_EQ(Shown(), caption);
    EXPECT_EQ(player.FilePath(), dir.File("rec.MP4"));
}

// Printing paints the view over the whole page: nothing before the first
// picture, then the picture stretched (each pixel a 2 x 2 block at twice its
// size, copied, not blended) under a white caption with a black shadow.
TEST_F(MainWindowTest, PrintingPaintsThePictureStretchedWithShadowedTextLines) {
    QImage page(704, 480, QImage::Format_RGB32), blank = page;
    page.fill(Qt::magenta);
    blank.fill(Qt::magenta);
    window.PrintView(page);
    EXPECT_EQ(page, blank);

    Open();
    const Picture& p = *window.View()->Shown();
    ASSERT_EQ(p.width, 352);
    window.PrintView(page);
    const auto source = [&](int x, int y) {
        const std::size_t i = (std::size_t(y / 2) * 352 + x / 2) * 3;
        return qRgb(p.pixels[i + 2], p.pixels[i + 1], p.pixels[i]);
    };
    for (int y = 64; y < 480; y += 7)  // below the two text lines
        for (int x = 1; x < 704; x += 11) ASSERT_EQ(page.pixel(x, y), source(x, y)) << x << "," << y;
    const auto white = [](QRgb c) { return qMin(qMin(qRed(c), qGreen(c)), qBlue(c)) > 230; };
    const auto black = [](QRgb c) { return qMax(qMax(qRed(c), qGreen(c)), qBlue(c)) < 25; };
    int text = 0, shadow = 0;  // the caption's pixels the picture has not
    for (int y = 9; y < 24; ++y)
        for (int x = 9; x < 200; ++x) {
            text += white(page.pixel(x, y)) && !white(source(x, y));
            shadow += black(page.pixel(x, y)) && !black(source(x, y));
        }
    EXPECT_GT(text, 40);
    EXPECT_GT(shadow, text / 3);
}

TEST_F(MainWindowTest, BarsMenuButtonShowsCaptionAndMenuInTheSameRectangle) {
    window.setGeometry(100, 100, 500, 400);
    const QRect outer = window.frameGeometry();
    for (bool shown : {true, false}) {
        Click(IDC_BAR_MENU);
        EXPECT_EQ(window.windowFlags().testFlag(Qt::FramelessWindowHint), !shown);
        EXPECT_EQ(window.Menu()->isVisible(), shown);
        EXPECT_EQ(window.View()->MenuHidden(), !shown);
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(window.frameGeometry(), outer);
    }
}

TEST_F(MainWindowTest, DoubleClickGoesFullScreenAndBackToTheSameRectangle) {
    window.CommandAction(ID_ZOOM2)->trigger();
    window.move(40, 30);
    QCoreApplication::processEvents();
    const QRect before = window.geometry();
    QTest::mouseDClick(window.View(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_TRUE(window.View()->FullScreen());
    EXPECT_EQ(window.geometry(), QRect(QPoint(0, 0), window.screen()->size()));
    window.CommandAction(ID_ZOOM3)->trigger();  // zoom while in full screen resizes; the next double click still restores
    QTest::mouseDClick(window.View(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_FALSE(window.View()->FullScreen());
    EXPECT_EQ(window.geometry(), before);
}

TEST_F(MainWindowTest, DroppingTheOpenFileOrTwoFilesDoesNothingAnotherFileOpens) {
    const std::string first = WriteClip(dir, "first.MP4", 1), second = WriteClip(dir, "second.MP4", 3);
    ASSERT_TRUE(player.Open(first));
    DropFiles(window.View(), {first});
    DropFiles(window.View(), {second, first});
    EXPECT_EQ(opens, 1);
    EXPECT_EQ(player.FilePath(), first);
    DropFiles(window.View(), {second});
    EXPECT_EQ(opens, 2);
    EXPECT_EQ(player.FilePath(), second);
    EXPECT_EQ(window.windowTitle().toStdString(), second);
    EXPECT_EQ(Shown(), ClipCaption(0));
}

TEST_F(MainWindowTest, ExitStopsPlaybackAndClosingTellsTheCompanionOnce) {
    CompanionPeer peer(QString::fromStdString(dir.File("ClipExport")));
    ASSERT_TRUE(peer.Listening());
    Open();
    window.CommandAction(ID_PLAY)->trigger();
    Click(IDC_BAR_EXIT);
    EXPECT_TRUE(window.isVisible());  // the bar's exit arrives after the click
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }));
    EXPECT_EQ(player.Mode(), PlayMode::Idle);
    const auto messages = peer.TakeMessages(2000);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(CompanionPeer::Words(messages[0]), (std::array<std::uint32_t, 3>{2025, 1, 1}));
    EXPECT_EQ(messages[0].size(), 12);

    window.show();  // closed again from the menu: nothing more is sent
    window.CommandAction(ID_APP_EXIT)->trigger();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(peer.TakeMessages(300).empty());
}

}  // namespace
}  // namespace korvane::testing
