#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "recording/SiteInfo.h"
#include "tests/recording/ReaderHarness.h"

namespace korvane::testing {
namespace {

TEST(SiteInfo, NamesComeFromTheInfoFileBesideTheRecordingForTheFirstNamedCamera) {
    const struct {
        const char* name;
        std::optional<std::string> infoFile;
        std::optional<int> namedCamera;
        int found;
        std::string site, camera;
    } cases[] = {
        {"camera 2 reads CAMERA_NAME03, any case and spacing",
         "[OTHER]\nCAMERA_NAME03=Wrong\n[Info]\r\n  sitename =  Harbour Store  \r\n"
         "camera_name01=Door\nCAMERA_NAME03 = Till\n", 2, 1, "Harbour Store", "Till"},
        {"camera 31 reads CAMERA_NAME32", "[INFO]\nCAMERA_NAME32=Last\n", 31, 1, "", "Last"},
        {"the site alone is enough", "[INFO]\nSITENAME=Depot\n", 0, 1, "Depot", ""},
        {"no info file", std::nullopt, 0, 0, "", ""},
        {"no named camera", "[INFO]\nSITENAME=Depot\n", std::nullopt, 0, "untouched", "untouched"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ReaderHarness h;
        if (c.infoFile) h.dir.Write("mp4info.txt", *c.infoFile);
        RecordingWriter w;
        if (c.namedCamera) w.Header().setNameCamera(*c.namedCamera, 1);
        w.AddVideo(0, 5, kFrameKey, Payload(10, 1), TimeAt(0));
        // A bare file name is looked up in the current folder.
        const auto previous = std::filesystem::current_path();
        std::filesystem::current_path(h.dir.Path());
        for (const std::string path : {h.dir.File("rec.MP4"), std::string("rec.MP4")}) {
            std::string site = "untouched", camera = "untouched";
            EXPECT_EQ(LookUpSiteInfo(w.Header(), path, site, camera), c.found == 1) << path;
            EXPECT_EQ(site + "|" + camera, c.site + "|" + c.camera) << path;
        }
        std::filesystem::current_path(previous);
    }
}

TEST(SiteInfo, EitherSeparatorEndsTheFolder) {
    const std::string here = std::filesystem::current_path().string();
    // A separator only in front names no folder.
    for (auto [path, folder] : {std::pair<std::string, std::string>{"/media/usb/rec.MP4", "/media/usb"},
                                {"D:\\CH01\\rec.MP4", "D:\\CH01"}, {"media/a\\b/rec.MP4", "media/a\\b"},
                                {"rec.MP4", here}, {"\\rec.MP4", here}})
        EXPECT_EQ(SiteInfoFolder(path), folder) << path;
}

}  // namespace
}  // namespace korvane::testing
