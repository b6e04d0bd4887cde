// korvane --snapshot --grid as a user runs it, on a folder of four cameras:
// at each seek time every tile holds the picture a single-camera snapshot
// of that camera holds at the time the grid shows (the selected camera's
// picture's): its caption line, and its pixels scaled into the tile. A
// camera before its first picture or a second into its gap is "No recording".
#include <gtest/gtest.h>

#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "app/SiteLayout.h"
#include "app/TilePainter.h"
#include "tests/app/FourCameras.h"
#include "tests/support/Outputs.h"

namespace korvane::testing {
namespace {

// The program's output lines by their first word ("caption:", "tile").
std::map<std::string, std::string> Lines(const std::string& arguments, int& status) {
    std::map<std::string, std::string> lines;
    std::string out;
    std::tie(status, out) = RunCommand("'" KORVANE_BINARY "' " + arguments + " 2>/dev/null");
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        const auto colon = line.find(": ");
        if (colon != std::string::npos) lines[line.substr(0, colon)] = line.substr(colon + 2);
    }
    return lines;
}

// The mean difference per channel of two images of one size, below the caption lines.
double MeanDifference(const QImage& a, const QImage& b) {
    double sum = 0;
    int count = 0;
    for (int y = a.height() / 4; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x, ++count) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return count ? sum / count / 3 : 1e9;
}

TEST(GridSnapshot, EveryTileIsTheSingleCameraSnapshotAtThatTime) {
    TempDir dir;
    WriteFourCameras(dir);
    const std::string folder = "'" + dir.Path().string() + "'";
    const std::int64_t times[] = {0, 575, 1199, 1230, 1700, 2000, 2500, 2395};
    for (const std::int64_t at : times) {
        SCOPED_TRACE(at);
        const std::string when = FormatCaptureTime(FromCaptureMilliseconds(kFourStart + at));
        int status = -1;
        const std::string mosaicPath = dir.File("grid.png");
        const auto grid = Lines("--snapshot '" + mosaicPath + "' --grid --at '" + when + "' " + folder, status);
        ASSERT_EQ(status, 0);
        const QImage mosaic(QString::fromStdString(mosaicPath));
        ASSERT_FALSE(mosaic.isNull());
        // "CAM =1  2026-09-09 09:00:00  560": the time every tile shows.
        const std::string caption = grid.at("caption");
        ASSERT_EQ(caption.size(), 32u) << caption;
        const std::string shown = caption.substr(8, 19) + "." + caption.substr(29, 3);
        const std::int64_t now = CaptureMilliseconds(*ParseCaptureTime(shown)) - kFourStart;
        for (int camera = 0; camera < 4; ++camera) {
            SCOPED_TRACE(camera + 1);
            const std::string singlePath = dir.File("single.png");
            const auto single = Lines("--snapshot '" + singlePath + "' --camera " + std::to_string(camera + 1) +
                                          " --at '" + shown + "' " + folder, status);
            const std::string tile = grid.at("tile " + std::to_string(camera + 1));
            if (now < 10 * camera || (camera == 1 && now > 2170 && now < kCamera2Resumes)) {
                EXPECT_EQ(tile, "No recording");
                continue;
            }
            ASSERT_EQ(status, 0);
            EXPECT_EQ(tile, single.at("caption"));
            // The tile's picture is the single snapshot scaled into it.
            const QImage picture(QString::fromStdString(singlePath));
            const QRect inner = TileRect(mosaic.rect(), 2, camera).adjusted(2, 2, -2, -2);
            const QRect area = FittedRect(picture.size(), inner);
            const QImage scaled = picture.scaled(area.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            EXPECT_LT(MeanDifference(mosaic.copy(area), scaled), 6.0);
        }
    }
}

}  // namespace
}  // namespace korvane::testing
