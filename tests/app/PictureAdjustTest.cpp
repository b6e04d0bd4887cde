// Picture adjustments: what they do to pixels, to the view, to saved
// pictures, and that an export is the recording's own data whatever they are.
#include <gtest/gtest.h>

#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "app/AdjustPanel.h"
#include "app/Commands.h"
#include "app/MainWindow.h"
#include "app/PictureSaver.h"
#include "app/PlayerView.h"
#include "tests/app/Clip.h"

namespace korvane::testing {
namespace {

QImage Grey(int level, int width = 8, int height = 8) {
    QImage image(width, height, QImage::Format_BGR888);
    image.fill(QColor(level, level, level));
    return image;
}

TEST(PictureAdjustTest, LevelsFollowBrightnessContrastAndGamma) {
    struct Case {
        const char* name;
        PictureAdjustments adjust;
        int from, to;
    };
    const Case cases[] = {
        {"neutral", {}, 100, 100},
        {"brighter", {40, 1.0, 1.0, false}, 100, 140},
        {"brightness stops at white", {100, 1.0, 1.0, false}, 200, 255},
        {"contrast 1.5 from mid grey", {0, 1.5, 1.0, false}, 100, 86},
        {"gamma 2 lightens the dark parts", {0, 1.0, 2.0, false}, 64, 128},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(qRed(Adjusted(Grey(c.from), c.adjust).pixel(3, 3)), c.to);
    }
    EXPECT_EQ((PictureAdjustments{-8, 1.21, 0.9, true}.Tag()), QStringLiteral("b-8_c1.21_g0.90_deint"));
    EXPECT_TRUE(PictureAdjustments{}.Tag().isEmpty());
}

TEST(PictureAdjustTest, DeinterlacingRemovesTheCombWhereTheFieldsMovedAndKeepsAStillPicture) {
    // Odd lines dark, even lines light; the picture before has them the other way round.
    auto comb = [](bool oddDark) {
        QImage image(64, 48, QImage::Format_BGR888);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.setPixel(x, y, (y % 2 == 1) == oddDark ? qRgb(40, 40, 40) : qRgb(200, 200, 200));
        return image;
    };
    // The largest step between neighbouring lines, away from the edges.
    auto largestStep = [](const QImage& image) {
        int largest = 0;
        for (int y = 8; y < 40; ++y)
            largest = std::max(largest, std::abs(qRed(image.pixel(32, y)) - qRed(image.pixel(32, y + 1))));
        return largest;
    };
    const PictureAdjustments deinterlace{0, 1.0, 1.0, true};
    EXPECT_LT(largestStep(Adjusted(comb(true), deinterlace, comb(false))), 40);
    EXPECT_EQ(Adjusted(comb(true), deinterlace, comb(true)), comb(true));
}

class AdjustWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        ASSERT_TRUE(session.Open(WriteClip(dir, "rec.MP4")));
        ASSERT_TRUE(QTest::qWaitFor([this] { return window.View()->Shown() != nullptr; }));
    }
    QImage Screen() const { return window.View()->grab().toImage().convertToFormat(QImage::Format_BGR888); }

    TempDir dir;
    StderrNotifier notifier{false};
    Session session{notifier};
    MainWindow window{session, QString::fromStdString(dir.File("ClipExport"))};
};

TEST_F(AdjustWindowTest, KeysAndThePanelChangeTheShownAndAskedForSavedPictureNeverTheExport) {
    const QImage before = Screen();
    const QImage raw = PictureImage(*window.View(), false);
    QTest::keyClick(&window, Qt::Key_L);
    QTest::keyClick(&window, Qt::Key_L);
    EXPECT_EQ(window.View()->Adjustments().brightness, 16);
    EXPECT_NE(Screen(), before);
    EXPECT_EQ(PictureImage(*window.View(), false), raw);  // saved plainly unless asked
    EXPECT_EQ(PictureImage(*window.View(), false, true), Adjusted(raw, window.View()->Adjustments()));

    const QString saved = QString::fromStdString(dir.File("adjusted.png"));
    ASSERT_TRUE(window.SavePictureTo(saved, false, true));
    EXPECT_EQ(QImage(saved).text(QStringLiteral("Adjustments")), QStringLiteral("b+16"));

    // The panel shows the keys' values, and its reset brings the picture back.
    window.Action(Command::AdjustPanel)->trigger();
    ASSERT_NE(window.Adjust(), nullptr);
    EXPECT_EQ(window.Adjust()->Values(), window.View()->Adjustments());
    QPushButton* reset = window.Adjust()->findChild<QPushButton*>();
    ASSERT_NE(reset, nullptr);
    QTest::mouseClick(reset, Qt::LeftButton);
    EXPECT_TRUE(window.View()->Adjustments().Neutral());
    EXPECT_EQ(Screen(), before);

    // An export is the records as recorded: the same with or without adjustments.
    auto exportTimes = [&](const std::string& name) {
        QSignalSpy done(&window, &MainWindow::ExportFinished);
        EXPECT_TRUE(window.ExportClipTo(QString::fromStdString(dir.File(name))));
        EXPECT_TRUE(done.wait(20000));
        QFile times(QString::fromStdString(dir.File(name + ".times.csv")));
        EXPECT_TRUE(times.open(QIODevice::ReadOnly));
        return times.readAll();
    };
    const QByteArray plain = exportTimes("plain.mkv");
    window.View()->SetAdjustments({60, 2.0, 1.5, true});
    EXPECT_FALSE(plain.isEmpty());
    EXPECT_EQ(exportTimes("adjusted.mkv"), plain);
}

}  // namespace
}  // namespace korvane::testing
