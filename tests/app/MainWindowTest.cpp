// The main window over a real engine on the offscreen platform, driven by
// its menu commands, the bar's buttons, keys, double clicks and drops.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QPrinter>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QCheckBox>
#include <QCryptographicHash>
#include <QFileDialog>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <QDialogButtonBox>
#include <QMessageBox>

#include "app/Actions.h"
#include "app/GoToDialog.h"
#include "app/MainWindow.h"
#include "app/PictureSaver.h"
#include "app/PlayerView.h"
#include "controls/PositionReadout.h"
#include "controls/Timeline.h"
#include "recording/TimeStamp.h"
#include "tests/app/Clip.h"
#include "tests/platform/CompanionPeer.h"
#include "tests/support/Outputs.h"

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
        QObject::connect(&session, &Session::Opened, [this] { ++opens; });
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    void Open() { ASSERT_TRUE(session.Open(WriteClip(dir, "rec.MP4"))); }
    std::string Shown() const { return window.View()->Shown() ? window.View()->Shown()->caption : ""; }
    void Click(BarButton button) { QTest::mouseClick(window.Bar()->Button(button), Qt::LeftButton, {}, QPoint(8, 8)); }

    TempDir dir;
    StderrNotifier notifier{false};
    Session session{notifier};
    MainWindow window{session, QString::fromStdString(dir.File("ClipExport"))};
    int opens = 0;
};

TEST_F(MainWindowTest, StartsFramelessWithoutMenuKeepsItsMinimumSizeAndClosesInTheCompanionWait) {
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_FALSE(window.Menu()->isVisible());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Korvane"));
    // The timeline strip lies between the view and the bar.
    const QRect strip = window.TimelineStrip()->parentWidget()->geometry();
    EXPECT_EQ(window.View()->geometry().bottom() + 1, strip.top());
    EXPECT_EQ(strip.bottom() + 1, window.Bar()->geometry().top());
    // The empty window says how to open a recording: text on the black.
    const QImage empty = window.View()->grab().toImage();
    int lit = 0;
    for (int y = 0; y < empty.height(); ++y)
        for (int x = 0; x < empty.width(); ++x) lit += empty.pixel(x, y) != qRgb(0, 0, 0);
    EXPECT_GT(lit, 100);
    EXPECT_TRUE(PlayerView::EmptyHint().contains(QStringLiteral("Ctrl+O")));
    EXPECT_FALSE(window.Action(Command::Play)->isEnabled());  // nothing to play yet
    // Help > About: the version and the libraries with their licences.
    window.Action(Command::About)->trigger();
    ASSERT_NE(window.AboutBox(), nullptr);
    EXPECT_TRUE(window.AboutBox()->isVisible());
    for (const char* part : {"Korvane 0.1", "Qt", "FFmpeg", "SDL", "libjpeg-turbo", "LGPL", "zlib"})
        EXPECT_TRUE(window.AboutBox()->text().contains(QString::fromLatin1(part))) << part;
    window.AboutBox()->close();
    window.resize(100, 80);
    EXPECT_EQ(window.size(), QSize(360, 320));
    EXPECT_EQ(window.windowHandle()->minimumSize(), QSize(360, 320));  // also for drags of the border
    const auto start = std::chrono::steady_clock::now();  // no companion listens
    EXPECT_TRUE(window.close());
    EXPECT_LT(std::chrono::steady_clock::now() - start, kCompanionConnectWait + std::chrono::milliseconds(200));
}

// Every command is one action: in a menu, on its keys and, for the bar's
// commands, on a button that shows its state and names its key.
TEST_F(MainWindowTest, MenuBarAndKeysShareOneActionPerCommand) {
    QList<QAction*> inMenus;
    for (QAction* top : window.Menu()->actions())
        if (top->menu() != nullptr) inMenus += top->menu()->actions();
    for (QAction* action : window.CommandActions().WithKeys()) EXPECT_TRUE(inMenus.contains(action)) << action->text().toStdString();
    for (QAction* action : {window.Action(Command::About), window.Action(Command::KeepProportions)})
        EXPECT_TRUE(inMenus.contains(action)) << action->text().toStdString();
    for (SkinButton* button : window.Bar()->findChildren<SkinButton*>()) {
        EXPECT_TRUE(button->toolTip().contains(QLatin1Char('('))) << button->toolTip().toStdString();  // names its key
    }
    EXPECT_EQ(window.Bar()->Button(BarButton::BackPlay)->toolTip(), window.Action(Command::BackPlay)->toolTip());

    ASSERT_TRUE(session.Open(WriteClip(dir, "rec.MP4", 120)));
    ASSERT_TRUE(session.WaitForIndex());
    // The same command from the keys, the menu and the bar; a step while
    // playing stops and steps. Every mode starts far from its end.
    enum Via { Key, Menu, Bar };
    const struct {
        Command command;
        Via via;
        PlayMode mode;
        int picture;  // the picture the view shows after it; -1 while a mode plays
    } steps[] = {
        {Command::Next, Key, PlayMode::Idle, 1},      {Command::Next, Menu, PlayMode::Idle, 2},
        {Command::Previous, Bar, PlayMode::Idle, 1},  {Command::Last, Bar, PlayMode::Idle, 119},
        {Command::First, Key, PlayMode::Idle, 0},     {Command::Last, Menu, PlayMode::Idle, 119},
        {Command::BackPlay, Bar, PlayMode::BackPlay, -1}, {Command::Next, Bar, PlayMode::Idle, -1},
        {Command::First, Bar, PlayMode::Idle, 0},     {Command::Play, Bar, PlayMode::Play, -1},
        {Command::Play, Key, PlayMode::Idle, -1},     {Command::Last, Key, PlayMode::Idle, 119},
        {Command::FastBackPlay, Menu, PlayMode::FastBackPlay, -1}, {Command::Pause, Bar, PlayMode::Idle, -1},
        {Command::First, Menu, PlayMode::Idle, 0},    {Command::FastPlay, Key, PlayMode::FastPlay, -1},
        {Command::FastPlay, Bar, PlayMode::Idle, -1},
    };
    const std::pair<Command, BarButton> buttons[] = {
        {Command::Next, BarButton::Next},         {Command::Previous, BarButton::Previous},
        {Command::Last, BarButton::Last},         {Command::First, BarButton::First},
        {Command::Play, BarButton::Play},         {Command::BackPlay, BarButton::BackPlay},
        {Command::FastPlay, BarButton::FastPlay}, {Command::FastBackPlay, BarButton::FastBack},
        {Command::Pause, BarButton::Pause},
    };
    const auto button = [&](Command command) {
        for (const auto& [c, b] : buttons)
            if (c == command) return b;
        return BarButton::Menu;
    };
    for (const auto& step : steps) {
        QAction* action = window.Action(step.command);
        const std::string name = action->text().toStdString() + " via " + std::to_string(step.via);
        if (step.via == Key) QTest::keySequence(&window, action->shortcuts().front());
        else if (step.via == Menu) inMenus[inMenus.indexOf(action)]->trigger();
        else Click(button(step.command));
        EXPECT_EQ(session.Mode(), step.mode) << name;
        if (step.picture >= 0) {
            EXPECT_EQ(Shown(), ClipCaption(step.picture)) << name;
        }
        // The bar and the menu show the mode that plays.
        for (const auto& [command, modeButton] : {std::pair{Command::Play, BarButton::Play},
                                                  std::pair{Command::BackPlay, BarButton::BackPlay},
                                                  std::pair{Command::FastPlay, BarButton::FastPlay},
                                                  std::pair{Command::FastBackPlay, BarButton::FastBack}}) {
            const bool plays = step.mode != PlayMode::Idle && command == step.command;
            EXPECT_EQ(window.Action(command)->isChecked(), plays) << name;
            EXPECT_EQ(window.Bar()->ToggleButton(modeButton)->GetCheck(), plays) << name;
        }
    }

    // Sound: the engine, the menu's check and the bar's button agree.
    for (bool on : {true, false}) {
        Click(BarButton::Sound);
        ASSERT_EQ(session.SoundOn(), on);
        EXPECT_EQ(window.Action(Command::Sound)->isChecked(), on);
        EXPECT_EQ(window.Bar()->ToggleButton(BarButton::Sound)->GetCheck(), on);
    }

    // Zoom: 352 x factor x 0.9 wide, 240 x factor high, never under the minimum.
    const std::tuple<std::function<void()>, int, int> zooms[] = {
        {[&] { window.Action(Command::Zoom2)->trigger(); }, 633, 480}, {[&] { Click(BarButton::Zoom3); }, 950, 720},
        {[&] { Click(BarButton::Zoom1); }, 360, 320}, {[&] { window.Action(Command::Zoom3)->trigger(); }, 950, 720},
    };
    for (const auto& [zoom, width, height] : zooms) {
        zoom();
        EXPECT_EQ(window.size(), QSize(width, height));
        const int factor = height / 240;  // the bar's buttons follow the zoom however it was set
        const BarButton zoomButtons[] = {BarButton::Zoom1, BarButton::Zoom2, BarButton::Zoom3};
        for (int i = 0; i < 3; ++i) EXPECT_EQ(window.Bar()->ToggleButton(zoomButtons[i])->GetCheck(), i + 1 == factor) << width;
    }
}

TEST_F(MainWindowTest, KeysWorkWithoutTheMenuAndOnlyTheirOwn) {
    Open();
    const std::string caption = Shown();
    DialogAnswerer answerer;
    for (Qt::Key key : {Qt::Key_O, Qt::Key_P, Qt::Key_S}) {
        window.activateWindow();  // back from the last dialog
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, key, Qt::ControlModifier);
    }
    EXPECT_EQ(answerer.shown, (std::vector<std::string>{"QFileDialog", "QPrintDialog", "QFileDialog"}));
    // Standard editing keys mean nothing here.
    for (Qt::Key key : {Qt::Key_N, Qt::Key_Z, Qt::Key_X, Qt::Key_C, Qt::Key_V})
        QTest::keyClick(&window, key, Qt::ControlModifier);
    for (Qt::Key key : {Qt::Key_Delete, Qt::Key_Insert}) QTest::keyClick(&window, key, Qt::ShiftModifier);
    QTest::keyClick(&window, Qt::Key_F6);
    EXPECT_EQ(answerer.shown.size(), 3u);
    EXPECT_EQ(Shown(), caption);
    EXPECT_EQ(session.FilePath(), dir.File("rec.MP4"));
}

// Printed at twice the size each pixel is a 2 x 2 block, copied, not blended;
// the caption is white over a black shadow.
TEST_F(MainWindowTest, PrintingPaintsThePictureStretchedWithShadowedTextLines) {
    QImage page(704, 480, QImage::Format_RGB32);
    page.fill(Qt::magenta);
    const QImage blank = page.copy();
    window.PrintView(page);  // nothing before the first picture
    EXPECT_EQ(page, blank);

    Open();
    const Picture& p = *window.View()->Shown();
    ASSERT_EQ(p.width, 352);
    window.PrintView(page);
    const auto source = [&](int x, int y) {
        const std::size_t i = (std::size_t(y / 2) * 352 + x / 2) * 3;
        return qRgb(p.Bytes()[i + 2], p.Bytes()[i + 1], p.Bytes()[i]);
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

// The bar's menu button shows caption and menu and hides them again. With a
// window manager that gives the frame's margins only 100 ms after the window
// is shown with its caption, 12 toggles at the minimum size leave the outer
// rectangle where it was.
TEST_F(MainWindowTest, MenuToggleKeepsTheOuterRectangleWhenTheFrameMarginsComeLate) {
    window.setGeometry(100, 100, 360, 320);
    const QRect outer = window.geometry();
    QElapsedTimer sinceToggle;
    const auto margins = [&] {
        const bool framed = !window.windowFlags().testFlag(Qt::FramelessWindowHint);
        return framed && sinceToggle.elapsed() >= 100 ? QMargins(1, 20, 1, 5) : QMargins();
    };
    window.View()->SetFrameMarginsSource(margins);
    for (int i = 0; i < 12; ++i) {
        sinceToggle.start();
        Click(BarButton::Menu);
        const bool shown = i % 2 == 0;
        EXPECT_EQ(window.windowFlags().testFlag(Qt::FramelessWindowHint), !shown);
        EXPECT_EQ(window.Menu()->isVisible(), shown);
        EXPECT_EQ(window.View()->MenuHidden(), !shown);
        EXPECT_TRUE(window.isVisible());
        ASSERT_TRUE(QTest::qWaitFor([&] {
            return sinceToggle.elapsed() > 150 && window.geometry().marginsAdded(margins()) == outer;
        })) << i << ": " << window.geometry().x() << "," << window.geometry().y() << " " << window.width() << "x"
            << window.height();
    }
    QTest::qWait(500);  // the margins have settled: nothing moves any more
    EXPECT_EQ(window.geometry(), outer);
}

// Each kind of file that gives nothing to show, opened after a recording of
// two cameras: nothing of that recording stays (picture, title, timeline,
// readout, CAMERA menu), one message names the kind, and the recent list
// (which follows Opened) is not told.
TEST_F(MainWindowTest, AFailedOpenLeavesNoTraceOfTheRecordingBeforeAndSaysWhyOnce) {
    const std::string good = std::string(KORVANE_SOURCE_DIR) + "/samples/demo.MP4";
    std::ifstream in(good, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    std::vector<std::uint8_t> random(4096);
    std::uint32_t seed = 12345;
    for (auto& b : random) b = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
    RecordingWriter noPictures(kFileKind514);
    noPictures.Header().setPlayCamera(0, 1);
    noPictures.WriteFile(dir.File("nopictures.MP4"));
    const std::string mp4 = dir.File("ordinary.mp4");
    ASSERT_EQ(std::system(("ffmpeg -v error -y -i '" + std::string(KORVANE_TEST_DATA) + "/mpeg4_352x240.m4v' -c copy '" +
                           mp4 + "'").c_str()), 0);
    const struct {
        std::string file;
        std::string says;
    } cases[] = {
        {dir.Write("cut.MP4", std::string(bytes.begin(), bytes.begin() + 1000)), "is cut short at 1000 bytes"},
        {dir.Write("header.MP4", std::string(bytes.begin(), bytes.begin() + 300)), "is cut short at 300 bytes"},
        {dir.Write("zero.MP4", std::string()), "is empty (0 bytes)"},
        {dir.Write("random.MP4", random), "is not a recording"},
        {mp4, "is an ordinary video file (ISO MP4)"},
        {dir.File("nopictures.MP4"), "without any picture"},
        {dir.File("missing.MP4"), "cannot be opened: No such file or directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_TRUE(session.Open(good));
        ASSERT_TRUE(session.WaitForIndex());
        ASSERT_NE(window.View()->Shown(), nullptr);
        ASSERT_TRUE(window.CameraMenuAction()->isVisible());
        const int opened = opens;
        notifier.Clear();
        session.Open(c.file);
        session.WaitForIndex();  // the index of the bad file is no second message
        QCoreApplication::processEvents();
        EXPECT_EQ(window.View()->Shown(), nullptr);
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Korvane"));
        EXPECT_FALSE(window.TimelineStrip()->TimeAt(50));
        EXPECT_FALSE(window.TimelineStrip()->Marker());
        EXPECT_TRUE(window.Readout()->Text().startsWith(QStringLiteral("----"))) << window.Readout()->Text().toStdString();
        EXPECT_FALSE(window.CameraMenuAction()->isVisible());
        // The commands that need a recording on screen are off, on the bar too.
        for (Command command : {Command::Play, Command::Next, Command::Last, Command::GoTo, Command::SavePicture})
            EXPECT_FALSE(window.Action(command)->isEnabled());
        EXPECT_FALSE(window.Bar()->Button(BarButton::Play)->IsButtonEnabled());
        EXPECT_TRUE(window.Action(Command::Open)->isEnabled());
        EXPECT_EQ(opens, opened);
        ASSERT_EQ(notifier.Messages().size(), 1u);
        EXPECT_NE(notifier.Messages().front().find(c.says), std::string::npos) << notifier.Messages().front();
        const QImage painted = window.View()->grab().toImage();
        EXPECT_EQ(painted.pixel(2, 2), qRgb(0, 0, 0));
    }
}

// The bar row at 1x, 3x and full screen spans the window in the panel's
// colours: nowhere black.
TEST_F(MainWindowTest, TheBarFillsTheWindowsWidthAtEverySize) {
    Open();
    const std::function<void()> sizes[] = {[&] { Click(BarButton::Zoom1); }, [&] { Click(BarButton::Zoom3); },
                                           [&] { window.View()->ToggleFullScreen(); }};
    for (const auto& size : sizes) {
        size();
        QCoreApplication::processEvents();
        const QImage image = window.grab().toImage();
        const int top = window.Bar()->mapTo(&window, QPoint(0, 0)).y();
        EXPECT_EQ(window.Bar()->width(), window.width());
        EXPECT_EQ(top + 61, window.height());
        for (int y = top; y < top + 61; ++y)
            for (int x = 0; x < image.width(); ++x)
                ASSERT_NE(image.pixel(x, y) & 0xFFFFFF, 0u) << window.width() << ": " << x << "," << y;
    }
}

// In a 16:9 view the 352 x 240 picture keeps its proportions between black
// bars; without keep proportions it fills the view.
TEST_F(MainWindowTest, KeepProportionsLetterboxesThePictureAndOffStretchesIt) {
    Open();
    EXPECT_TRUE(window.View()->KeepProportions());  // on by default
    window.resize(640, 360 + 61);
    QCoreApplication::processEvents();
    window.resize(640, window.height() + 360 - window.View()->height());  // room for the timeline too
    QCoreApplication::processEvents();
    ASSERT_EQ(window.View()->size(), QSize(640, 360));
    const auto blackColumns = [&](int from, int to) {
        const QImage image = window.View()->grab().toImage();
        int black = 0;
        for (int x = from; x < to; ++x)
            for (int y = 0; y < 360; ++y) black += (image.pixel(x, y) & 0xFFFFFF) == 0;
        return black == (to - from) * 360;
    };
    const struct {
        bool keep;
        QRect area;
        bool bars;
    } cases[] = {{true, {56, 0, 528, 360}, true}, {false, {0, 0, 640, 360}, false}};
    for (const auto& c : cases) {
        if (window.View()->KeepProportions() != c.keep) window.Action(Command::KeepProportions)->trigger();
        EXPECT_EQ(window.View()->PictureRect(window.View()->rect(), c.keep), c.area);
        EXPECT_EQ(blackColumns(0, 56), c.bars);
        EXPECT_EQ(blackColumns(584, 640), c.bars);
        EXPECT_FALSE(blackColumns(60, 580));
    }
}

// Printed to a PDF on a portrait page, the picture keeps its proportions, centred.
TEST_F(MainWindowTest, PrintingToPdfKeepsTheProportionsCentredOnThePage) {
    Open();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(dir.File("print.pdf")));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setFullPage(true);
    window.PrintView(printer);
    ASSERT_EQ(std::system(("pdftoppm -r 40 -png -singlefile '" + dir.File("print.pdf") + "' '" + dir.File("page") + "'").c_str()), 0);
    const QImage page(QString::fromStdString(dir.File("page.png")));
    ASSERT_FALSE(page.isNull());
    QRect inked;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (qGray(page.pixel(x, y)) < 250) inked |= QRect(x, y, 1, 1);
    EXPECT_NEAR(inked.width(), page.width(), 2);
    EXPECT_NEAR(double(inked.width()) / inked.height(), 352.0 / 240.0, 0.03);
    EXPECT_NEAR(inked.center().y(), page.height() / 2, 2);
}

TEST_F(MainWindowTest, DoubleClickGoesFullScreenAndBackToTheSameRectangle) {
    window.Action(Command::Zoom2)->trigger();
    window.move(40, 30);
    QCoreApplication::processEvents();
    const QRect before = window.geometry();
    QTest::mouseDClick(window.View(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_TRUE(window.View()->FullScreen());
    EXPECT_EQ(window.geometry(), QRect(QPoint(0, 0), window.screen()->size()));
    window.Action(Command::Zoom3)->trigger();  // zoom while in full screen resizes; the next double click still restores
    QTest::mouseDClick(window.View(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_FALSE(window.View()->FullScreen());
    EXPECT_EQ(window.geometry(), before);
}

TEST_F(MainWindowTest, DroppingTheOpenFileOrTwoFilesDoesNothingAnotherFileOpens) {
    const std::string first = WriteClip(dir, "first.MP4", 1), second = WriteClip(dir, "second.MP4", 3);
    ASSERT_TRUE(session.Open(first));
    DropFiles(window.View(), {first});
    DropFiles(window.View(), {second, first});
    EXPECT_EQ(opens, 1);
    EXPECT_EQ(session.FilePath(), first);
    DropFiles(window.View(), {second});
    EXPECT_EQ(opens, 2);
    EXPECT_EQ(session.FilePath(), second);
    EXPECT_EQ(window.windowTitle().toStdString(), second);
    EXPECT_EQ(Shown(), ClipCaption(0));
}

TEST_F(MainWindowTest, ExitStopsPlaybackAndClosingTellsTheCompanionOnce) {
    CompanionPeer peer(QString::fromStdString(dir.File("ClipExport")));
    ASSERT_TRUE(peer.Listening());
    Open();
    window.Action(Command::Play)->trigger();
    Click(BarButton::Exit);
    EXPECT_TRUE(window.isVisible());  // the bar's exit arrives after the click
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }));
    EXPECT_EQ(session.Mode(), PlayMode::Idle);
    const auto messages = peer.TakeMessages(2000);
    EXPECT_EQ(messages.size(), 1u);  // its bytes are the desktop services test's

    window.show();  // closed again from the menu: nothing more is sent
    window.Action(Command::Exit)->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }));
    EXPECT_TRUE(peer.TakeMessages(300).empty());
}

// Every key of the window on a recording of 90 pictures a second apart, as a user presses them.
TEST_F(MainWindowTest, EachKeyDoesWhatItSays) {
    ASSERT_TRUE(session.Open(WriteClip(dir, "rec.MP4", 90, 1000)));
    ASSERT_TRUE(session.WaitForIndex());
    const std::int64_t t0 = *session.CurrentTime();
    const auto press = [&](int key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(&window, static_cast<Qt::Key>(key), modifiers);
    };
    const struct { int key; Qt::KeyboardModifiers modifiers; std::int64_t shown; } moves[] = {
        {Qt::Key_Right, {}, 1000},       {Qt::Key_Right, {}, 2000},       {Qt::Key_Left, {}, 1000},
        {Qt::Key_Right, Qt::ShiftModifier, 11'000}, {Qt::Key_Left, Qt::ShiftModifier, 1000},
        {Qt::Key_PageDown, {}, 61'000},  {Qt::Key_PageUp, {}, 1000},      {Qt::Key_End, {}, 89'000},
        {Qt::Key_PageDown, {}, 89'000},  {Qt::Key_Home, {}, 0},
    };
    for (const auto& m : moves) {
        press(m.key, m.modifiers);
        EXPECT_EQ(*session.CurrentTime() - t0, m.shown) << QKeySequence(m.key | m.modifiers).toString().toStdString();
    }
    const struct { int key; std::function<bool()> holds; const char* what; } toggles[] = {
        {Qt::Key_Space, [&] { return session.Mode() == PlayMode::Play; }, "plays"},
        {Qt::Key_Space, [&] { return session.Mode() == PlayMode::Idle; }, "pauses"},
        {Qt::Key_Plus, [&] { return session.FastSpeed() == 1 && window.Bar()->Slider(BarSlider::Speed)->GetPos() == 20; }, "speeds up"},
        {Qt::Key_Minus, [&] { return session.FastSpeed() == 0; }, "slows down"},
        {Qt::Key_F, [&] { return window.View()->FullScreen(); }, "F: full screen"},
        {Qt::Key_Escape, [&] { return !window.View()->FullScreen(); }, "Esc leaves it"},
        {Qt::Key_Return, [&] { return window.View()->FullScreen(); }, "Enter: full screen"},
        {Qt::Key_Return, [&] { return !window.View()->FullScreen(); }, "Enter: back"},
        {Qt::Key_3, [&] { return window.width() == 950; }, "zoom 3"},
        {Qt::Key_2, [&] { return window.width() == 633; }, "zoom 2"},
        {Qt::Key_1, [&] { return window.width() == 360; }, "zoom 1 (the minimum width)"},
        {Qt::Key_M, [&] { return window.Menu()->isVisible(); }, "menu"},
        {Qt::Key_M, [&] { return !window.Menu()->isVisible(); }, "no menu"},
        {Qt::Key_S, [&] { return session.SoundOn(); }, "sound"},
        {Qt::Key_S, [&] { return !session.SoundOn(); }, "no sound"},
    };
    for (const auto& t : toggles) {
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        press(t.key);
        EXPECT_TRUE(t.holds()) << t.what;
    }

    // Help > Keys lists every key with what it does.
    window.Action(Command::Keys)->trigger();
    ASSERT_NE(window.KeysHelp(), nullptr);
    EXPECT_TRUE(window.KeysHelp()->isVisible());
    for (const char* key : {"Space\tPlay or pause", "Left\tPrevious picture", "Shift+Left\tTen seconds back",
                            "PgUp\tOne minute back", "End\tLast picture", "F, Return, Enter\tFull screen or back",
                            "Esc", "+\tFast speed up", "3\t3x", "M\t", "S\tSound", "Ctrl+G\tGo to"})
        EXPECT_TRUE(window.KeysText().contains(QString::fromLatin1(key))) << key;
}

// Go to (Ctrl+G) takes what people type, as they type it, on 90 pictures a
// second apart from 06:07:08; what it cannot read it refuses in the dialog.
TEST_F(MainWindowTest, GoToTakesDatesTimesOfDayAndMovesAndRefusesTheRest) {
    ASSERT_TRUE(session.Open(WriteClip(dir, "rec.MP4", 90, 1000)));
    ASSERT_TRUE(session.WaitForIndex());
    const std::int64_t t0 = *session.CurrentTime();
    QTest::keyClick(&window, Qt::Key_Right);
    const struct {
        const char* typed;
        std::optional<std::int64_t> shown;  // after it, from t0; nothing: refused, nothing moves
    } cases[] = {
        {"2026-04-05 06:07:53.500", 45'000}, {"06:07:20", 12'000}, {"06:08", 52'000},
        {"+10s", 62'000},                    {"-1m", 2'000},        {"2026-04-05 06:07:08  900", 0},
        {"2026-02-30 06:07:20", std::nullopt}, {"in a minute", std::nullopt}, {"25:00", std::nullopt},
    };
    std::int64_t at = 1000;
    for (const auto& c : cases) {
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_G, Qt::ControlModifier);
        ASSERT_NE(window.GoTo(), nullptr);
        ASSERT_TRUE(QTest::qWaitFor([&] { return window.GoTo()->isVisible(); }));
        QLineEdit* editor = window.GoTo()->Editor();
        EXPECT_EQ(editor->text().toStdString(), FormatCaptureTime(FromCaptureMilliseconds(t0 + at))) << c.typed;
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, QString::fromLatin1(c.typed));
        QTest::keyClick(editor, Qt::Key_Return);
        if (c.shown) at = *c.shown;
        EXPECT_EQ(*session.CurrentTime() - t0, at) << c.typed;
        EXPECT_EQ(window.GoTo()->isVisible(), !c.shown) << c.typed;
        EXPECT_EQ(window.GoTo()->Refusal().isEmpty(), c.shown.has_value()) << c.typed;
        window.GoTo()->reject();
    }
    EXPECT_EQ(window.TimelineStrip()->Marker(), t0 + at);
}

TEST_F(MainWindowTest, TheCameraMenuListsSeveralCamerasByNameAndSwitchesAtTheSameMoment) {
    Open();
    ASSERT_TRUE(session.WaitForIndex());
    EXPECT_FALSE(window.CameraMenuAction()->isVisible());  // one camera
    ASSERT_TRUE(session.Open(std::string(KORVANE_SOURCE_DIR) + "/samples/demo.MP4"));
    ASSERT_TRUE(session.WaitForIndex());
    EXPECT_TRUE(window.CameraMenuAction()->isVisible());
    QStringList names;
    for (QAction* action : window.CameraMenuAction()->menu()->actions()) names << action->text();
    EXPECT_EQ(names, (QStringList{"Camera 1 - Front door", "Camera 2 - Back yard"}));
    ASSERT_TRUE(session.SeekTo(CaptureMilliseconds(*ParseCaptureTime("2023-06-14 17:59:10.130"))));
    window.CameraMenu()->actions().at(1)->trigger();
    EXPECT_EQ(session.SelectedCamera(), 1);
    EXPECT_EQ(Shown(), "CAM =2  2023-06-14 17:59:10  000");
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Harbor Street Market : Back yard"));
}

TEST_F(MainWindowTest, MarksFromKeysBoundTheExportAndCancelLeavesNothing) {
    ASSERT_TRUE(session.Open(WriteClip(dir, "rec.MP4", 3000)));
    QSignalSpy finished(&window, &MainWindow::ExportFinished);
    const auto mark = [&](int steps, Qt::Key key) {
        for (int i = 0; i < steps; ++i) window.Action(Command::Next)->trigger();
        QTest::keyClick(&window, key);
    };
    mark(13, Qt::Key_I);
    mark(4, Qt::Key_O);
    ASSERT_TRUE(window.MarkIn() && window.MarkOut());
    EXPECT_EQ(FormatCaptureTime(*window.MarkIn()), "2026-04-05 06:07:08.520");
    EXPECT_EQ(FormatCaptureTime(*window.MarkOut()), "2026-04-05 06:07:08.680");
    EXPECT_EQ(window.TimelineStrip()->Marks(),
              std::make_pair(std::optional(CaptureMilliseconds(*window.MarkIn())),
                             std::optional(CaptureMilliseconds(*window.MarkOut()))));

    const std::string clip = dir.File("marked.mkv");
    ASSERT_TRUE(window.ExportClipTo(QString::fromStdString(clip)));
    ASSERT_TRUE(window.ExportProgress() && window.ExportProgress()->isVisible());
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_EQ(finished.at(0).at(0).value<ExportResult>().status, ExportStatus::Written);
    EXPECT_FALSE(window.ExportProgress());
    const QJsonObject report = ReadJson(clip + ".report.json");
    EXPECT_EQ(report["first_capture_time"].toString(), "2026-04-05 06:07:08.480");  // the key picture of the in mark
    EXPECT_EQ(report["last_capture_time"].toString(), "2026-04-05 06:07:08.680");
    EXPECT_EQ(report["pictures"].toInt(), 6);
    // The note names the folder and the three files, with a button that opens the folder.
    ASSERT_TRUE(window.ExportNote() && window.ExportNote()->isVisible());
    const QString note = window.ExportNote()->text();
    for (const std::string& part : {dir.Path().string(), std::string("marked.mkv"), std::string("marked.mkv.times.csv"),
                                    std::string("marked.mkv.report.json")})
        EXPECT_TRUE(note.contains(QString::fromStdString(part))) << part << " in " << note.toStdString();
    QStringList buttons;
    for (QAbstractButton* button : window.ExportNote()->buttons()) buttons << button->text();
    EXPECT_TRUE(buttons.contains(QStringLiteral("Open folder")));
    window.ExportNote()->close();
    QFile source(QString::fromStdString(dir.File("rec.MP4")));  // several of the pieces it is read and hashed in
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    EXPECT_EQ(report["source_sha256"].toString(),
              QCryptographicHash::hash(source.readAll(), QCryptographicHash::Sha256).toHex());

    // Without marks the whole camera; Cancel clicked while it runs.
    ASSERT_TRUE(session.Open(dir.File("rec.MP4")));
    EXPECT_FALSE(window.MarkIn() || window.MarkOut());
    const std::string cancelled = dir.File("cancelled.mp4");
    ASSERT_TRUE(window.ExportClipTo(QString::fromStdString(cancelled)));
    QPushButton* cancel = window.ExportProgress()->findChild<QPushButton*>();
    ASSERT_TRUE(cancel);
    QTest::mouseClick(cancel, Qt::LeftButton);
    ASSERT_TRUE(finished.wait(20000));
    EXPECT_EQ(finished.at(1).at(0).value<ExportResult>().status, ExportStatus::Cancelled);
    for (const std::string& path : {cancelled, cancelled + ".times.csv", cancelled + ".report.json"})
        EXPECT_FALSE(std::filesystem::exists(path)) << path;
}

TEST_F(MainWindowTest, SavedPicturesAreTheShownPictureNamedBySiteCameraAndTime) {
    QStandardPaths::setTestModeEnabled(true);
    QSettings(QStringLiteral("korvane"), QStringLiteral("korvane")).clear();
    Open();
    window.Action(Command::Next)->trigger();
    window.Action(Command::Next)->trigger();
    const Picture& shown = *window.View()->Shown();
    EXPECT_EQ(SuggestedPictureName(QStringLiteral("Harbor Street Market"), shown),
              "Harbor Street Market_CAM1_2026-04-05_06-07-08.080.png");
    const QImage picture(shown.Bytes().data(), shown.width, shown.height, shown.width * 3, QImage::Format_BGR888);

    // Saved through Ctrl+S twice: the dialog starts with the suggested name
    // and then in the last folder with the check box as it was left.
    std::vector<QString> offered;
    std::vector<bool> checked;
    std::filesystem::create_directory(dir.File("pictures"));
    const QString names[] = {QString::fromStdString(dir.File("pictures/plain.png")),
                             QString::fromStdString(dir.File("pictures/lines.png")),
                             QString::fromStdString(dir.File("pictures/lines.jpg"))};
    int saved = 0;
    for (bool lines : {false, true, true}) {
        QTimer answer;  // answers the dialog once it is up, again until it has gone
        bool seen = false;
        QObject::connect(&answer, &QTimer::timeout, [&, lines] {
            QFileDialog* dialog = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) dialog = d;
            if (!dialog) return;
            QCheckBox* box = dialog->findChild<QCheckBox*>();
            if (!seen) {
                seen = true;
                offered.push_back(dialog->selectedFiles().value(0));
                checked.push_back(box && box->isChecked());
            }
            if (box) box->setChecked(lines);
            if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) edit->setText(names[saved]);
            static_cast<QDialog*>(dialog)->accept();
        });
        answer.start(20);
        window.activateWindow();  // back from the last dialog
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
        ++saved;
    }
    ASSERT_EQ(offered.size(), 3u);
    EXPECT_TRUE(offered[0].endsWith("/CAM1_2026-04-05_06-07-08.080.png")) << offered[0].toStdString();
    EXPECT_EQ(offered[1], QString::fromStdString(dir.File("pictures/CAM1_2026-04-05_06-07-08.080.png")));
    EXPECT_EQ(checked, (std::vector<bool>{true, false, true}));

    const auto bytes = [](const QImage& image, int fromRow) {
        return std::vector<std::uint8_t>(image.constScanLine(fromRow), image.constBits() + image.sizeInBytes());
    };
    const QImage plain = QImage(names[0]).convertToFormat(QImage::Format_BGR888);
    ASSERT_EQ(plain.size(), picture.size());
    EXPECT_EQ(bytes(plain, 0), bytes(picture, 0));
    // The lines are drawn in at the top; under them the picture is the shown one.
    const QImage lines = QImage(names[1]).convertToFormat(QImage::Format_BGR888);
    ASSERT_EQ(lines.size(), picture.size());
    EXPECT_NE(bytes(lines, 0), bytes(picture, 0));
    EXPECT_EQ(bytes(lines, 48), bytes(picture, 48));
    QFile jpeg(names[2]);
    ASSERT_TRUE(jpeg.open(QIODevice::ReadOnly));
    EXPECT_TRUE(jpeg.read(3).startsWith("\xFF\xD8\xFF"));
    EXPECT_EQ(QImage(names[2]).size(), picture.size());
    QSettings(QStringLiteral("korvane"), QStringLiteral("korvane")).clear();
    QStandardPaths::setTestModeEnabled(false);
}

}  // namespace
}  // namespace korvane::testing
