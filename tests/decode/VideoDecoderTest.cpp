// The video decoder on its own: what it refuses, how it takes up a stream
// again after damage, its threads, and where libavcodec's complaints go.
#include <gtest/gtest.h>

#include <QLoggingCategory>

#include <algorithm>
#include <mutex>

#include "authoring/FrameSource.h"
#include "decode/JpegDecoder.h"
#include "decode/PictureConverter.h"
#include "decode/VideoDecoder.h"
#include "media/CodecLog.h"
#include "tests/decode/PeerDecode.h"
#include "tests/support/GuiApp.h"

namespace korvane {
namespace {

using testing::Bgr24;
using testing::ReadVideoFrames;
using testing::VideoFrame;

std::string DataFile(const std::string& name) { return std::string(KORVANE_TEST_DATA) + "/" + name; }

// The decoder's last picture as shown, top row first.
Bgr24 Shown(PictureConverter& converter, const VideoDecoder& decoder, PictureSize shown) {
    const PictureHandle picture =
        converter.Convert(DecodedPicture(decoder.RefPicture(), shown, RowOrder::TopFirst, {}, {}), {});
    return picture ? Bgr24(picture->Bytes().begin(), picture->Bytes().end()) : Bgr24{};
}

TEST(VideoDecoder, RefusesBadRecords_AndTakesUpTheStreamAtTheNextKeyPicture) {
    testing::EnsureGuiApp();
    const struct { VideoCodec codec; const char* file; PictureSize size; } cases[] = {
        {VideoCodec::Mpeg4Narrowed, "mpeg4_704x480.m4v", {704, 480}}, {VideoCodec::H264, "h264_704x480.h264", {704, 480}},
        {VideoCodec::Mpeg4StreamSize, "xvid_704x480.m4v", {704, 480}}, {VideoCodec::Sdi, "h264_1280x720.h264", {1280, 720}}};
    std::vector<std::uint8_t> garbage(4000);
    for (std::size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<std::uint8_t>(i * i * 2654435761u >> 13);
    PictureConverter converter;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const auto frames = ReadVideoFrames(DataFile(c.file));
        const auto reference = testing::FfmpegPictures(DataFile(c.file), c.size.width, c.size.height);
        const auto key = std::find_if(frames.begin() + 1, frames.end(), [](const VideoFrame& f) { return f.key; });
        ASSERT_NE(key, frames.end()) << "the fixture needs a second key picture";
        VideoDecoder decoder;
        PictureSize shown;
        auto decode = [&](const std::vector<std::uint8_t>& record) {
            shown = {};
            return decoder.DecodePicture(record, c.size, true, shown);
        };
        EXPECT_EQ(decode(frames[0].bytes), VideoStatus::NotOpen);
        ASSERT_TRUE(decoder.Open(c.codec, c.size));
        ASSERT_EQ(decode(frames[0].bytes), VideoStatus::Picture);
        EXPECT_EQ(shown, c.size);
        EXPECT_GE(testing::Psnr(Shown(converter, decoder, shown), reference[0]), 35.0);
        // Garbage and empty records give nothing to show; the next key picture is ffmpeg's again.
        EXPECT_NE(decode(garbage), VideoStatus::Picture);
        EXPECT_EQ(decoder.RefPicture(), nullptr);
        EXPECT_NE(decode({}), VideoStatus::Picture);
        EXPECT_EQ(decoder.RefPicture(), nullptr);
        ASSERT_EQ(decode(key->bytes), VideoStatus::Picture);
        EXPECT_GE(testing::Psnr(Shown(converter, decoder, shown), reference[std::size_t(key - frames.begin())]), 35.0);
        decoder.Close();
        EXPECT_EQ(decode(frames[0].bytes), VideoStatus::NotOpen);
    }
    const auto jpeg = ReadVideoFrames(DataFile("mjpeg_704x480.mjpeg"));
    JpegDecoder jpegDecoder;
    EXPECT_EQ(jpegDecoder.Decode(jpeg[0].bytes, 704 * 480 * 3 - 1), nullptr);
    const AVFrameUPtr whole = jpegDecoder.Decode(jpeg[0].bytes, 704 * 480 * 3);
    ASSERT_NE(whole, nullptr);
    EXPECT_TRUE(whole->width == 704 && whole->height == 480 && whole->format == AV_PIX_FMT_BGR24);
}

// With frame threads pictures come out late; draining gives the rest. With
// slice threads alone each picture still leaves with its record. Either way
// every picture is the one the low-delay decoder gives, in the same order.
TEST(VideoDecoder, ThreadsGiveEveryPictureOfLowDelayInOrder_FrameThreadsAfterDraining) {
    testing::EnsureGuiApp();
    const auto frames = ReadVideoFrames(DataFile("h264_704x480.h264"));
    PictureConverter converter;
    auto decodeAll = [&](DecoderThreads threads) {
        VideoDecoder decoder(threads);
        EXPECT_TRUE(decoder.Open(VideoCodec::H264, {704, 480}));
        std::vector<Bgr24> pictures;
        PictureSize shown;
        for (const VideoFrame& frame : frames) {
            if (decoder.DecodePicture(frame.bytes, {704, 480}, frame.key, shown) == VideoStatus::Picture)
                pictures.push_back(Shown(converter, decoder, shown));
        }
        const std::size_t beforeDrain = pictures.size();
        while (decoder.Drain(shown) == VideoStatus::Picture) pictures.push_back(Shown(converter, decoder, shown));
        return std::pair(pictures, beforeDrain);
    };
    const auto [lowDelay, lowDelayBeforeDrain] = decodeAll({});
    ASSERT_EQ(lowDelay.size(), frames.size());
    EXPECT_EQ(lowDelayBeforeDrain, frames.size());
    const struct { DecoderThreads threads; bool late; } cases[] = {
        {{.count = 3, .frame = true, .slice = true}, true}, {{.count = 3, .slice = true}, false}};
    for (const auto& c : cases) {
        const auto [threaded, threadedBeforeDrain] = decodeAll(c.threads);
        EXPECT_EQ(threadedBeforeDrain < frames.size(), c.late) << c.threads.frame;
        ASSERT_EQ(threaded.size(), frames.size());
        for (std::size_t i = 0; i < frames.size(); ++i) EXPECT_TRUE(threaded[i] == lowDelay[i]) << "picture " << i;
    }
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
        PictureSize shown;
        decoder.DecodePicture(dependent, {704, 480}, false, shown);
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
