#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <optional>

#include "recording/SiteInfo.h"
#include "tests/recording/ReaderHarness.h"

namespace korvane::testing {
namespace {

// A recording whose name table marks `camera` (none when empty), written into `folder`.
std::string WriteRecording(const std::filesystem::path& folder, std::optional<int> camera) {
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    if (camera) w.Header().setNameCamera(*camera, 1);
    w.AddVideo(0, 5, kFrameKey, Payload(10, 1), TimeAt(0));
    const std::string path = (folder / "rec.MP4").string();
    w.WriteFile(path);
    return path;
}

class SiteInfoTest : public ::testing::Test {
protected:
    // Opens a recording naming `namedCamera` in the folder and looks up its
    // site and camera names.
    void ExpectLookUp(std::optional<int> namedCamera, int found, const std::string& expectedSite,
                      const std::string& expectedCamera) {
        const std::string path = WriteRecording(dir.Path(), namedCamera);
        ASSERT_EQ(reader.Open(path), 1);
        EXPECT_EQ(LookUpSiteInfo(reader, path, site, camera), found);
        EXPECT_EQ(site, expectedSite);
        EXPECT_EQ(camera, expectedCamera);
    }

    StderrNotifier notifier{false};
    FrameReader reader{notifier};
    TempDir dir;
    std::string site = "untouched", camera = "untouched";
};

TEST_F(SiteInfoTest, NameTableCameraTwoReadsCameraName03) {
    dir.Write("mp4info.txt",
              "[OTHER]\nCAMERA_NAME03=Wrong\n[Info]\r\n  sitename =  Harbour Store  \r\n"
              "camera_name01=Door\nCAMERA_NAME03 = Till\n");
    ExpectLookUp(2, 1, "Harbour Store", "Till");
}

TEST_F(SiteInfoTest, OnlySiteNameIsEnough) {
    dir.Write("mp4info.txt", "[INFO]\nSITENAME=Depot\n");
    ExpectLookUp(0, 1, "Depot", "");
}

TEST_F(SiteInfoTest, FolderWithoutInfoFileGivesNothing) { ExpectLookUp(0, 0, "", ""); }

TEST_F(SiteInfoTest, NoRecordingOrNoNamedCameraLeavesTheNamesUntouched) {
    dir.Write("mp4info.txt", "[INFO]\nSITENAME=Depot\n");
    EXPECT_EQ(LookUpSiteInfo(reader, dir.File("rec.MP4"), site, camera), 0);
    EXPECT_EQ(site, "untouched");
    ExpectLookUp(std::nullopt, 0, "untouched", "untouched");  // played, but not named
}

TEST_F(SiteInfoTest, BareFileNameIsLookedUpInTheCurrentFolder) {
    dir.Write("mp4info.txt", "[INFO]\nSITENAME=Here\nCAMERA_NAME32=Last\n");
    WriteRecording(dir.Path(), 31);
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    ASSERT_EQ(reader.Open("rec.MP4"), 1);
    const int found = LookUpSiteInfo(reader, "rec.MP4", site, camera);
    std::filesystem::current_path(previous);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(site, "Here");
    EXPECT_EQ(camera, "Last");
}

TEST(SiteInfoFolder, EitherSeparatorEndsTheFolder) {
    EXPECT_EQ(SiteInfoFolder("/media/usb/rec.MP4"), "/media/usb");
    EXPECT_EQ(SiteInfoFolder("D:\\CH01\\rec.MP4"), "D:\\CH01");
    EXPECT_EQ(SiteInfoFolder("media/a\\b/rec.MP4"), "media/a\\b");
    const std::string here = std::filesystem::current_path().string();
    EXPECT_EQ(SiteInfoFolder("rec.MP4"), here);
    EXPECT_EQ(SiteInfoFolder("\\rec.MP4"), here);  // a separator only in front names no folder
}

}  // namespace
}  // namespace korvane::testing
