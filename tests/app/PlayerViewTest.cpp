// The picture view in a window on the offscreen platform: painting, zoom,
// full screen by double click, the caption and menu toggle, dropped files.
#include <gtest/gtest.h>

#include <QDropEvent>
#include <QImage>
#include <QMainWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QUrl>

#include "app/PlayerView.h"
#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"
#include "authoring/TempDir.h"
#include "tests/support/GuiApp.h"

namespace korvane::testing {
namespace {

constexpr QRgb kUntouched = 0xFFFF00FF;

class PlayerViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        EnsureGuiApp();
        s_frames = ReadVideoFrames(std::string(KORVANE_TEST_DATA) + "/mjpeg_352x240.mjpeg");
    }
    void SetUp() override {
        frame.setWindowFlag(Qt::FramelessWindowHint, true);
        frame.setMinimumSize(360, 320);
        frame.menuBar()->addMenu("FILE");
        frame.menuBar()->setVisible(false);
        view = new PlayerView(player);  // owned by the frame from here on
        frame.setCentralWidget(view);
        QObject::connect(&player, &Player::TitleChanged, &frame, &QWidget::setWindowTitle);
        QObject::connect(&player, &Player::Opened, [this] { ++opens; });
        frame.show();
    }

    std::string Write(const std::string& name, int pictures = 2) {
        RecordingWriter w(kFileKind514);
        w.Header().setPlayCamera(0, 1);
        for (int i = 0; i < pictures; ++i)
            w.AddVideo(0, 9, kFrameKey, s_frames[i].bytes, MakeTime(2026, 1, 2, 3, 4, 5, 40 * i), 7);
        const std::string path = dir.File(name);
        w.WriteFile(path);
        return path;
    }

    QImage Paint(int width, int height) {
        QImage image(width, height, QImage::Format_ARGB32);
        image.fill(kUntouched);
        QPainter painter(&image);
        view->Paint(painter, image.rect());
        return image;
    }

    void Drop(const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &drop);
    }

    static inline std::vector<VideoFrame> s_frames;
    StderrNotifier notifier{false};
    Player player{notifier};
    QMainWindow frame;
    PlayerView* view = nullptr;
    int opens = 0;
    TempDir dir;
};

bool IsWhite(QRgb c) { return qRed(c) > 230 && qGreen(c) > 230 && qBlue(c) > 230; }
bool IsBlack(QRgb c) { return qRed(c) < 25 && qGreen(c) < 25 && qBlue(c) < 25; }

TEST_F(PlayerViewTest, NothingIsPaintedBeforeTheFirstPicture) {
    const QImage image = Paint(200, 100);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) ASSERT_EQ(image.pixel(x, y), kUntouched);
}

TEST_F(PlayerViewTest, PictureIsStretchedOverTheViewWithShadowedTextLines) {
    ASSERT_TRUE(player.OpenCommandLine(Write("rec.MP4")));
    ASSERT_TRUE(view->Shown());
    const Picture& p = *view->Shown();
    ASSERT_EQ(p.width, 352);
    // Twice the picture's size: each picture pixel becomes a 2 x 2 block,
    // copied, not blended.
    const QImage image = Paint(704, 480);
    auto source = [&](int x, int y) {
        const std::size_t i = (std::size_t(y) * 352 + x) * 3;
        return qRgb(p.pixels[i + 2], p.pixels[i + 1], p.pixels[i]);
    };
    int compared = 0;
    for (int y = 100; y < 480; y += 37)
        for (int x = 300; x < 704; x += 41) {
            ASSERT_EQ(image.pixel(x, y) & 0xFFFFFF, source(x / 2, y / 2) & 0xFFFFFF) << x << "," << y;
            ++compared;
        }
    EXPECT_GT(compared, 50);
    // The caption line: white text, and a black shadow where the picture
    // itself has no black.
    int white = 0, shadow = 0;
    for (int y = 9; y < 24; ++y)
        for (int x = 9; x < 200; ++x) {
            if (IsWhite(image.pixel(x, y)) && !IsWhite(source(x / 2, y / 2))) ++white;
            if (IsBlack(image.pixel(x, y)) && !IsBlack(source(x / 2, y / 2))) ++shadow;
        }
    EXPECT_GT(white, 40);
    EXPECT_GT(shadow, white / 3);
    // Nothing of the text below the two lines.
    EXPECT_EQ(image.pixel(600, 300) & 0xFFFFFF, source(300, 150) & 0xFFFFFF);
}

TEST_F(PlayerViewTest, ZoomSetsTheClientWidthAndScalesTheHeight) {
    const int decoration = frame.frameGeometry().height() - frame.geometry().height();
    view->SetZoom(2);
    EXPECT_EQ(frame.width(), 633);
    EXPECT_EQ(frame.height() + decoration, 2 * (decoration + 240));
    view->SetZoom(3);
    EXPECT_EQ(frame.width(), 950);
    view->SetZoom(1);  // 316 x 240 is below the frame's minimum
    EXPECT_EQ(frame.width(), 360);
    EXPECT_EQ(frame.height(), 320);
}

TEST_F(PlayerViewTest, DoubleClickGoesFullScreenAndBackToTheSameRectangle) {
    view->SetZoom(2);
    frame.move(40, 30);
    QCoreApplication::processEvents();
    const QRect before = frame.geometry();
    QTest::mouseDClick(view, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_TRUE(view->FullScreen());
    EXPECT_EQ(frame.geometry().topLeft(), QPoint(0, 0));
    EXPECT_EQ(frame.geometry().size(), frame.screen()->size());
    // Zoom while in full screen resizes, the next double click still restores.
    view->SetZoom(3);
    QTest::mouseDClick(view, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_FALSE(view->FullScreen());
    EXPECT_EQ(frame.geometry(), before);
}

TEST_F(PlayerViewTest, MenuMessageShowsAndHidesCaptionAndMenu) {
    EXPECT_TRUE(view->MenuHidden());
    view->ToggleMenu();
    EXPECT_FALSE(view->MenuHidden());
    EXPECT_TRUE(frame.menuBar()->isVisible());
    EXPECT_FALSE(frame.windowFlags().testFlag(Qt::FramelessWindowHint));
    view->ToggleMenu();
    EXPECT_TRUE(view->MenuHidden());
    EXPECT_FALSE(frame.menuBar()->isVisible());
    EXPECT_TRUE(frame.windowFlags().testFlag(Qt::FramelessWindowHint));
}

TEST_F(PlayerViewTest, DroppingTheOpenFileOrTwoFilesDoesNothing) {
    const std::string first = Write("first.MP4");
    const std::string second = Write("second.MP4", 1);
    ASSERT_TRUE(player.OpenCommandLine(first));
    Drop({QUrl::fromLocalFile(QString::fromStdString(first))});
    Drop({QUrl::fromLocalFile(QString::fromStdString(second)), QUrl::fromLocalFile(QString::fromStdString(first))});
    EXPECT_EQ(opens, 1);
    EXPECT_EQ(player.FilePath(), first);

    Drop({QUrl::fromLocalFile(QString::fromStdString(second))});
    EXPECT_EQ(opens, 2);
    EXPECT_EQ(player.FilePath(), second);
    EXPECT_EQ(frame.windowTitle().toStdString(), second);
    EXPECT_EQ(view->Shown()->caption, "CAM =1  2026-01-02 03:04:05  000");
}

}  // namespace
}  // namespace korvane::testing
