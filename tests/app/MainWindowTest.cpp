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
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QMessageBox>

#include "app/Commands.h"
#include "app/GoToDialog.h"
#include "app/MainWindow.h"
#include "app/PictureSaver.h"
#include "app/PlayerView.h"
#include "controls/Timeline.h"
#include "recording/TimeStamp.h"
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
    EXPECT_EQ(window.Bar()->size(), QSize(window.centralWidget()->width(), 61));
    EXPECT_EQ(window.Bar()->geometry().bottom(), window.centralWidget()->height() - 1);
    // The timeline strip lies between the view and the bar.
    const QRect strip = window.TimelineStrip()->parentWidget()->geometry();
    EXPECT_EQ(window.View()->geometry().bottom() + 1, strip.top());
    EXPECT_EQ(strip.bottom() + 1, window.Bar()->geometry().top());
    window.resize(100, 80);
    EXPECT_EQ(window.size(), QSize(360, 320));
    EXPECT_EQ(window.windowHandle()->minimumSize(), QSize(360, 320));  // also for drags of the border
    const auto start = std::chrono::steady_clock::now();  // no companion listens
    EXPECT_TRUE(window.close());
    EXPECT_LT(std::chrono::steady_clock::now() - start, kCompanionConnectWait + std::chrono::milliseconds(200));
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

    // Sound on: checked in the menu, steps disabled.
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

    // Zoom: 352 x factor x 0.9 wide, 240 x factor high, never under the minimum.
    const std::tuple<std::function<void()>, int, int> zooms[] = {
        {[&] { window.CommandAction(ID_ZOOM2)->trigger(); }, 633, 480}, {[&] { Click(IDC_BAR_ZOOM3); }, 950, 720},
        {[&] { Click(IDC_BAR_ZOOM1); }, 360, 320}, {[&] { window.CommandAction(ID_ZOOM3)->trigger(); }, 950, 720},
    };
    for (const auto& [zoom, width, height] : zooms) {
        zoom();
        EXPECT_EQ(window.size(), QSize(width, height));
        const int factor = height / 240;  // the bar's buttons follow the zoom however it was set
        for (int id : {IDC_BAR_ZOOM1, IDC_BAR_ZOOM2, IDC_BAR_ZOOM3})
            EXPECT_EQ(window.Bar()->ToggleButton(id)->GetCheck(), id - IDC_BAR_ZOOM1 + 1 == factor) << width;
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
    EXPECT_EQ(player.FilePath(), dir.File("rec.MP4"));
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
        Click(IDC_BAR_MENU);
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

// Opening a damaged, an empty or a random file after a good recording: the
// old picture goes and a message says why.
TEST_F(MainWindowTest, ARecordingWithoutAPictureClearsTheViewAndSaysSo) {
    const std::string good = WriteClip(dir, "good.MP4");
    std::ifstream in(good, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    std::vector<std::uint8_t> random(4096);
    std::uint32_t seed = 12345;
    for (auto& b : random) b = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
    RecordingWriter empty(kFileKind514);
    empty.Header().setPlayCamera(0, 1);
    empty.WriteFile(dir.File("empty.MP4"));
    const std::string files[] = {dir.Write("cut.MP4", std::string(bytes.begin(), bytes.begin() + 1000)),
                                 dir.File("empty.MP4"), dir.Write("random.MP4", random)};
    for (const std::string& file : files) {
        ASSERT_TRUE(player.Open(good));
        ASSERT_NE(window.View()->Shown(), nullptr);
        notifier.Clear();
        player.Open(file);
        EXPECT_EQ(window.View()->Shown(), nullptr) << file;
        EXPECT_EQ(notifier.Messages(), std::vector<std::string>{"No picture of camera 1 in this recording: " + file});
        const QImage painted = window.View()->grab().toImage();
        for (int y = 0; y < painted.height(); y += 3)
            for (int x = 0; x < painted.width(); x += 3) ASSERT_EQ(painted.pixel(x, y), qRgb(0, 0, 0)) << file;
    }
}

// The bar row at 1x, 3x and full screen spans the window in the panel's
// colours: nowhere black.
TEST_F(MainWindowTest, TheBarFillsTheWindowsWidthAtEverySize) {
    Open();
    const std::function<void()> sizes[] = {[&] { Click(IDC_BAR_ZOOM1); }, [&] { Click(IDC_BAR_ZOOM3); },
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
        if (window.View()->KeepProportions() != c.keep) window.CommandAction(ID_KEEP_PROPORTIONS)->trigger();
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

// Every key of the window on a recording of 90 pictures a second apart, as a user presses them.
TEST_F(MainWindowTest, EachKeyDoesWhatItSays) {
    ASSERT_TRUE(player.Open(WriteClip(dir, "rec.MP4", 90, 1000)));
    ASSERT_TRUE(player.WaitForIndex());
    const std::int64_t t0 = *player.CurrentTime();
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
        EXPECT_EQ(*player.CurrentTime() - t0, m.shown) << QKeySequence(m.key | m.modifiers).toString().toStdString();
    }
    const struct { int key; std::function<bool()> holds; const char* what; } toggles[] = {
        {Qt::Key_Space, [&] { return player.Mode() == PlayMode::Play; }, "plays"},
        {Qt::Key_Space, [&] { return player.Mode() == PlayMode::Idle; }, "pauses"},
        {Qt::Key_Plus, [&] { return player.FastSpeed() == 1 && window.Bar()->Slider(IDC_BAR_SPEED)->GetPos() == 20; }, "speeds up"},
        {Qt::Key_Minus, [&] { return player.FastSpeed() == 0; }, "slows down"},
        {Qt::Key_F, [&] { return window.View()->FullScreen(); }, "F: full screen"},
        {Qt::Key_Escape, [&] { return !window.View()->FullScreen(); }, "Esc leaves it"},
        {Qt::Key_Return, [&] { return window.View()->FullScreen(); }, "Enter: full screen"},
        {Qt::Key_Return, [&] { return !window.View()->FullScreen(); }, "Enter: back"},
        {Qt::Key_3, [&] { return window.width() == 950; }, "zoom 3"},
        {Qt::Key_2, [&] { return window.width() == 633; }, "zoom 2"},
        {Qt::Key_1, [&] { return window.width() == 360; }, "zoom 1 (the minimum width)"},
        {Qt::Key_M, [&] { return window.Menu()->isVisible(); }, "menu"},
        {Qt::Key_M, [&] { return !window.Menu()->isVisible(); }, "no menu"},
        {Qt::Key_S, [&] { return player.SoundOn(); }, "sound"},
        {Qt::Key_S, [&] { return !player.SoundOn(); }, "no sound"},
    };
    for (const auto& t : toggles) {
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        press(t.key);
        EXPECT_TRUE(t.holds()) << t.what;
    }

    // Ctrl+G: the dialog starts at the current picture's time; the time given is sought.
    press(Qt::Key_Right);
    press(Qt::Key_G, Qt::ControlModifier);
    ASSERT_NE(window.GoTo(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.GoTo()->isVisible(); }));
    EXPECT_EQ(window.GoTo()->Time(), t0 + 1000);
    window.GoTo()->Editor()->setDateTime(QDateTime::fromMSecsSinceEpoch(t0 + 45'500, Qt::UTC));
    QTest::mouseClick(window.GoTo()->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
    EXPECT_EQ(*player.CurrentTime(), t0 + 45'000);
    EXPECT_EQ(window.TimelineStrip()->Marker(), t0 + 45'000);

    // Help > Keys lists every key.
    window.CommandAction(ID_HELP_KEYS)->trigger();
    ASSERT_NE(window.KeysHelp(), nullptr);
    EXPECT_TRUE(window.KeysHelp()->isVisible());
    for (const char* key : {"Space", "Left / Right", "Shift+Left", "PgUp / PgDn", "Home / End", "F, Enter", "Esc",
                            "+ / -", "1 / 2 / 3", "M", "S", "Ctrl+G"})
        EXPECT_TRUE(window.KeysText().contains(QString::fromLatin1(key))) << key;
}

TEST_F(MainWindowTest, TheCameraMenuListsSeveralCamerasByNameAndSwitchesAtTheSameMoment) {
    Open();
    ASSERT_TRUE(player.WaitForIndex());
    EXPECT_FALSE(window.CameraMenuAction()->isVisible());  // one camera
    ASSERT_TRUE(player.Open(std::string(KORVANE_SOURCE_DIR) + "/samples/demo.MP4"));
    ASSERT_TRUE(player.WaitForIndex());
    EXPECT_TRUE(window.CameraMenuAction()->isVisible());
    QStringList names;
    for (QAction* action : window.CameraMenuAction()->menu()->actions()) names << action->text();
    EXPECT_EQ(names, (QStringList{"Camera 1 - Front door", "Camera 2 - Back yard"}));
    ASSERT_TRUE(player.SeekTo(CaptureMilliseconds(*ParseCaptureTime("2023-06-14 17:59:10.130"))));
    window.CommandAction(ID_CAMERA_FIRST + 1)->trigger();
    EXPECT_EQ(player.SelectedCamera(), 1);
    EXPECT_EQ(Shown(), "CAM =2  2023-06-14 17:59:10  000");
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Harbor Street Market : Back yard"));
}

QJsonObject ReadReport(const std::string& clip) {
    QFile file(QString::fromStdString(clip + ".report.json"));
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
}

TEST_F(MainWindowTest, MarksFromKeysBoundTheExportAndCancelLeavesNothing) {
    ASSERT_TRUE(player.Open(WriteClip(dir, "rec.MP4", 3000)));
    QSignalSpy finished(&window, &MainWindow::ExportFinished);
    const auto mark = [&](int steps, Qt::Key key) {
        for (int i = 0; i < steps; ++i) window.CommandAction(ID_NEXT)->trigger();
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
    const QJsonObject report = ReadReport(clip);
    EXPECT_EQ(report["first_capture_time"].toString(), "2026-04-05 06:07:08.480");  // the key picture of the in mark
    EXPECT_EQ(report["last_capture_time"].toString(), "2026-04-05 06:07:08.680");
    EXPECT_EQ(report["pictures"].toInt(), 6);
    QFile source(QString::fromStdString(dir.File("rec.MP4")));  // several of the pieces it is read and hashed in
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    EXPECT_EQ(report["source_sha256"].toString(),
              QCryptographicHash::hash(source.readAll(), QCryptographicHash::Sha256).toHex());

    // Without marks the whole camera; Cancel clicked while it runs.
    ASSERT_TRUE(player.Open(dir.File("rec.MP4")));
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
    QSettings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Korvane")).clear();
    Open();
    window.CommandAction(ID_NEXT)->trigger();
    window.CommandAction(ID_NEXT)->trigger();
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
    QSettings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Korvane")).clear();
    QStandardPaths::setTestModeEnabled(false);
}

}  // namespace
}  // namespace korvane::testing
