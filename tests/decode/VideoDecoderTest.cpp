// The video decoder on its own: what it refuses without writing a byte, how it takes
// up a stream again after damage, and where libavcodec's complaints go.
#include <gtest/gtest.h>

#include <QLoggingCategory>

#include <algorithm>
#include <mutex>

#include "authoring/FrameSource.h"
#include "decode/JpegDecoder.h"
#include "decode/VideoDecoder.h"
#include "media/CodecLog.h"
#include "tests/decode/PeerDecode.h"

namespace korvane {
namespace {

using testing::Bgr24;
using testing::ReadVideoFrames;
using testing::VideoFrame;

constexpr std::uint8_t kUntouched = 0xA5;
constexpr std::size_t kGuard = 4096;  // the libraries are not instrumented: overruns are looked for here

std::string DataFile(const std::string& name) { return std::string(KORVANE_TEST_DATA) + "/" + name; }

bool AllAre(std::span<const std::uint8_t> bytes, std::uint8_t value) {
    return std::all_of(bytes.begin(), bytes.end(), [value](std::uint8_t b) { return b == value; });
}

TEST(VideoDecoder, RefusesWithoutWriting_AndTakesUpTheStreamAtTheNextKeyPicture) {
    const struct { VideoCodec codec; const char* file; PictureSize size; } cases[] = {
        {VideoCodec::Mpeg4Narrowed, "mpeg4_704x480.m4v", {704, 480}}, {VideoCodec::H264, "h264_704x480.h264", {704, 480}},
        {VideoCodec::Mpeg4StreamSize, "xvid_704x480.m4v", {704, 480}}, {VideoCodec::Sdi, "h264_1280x720.h264", {1280, 720}}};
    std::vector<std::uint8_t> garbage(4000);
    for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<std::uint8_t>(i * i * 2654435761u >> 13);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const auto frames = ReadVideoFrames(DataFile(c.file));
        const auto reference = testing::FfmpegPictures(DataFile(c.file), c.size.width, c.size.height);
        const auto key = std::find_if(frames.begin() + 1, frames.end(), [](const VideoFrame& f) { return f.key; });
        ASSERT_NE(key, frames.end()) << "the fixture needs a second key picture";
        const std::size_t bytes = static_cast<std::size_t>(c.size.width) * c.size.height * 3;
        Bgr24 picture(bytes + kGuard, kUntouched);
        const std::span<const std::uint8_t> rows = std::span(picture).first(bytes);
        VideoDecoder decoder;
        PictureSize written;
        auto decode = [&](const std::vector<std::uint8_t>& record, std::size_t capacity = 0) {
            return decoder.DecodePicture(record, c.size, true, picture.data(), capacity ? capacity : bytes, written);
        };
        EXPECT_EQ(decode(frames[0].bytes), VideoStatus::NotOpen);
        ASSERT_TRUE(decoder.Open(c.codec, c.size));
        // One byte short: refused, nothing written.
        EXPECT_EQ(decode(frames[0].bytes, bytes - 1), VideoStatus::TooLarge);
        EXPECT_TRUE(AllAre(picture, kUntouched));
        EXPECT_EQ(decode(frames[1].bytes), VideoStatus::Picture);
        EXPECT_EQ(written, c.size);
        EXPECT_FALSE(AllAre(rows, kUntouched));
        EXPECT_TRUE(AllAre(std::span(picture).last(kGuard), kUntouched)) << "written past the capacity";
        // Garbage and empty records are refused without writing; the next key picture is ffmpeg's again.
        std::fill(picture.begin(), picture.end(), kUntouched);
        EXPECT_NE(decode(garbage), VideoStatus::Picture);
        EXPECT_NE(decode({}), VideoStatus::Picture);
        EXPECT_TRUE(AllAre(picture, kUntouched)) << "a refused record wrote rows";
        ASSERT_EQ(decode(key->bytes), VideoStatus::Picture);
        const Bgr24 shown(rows.begin(), rows.end());
        const bool bottomFirst = TraitsOf(c.codec).order == RowOrder::BottomFirst;
        EXPECT_GE(testing::Psnr(bottomFirst ? testing::FlipRows(shown, c.size.width, c.size.height) : shown,
                                reference[static_cast<std::size_t>(key - frames.begin())]), 35.0);
        decoder.Close();
        EXPECT_EQ(decode(frames[0].bytes), VideoStatus::NotOpen);
    }
    const auto jpeg = ReadVideoFrames(DataFile("mjpeg_704x480.mjpeg"));
    std::vector<std::uint8_t> picture(704 * 480 * 3, kUntouched);
    int width = 0, height = 0;
    EXPECT_EQ(JpegDecoder().Decode(jpeg[0].bytes.data(), jpeg[0].bytes.size(), picture.data(), picture.size() - 1,
                                   &width, &height), 0);
    EXPECT_TRUE(AllAre(picture, kUntouched));
}

// libavcodec's complaints about damaged data (H.264 without the parameter sets, as after a cut)
// reach the "korvane" category's debug messages when they are enabled, and nothing otherwise.
TEST(CodecLog, DecoderComplaintsGoToTheDebugCategoryOnlyWhenItIsOn) {
    static std::mutex mutex;
    static std::vector<std::string> lines;
    RouteCodecLogToDebugLog();
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context,
                                                                const QString& text) {
        std::lock_guard lock(mutex);
        if (context.category && std::string(context.category) == "korvane") lines.push_back(text.toStdString());
    });
    const auto dependent = ReadVideoFrames(DataFile("h264_704x480.h264")).at(1).bytes;
    auto linesOfDamagedPicture = [&] {
        lines.clear();
        VideoDecoder decoder;
        EXPECT_TRUE(decoder.Open(VideoCodec::H264, {704, 480}));
        Bgr24 picture(704 * 480 * 3);
        PictureSize written;
        decoder.DecodePicture(dependent, {704, 480}, false, picture.data(), picture.size(), written);
        std::lock_guard lock(mutex);
        return lines.size();
    };
    QLoggingCategory::setFilterRules(QStringLiteral("korvane.debug=true"));
    EXPECT_GT(linesOfDamagedPicture(), 0u);
    QLoggingCategory::setFilterRules(QStringLiteral("korvane.debug=false"));
    EXPECT_EQ(linesOfDamagedPicture(), 0u);
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
}

}  // namespace
}  // namespace korvane
