// Digital zoom and pan of the picture view over a real engine, with real
// wheel and mouse events on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>

#include "app/PictureSaver.h"
#include "app/PlayerView.h"
#include "tests/app/Clip.h"

namespace korvane::testing {
namespace {

class ZoomPanTest : public ::testing::Test {
protected:
    void SetUp() override {
        view.resize(352, 240);  // the picture's own size: the view shows it whole at first
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        ASSERT_TRUE(session.Open(WriteClip(dir, "rec.MP4")));
        ASSERT_TRUE(QTest::qWaitFor([this] { return view.Shown() != nullptr; }));
    }
    void Wheel(QPointF at, int notches) {
        QWheelEvent event(at, view.mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &event);
    }
    void Drag(QPoint from, QPoint by) {
        QTest::mousePress(&view, Qt::LeftButton, {}, from);
        for (int step = 1; step <= 4; ++step) {
            const QPointF at = from + by * step / 4;
            QMouseEvent move(QEvent::MouseMove, at, view.mapToGlobal(at), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&view, &move);
        }
        QTest::mouseRelease(&view, Qt::LeftButton, {}, from + by);
    }
    QSizeF PictureSize() const { return QSizeF(view.Shown()->width, view.Shown()->height); }
    // The picture point under a view point.
    QPointF Under(QPointF at) const {
        const QRectF v = view.Magnifier().Visible(PictureSize());
        return v.topLeft() + QPointF(at.x() * v.width() / view.width(), at.y() * v.height() / view.height());
    }
    QImage Shown() const {
        const Picture& p = *view.Shown();
        return QImage(p.Bytes().data(), p.width, p.height, p.width * 3, QImage::Format_BGR888).copy();
    }

    TempDir dir;
    StderrNotifier notifier{false};
    Session session{notifier};
    PlayerView view{session};
};

TEST_F(ZoomPanTest, TheWheelZoomsAtThePointerWhichKeepsItsPicturePoint) {
    const struct {
        QPointF at;
        int notches;
    } wheels[] = {{{100, 60}, 2}, {{300, 200}, 3}, {{17, 220}, 1}, {{176, 120}, 4}};
    for (const auto& w : wheels) {
        const QPointF before = Under(w.at);
        const double zoom = view.Magnifier().Zoom();
        Wheel(w.at, w.notches);
        EXPECT_NEAR(view.Magnifier().Zoom(), zoom * std::pow(ZoomPan::kStep, w.notches), 1e-9);
        EXPECT_NEAR(Under(w.at).x(), before.x(), 1e-6);
        EXPECT_NEAR(Under(w.at).y(), before.y(), 1e-6);
    }
    view.WholePicture();
    // At 16x, where the picture changes most from one pixel to the next,
    // each picture pixel is a 16x16 square of its own colour on the screen.
    const QImage picture = Shown();
    QPoint sharpest(176, 120);
    int most = -1;
    for (int y = 40; y < 200; ++y) {
        for (int x = 40; x < 300; ++x) {
            const int step = std::abs(qGray(picture.pixel(x, y)) - qGray(picture.pixel(x + 1, y)));
            if (step > most) most = step, sharpest = {x, y};
        }
    }
    Wheel(QPointF(sharpest) + QPointF(0.5, 0.5), 30);
    EXPECT_EQ(view.Magnifier().Zoom(), ZoomPan::kMaxZoom);
    ASSERT_TRUE(view.Magnifier().SharpPixels());
    const QImage screen = view.grab().toImage().convertToFormat(QImage::Format_BGR888);
    int wrong = 0;
    for (int y = 50; y < 170; ++y) {      // below the text lines, above the inset
        for (int x = 0; x < 240; ++x) {
            // Inside a square, away from its edges (where rounding may take the neighbour).
            const QPointF a = Under(QPointF(x - 0.5, y - 0.5)), b = Under(QPointF(x + 1.5, y + 1.5));
            if (int(a.x()) != int(b.x()) || int(a.y()) != int(b.y())) continue;
            const QPointF source = Under(QPointF(x + 0.5, y + 0.5));
            wrong += screen.pixel(x, y) != picture.pixel(int(source.x()), int(source.y()));
        }
    }
    EXPECT_EQ(wrong, 0);

    // The zoom holds over steps; the key's command goes back to the whole picture.
    const QRectF visible = view.Magnifier().Visible(PictureSize());
    session.StepForward();
    EXPECT_EQ(view.Magnifier().Visible(PictureSize()), visible);
    Wheel({10, 10}, -100);
    EXPECT_FALSE(view.Magnifier().Zoomed());
    Wheel({10, 10}, 3);
    view.WholePicture();
    EXPECT_EQ(view.Magnifier().Visible(PictureSize()), QRectF(QPointF(0, 0), PictureSize()));
}

TEST_F(ZoomPanTest, ADragPansOnlyWhileZoomedAndStopsAtTheEdges) {
    Drag({100, 100}, {40, 0});
    EXPECT_FALSE(view.Magnifier().Zoomed());

    Wheel({176, 120}, 4);  // about 2.44x at the centre
    const QRectF before = view.Magnifier().Visible(PictureSize());
    Drag({200, 100}, {-40, 20});
    const QRectF after = view.Magnifier().Visible(PictureSize());
    const double scale = before.width() / view.width();
    EXPECT_NEAR(after.left() - before.left(), 40 * scale, 1e-6);
    EXPECT_NEAR(after.top() - before.top(), -20 * scale, 1e-6);

    Drag({200, 100}, {-2000, -2000});
    const QRectF corner = view.Magnifier().Visible(PictureSize());
    EXPECT_NEAR(corner.right(), PictureSize().width(), 1e-6);
    EXPECT_NEAR(corner.bottom(), PictureSize().height(), 1e-6);
}

TEST_F(ZoomPanTest, OriginalSizeShowsOneScreenPixelPerPicturePixel) {
    Wheel({176, 120}, 5);
    view.resize(500, 400);
    view.OriginalSize();
    EXPECT_EQ(view.size(), QSize(view.Shown()->width, view.Shown()->height));
    EXPECT_FALSE(view.Magnifier().Zoomed());
    EXPECT_EQ(view.PictureRect(view.rect(), true), view.rect());
}

TEST_F(ZoomPanTest, ASavedZoomedPictureIsThePicturesPixelsOfTheShownPartNamedByIt) {
    const QImage whole = Shown();
    EXPECT_TRUE(SavedPart(view).isNull());
    EXPECT_EQ(PictureImage(view, false), whole);

    Wheel({176, 120}, 3);  // 1.95x at the centre
    const QRect part = SavedPart(view);
    EXPECT_EQ(part, QRect(85, 58, 182, 124));
    EXPECT_EQ(PictureImage(view, false), whole.copy(part));
    EXPECT_TRUE(SuggestedPictureName(QString(), *view.Shown(), part).endsWith(QStringLiteral("_85,58_182x124.png")));
}

}  // namespace
}  // namespace korvane::testing
