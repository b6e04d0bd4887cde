// --snapshot --at on recordings of every codec family: the picture written is
// the very picture that stepping forward from the first one shows, pixel for
// pixel, whether the time falls between two pictures, on one, on a key
// picture, before the first or after the last, and on group and dependent
// pictures alike.
#include <gtest/gtest.h>

#include <QImage>

#include "app/Snapshot.h"
#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"
#include "authoring/TempDir.h"
#include "recording/TimeStamp.h"

namespace korvane::testing {
namespace {

constexpr int kStep = 40;  // ms between pictures
const SystemTime kStart = MakeTime(2026, 5, 6, 7, 8, 9, 0);

struct Family {
    const char* stream;
    std::uint8_t codec;
    std::uint16_t width, height;
    std::uint8_t otherType;  // the frame type of the pictures that are not key pictures
};

// The stream's pictures kStep apart; the writer points every picture at the last key record.
std::string WriteRecording(const TempDir& dir, const Family& f, std::size_t& count) {
    const auto frames = ReadVideoFrames(std::string(KORVANE_TEST_DATA) + "/" + f.stream);
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        RecordSpec e;
        e.header.codec = f.codec;
        e.header.frameType = frames[i].key ? std::uint8_t{kFrameKey} : f.otherType;
        e.header.timeStamp = AddMilliseconds(kStart, static_cast<std::int64_t>(i) * kStep);
        e.data = frames[i].bytes;
        e.extension = MakeExtension(f.width, f.height, "Lane");
        w.Add(std::move(e));
    }
    count = frames.size();
    const std::string path = dir.File(std::string(f.stream) + ".MP4");
    w.WriteFile(path);
    return path;
}

QImage Png(const std::string& path) { return QImage(QString::fromStdString(path)); }

TEST(SnapshotAt, LandsOnTheExactPictureForEveryCodecFamily) {
    const Family families[] = {
        {"mpeg4_352x240.m4v", 7, 352, 240, kFrameDependent},
        {"xvid_704x480.m4v", 8, 704, 480, kFrameDependent},
        {"h264_704x480.h264", 10, 704, 480, kFrameGroup},
        {"h264_704x480.h264", 13, 704, 480, kFrameDependent},
        {"h264_1280x720.h264", 11, 1280, 720, kFrameGroup},
        {"mjpeg_352x240.mjpeg", 9, 352, 240, kFrameKey},
    };
    TempDir dir;
    for (const Family& f : families) {
        SCOPED_TRACE(std::string(f.stream) + " as codec " + std::to_string(f.codec));
        std::size_t n = 0;
        const std::string recording = WriteRecording(dir, f, n);
        const int half = static_cast<int>(n / 2), last = static_cast<int>(n) - 1;
        const struct {
            std::int64_t at;  // ms from the first picture
            int next;         // steps after it
            int picture;
        } cases[] = {{-5000, 0, 0},         {(half + 2) * kStep + 17, 0, half + 2}, {7 * kStep, 0, 7},
                     {half * kStep, 0, half}, {3'600'000, 0, last}, {last * kStep - 1, 0, last - 1}, {3 * kStep, 1, 4}};
        for (const auto& c : cases) {
            SCOPED_TRACE("at +" + std::to_string(c.at) + " ms");
            const std::string stepped = dir.File("stepped.png"), sought = dir.File("sought.png");
            ASSERT_EQ(RunSnapshot({stepped, {recording}, c.picture, 0}), 0);
            SnapshotRequest at{sought, {recording}, c.next, 0};
            at.start.at = CaptureMilliseconds(kStart) + c.at;
            ASSERT_EQ(RunSnapshot(at), 0);
            EXPECT_EQ(Png(stepped).width(), f.width);
            EXPECT_TRUE(Png(sought) == Png(stepped));
        }
    }
}

}  // namespace
}  // namespace korvane::testing
