// What CheckFile says of a recording with pictures of some cameras only, and
// of a container it knows by its first bytes. The other kinds of bad file are
// opened in the window's test.
#include <gtest/gtest.h>

#include "recording/FileCheck.h"
#include "authoring/RecordingWriter.h"
#include "authoring/TempDir.h"

namespace korvane::testing {
namespace {

SystemTime TimeAtSecond(int second) { return MakeTime(2026, 3, 14, 10, 20, second, 0); }
std::vector<std::uint8_t> Payload(std::size_t size, std::uint8_t value) { return std::vector<std::uint8_t>(size, value); }

TEST(FileCheck, NamesTheCamerasWithPicturesAndTheContainerOfAnOrdinaryFile) {
    TempDir dir;
    RecordingWriter w(kFileKind514);
    w.AddVideo(0, 10, kFrameKey, Payload(30, 1), TimeAtSecond(1));
    w.AddVideo(2, 10, kFrameKey, Payload(30, 1), TimeAtSecond(2));
    w.AddAudio(1, 1, Payload(20, 2), TimeAtSecond(3));
    const std::string path = dir.File("two.MP4");
    w.WriteFile(path);
    const FileCheck ok = CheckFile(path, 2);
    EXPECT_EQ(ok.trouble, FileTrouble::None);
    EXPECT_EQ(ok.sentence, "");
    EXPECT_EQ(ok.cameras, (std::vector<int>{0, 2}));
    const FileCheck none = CheckFile(path, 1);
    EXPECT_EQ(none.trouble, FileTrouble::NoPicture);
    EXPECT_EQ(none.sentence, "\"" + path + "\" holds no picture of camera 2; cameras 1 and 3 have pictures.");

    const struct {
        std::vector<std::uint8_t> start;
        const char* type;
    } containers[] = {
        {{0, 0, 0, 0x18, 'f', 't', 'y', 'p', 'q', 't', ' ', ' '}, "(QuickTime movie)"},
        {{0x1a, 0x45, 0xdf, 0xa3, 0, 0, 0, 0}, "(Matroska or WebM)"},
        {{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '}, "(AVI)"},
    };
    for (const auto& c : containers) {
        const FileCheck check = CheckFile(dir.Write("video", c.start), 0);
        EXPECT_EQ(check.trouble, FileTrouble::OrdinaryVideo);
        EXPECT_NE(check.sentence.find(c.type), std::string::npos) << check.sentence;
    }
}

}  // namespace
}  // namespace korvane::testing
