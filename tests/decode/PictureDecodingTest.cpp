// The picture pipeline and the converter on real streams: every codec's
// pictures against ffmpeg's own decoding of the same file, and what the
// pipeline promises around them (results, set-up, caption and stream lines,
// recorded captions, pictures kept while decoding goes on, their memory).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>

#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"
#include "authoring/TempDir.h"
#include "decode/PictureConverter.h"
#include "decode/PicturePipeline.h"
#include "tests/decode/PeerDecode.h"
#include "tests/support/GuiApp.h"

namespace korvane::testing {
namespace {

constexpr double kMinPsnr = 35.0;
constexpr int kViaExtension = -1;  // the size comes from an extension block
// TurboJPEG interpolates the chroma planes; ffmpeg does too when asked.
const std::string kInterpolatedChroma = "-sws_flags bicubic+full_chroma_int+accurate_rnd";

// Decodes and converts each picture kept, as the player shows them.
struct Pipeline : PicturePipeline {
    int repaints = 0;
    DecodedHandle decoded;  // the last picture kept
    PictureHandle shown;    // and as shown
    PictureConverter converter;
    int Decode(const FrameHeader& h, const std::vector<std::uint8_t>& data, bool keep = true,
               const FrameExtension& ext = {}, const CaptionDescriptor* caption = nullptr,
               const std::string& text = {}) {
        FrameHeader sized = h;
        sized.dataLength = static_cast<std::uint32_t>(data.size());
        DecodeResult result = PicturePipeline::Decode(
            sized, ext, data, caption, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), keep);
        if (result.picture) {
            decoded = std::move(result.picture);
            shown = converter.Convert(*decoded, {});
            ++repaints;
        }
        return result.status;
    }
};

FrameHeader Video(int codec, int resolution = 15, int frameType = kFrameKey, int camera = 0) {
    using U8 = std::uint8_t;
    return {.timeStamp = MakeTime(2004, 1, 2, 3, 4, 5, 6), .camera = U8(camera), .mediaKind = kMediaVideo,
            .codec = U8(codec), .resolution = U8(resolution == kViaExtension ? 0 : resolution), .frameType = U8(frameType),
            .extFlags = U8(resolution == kViaExtension)};
}

FrameExtension Extension(int width, int height) {
    return MakeExtension(static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), "Lane 1");
}

// A fixture from tests/data ("name.ext"), or a test pattern "<mpeg4|h264>_<w>x<h>" made by ffmpeg
// once, for pictures a little wider than those shown ("h264bt709_...": full range, BT.709 matrix).
std::string StreamPath(const std::string& name) {
    if (name.find('.') != std::string::npos) return std::string(KORVANE_TEST_DATA) + "/" + name;
    static TempDir dir;
    static std::map<std::string, std::string> made;
    std::string& path = made[name];
    const bool h264 = name.rfind("h264", 0) == 0;
    const std::string file = dir.File(name + (h264 ? ".h264" : ".m4v"));  // the ending tells the kind
    std::string codec = h264 ? "-c:v libx264 -bf 0 -g 3 -crf 20 -pix_fmt yuv420p -f h264 "
                             : "-c:v mpeg4 -g 3 -bf 0 -q:v 4 -f m4v ";
    if (name.rfind("h264bt709", 0) == 0) codec += "-colorspace bt709 -color_range pc ";
    if (path.empty() && RunFfmpeg("-f lavfi -i testsrc2=size=" + name.substr(name.find('_') + 1) +
                                  ":rate=25 -frames:v 5 " + codec + ShellQuote(file))) {
        path = file;
    }
    return path;
}

struct CodecCase {
    const char* name;
    int codec;
    const char* stream;
    int resolution;      // a resolution code, or kViaExtension
    int extWidth = 0, extHeight = 0;
    int width = 0, height = 0;  // the picture shown
    std::string peerArgs = "";
};

void PrintTo(const CodecCase& c, std::ostream* os) { *os << c.name; }

class EveryCodec : public ::testing::TestWithParam<CodecCase> {};

TEST_P(EveryCodec, GivesFfmpegsPictures_AtTheShownSize_Upright) {
    EnsureGuiApp();
    const CodecCase& c = GetParam();
    const std::string path = StreamPath(c.stream);
    ASSERT_FALSE(path.empty()) << "ffmpeg could not make " << c.stream;
    const auto frames = ReadVideoFrames(path);
    const auto reference = FfmpegPictures(path, c.width, c.height, c.peerArgs);
    ASSERT_FALSE(frames.empty());
    ASSERT_EQ(frames.size(), reference.size());

    Pipeline pipeline;
    const FrameExtension ext = Extension(c.extWidth, c.extHeight);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const FrameHeader h = Video(c.codec, c.resolution, frames[i].key ? kFrameKey : kFrameDependent);
        ASSERT_EQ(pipeline.Decode(h, frames[i].bytes, true, ext), 1) << "record " << i;
        const PictureHandle p = pipeline.shown;
        ASSERT_TRUE(p && p->width == c.width && p->height == c.height) << "record " << i;
        EXPECT_GE(Psnr(p->Bytes(), reference[i]), kMinPsnr) << "record " << i;
        // The pictures are not symmetric: upside down must not match.
        if (i == 0) { EXPECT_LT(Psnr(FlipRows(p->Bytes(), c.width, c.height), reference[i]), 20.0); }
    }
    EXPECT_EQ(pipeline.repaints, static_cast<int>(frames.size()));
    EXPECT_EQ(pipeline.LargePicture(), c.width > 600);  // the playback loop's sound timing follows it
}

const std::string kCrop704 = "-vf crop=704:480:8:0", kCrop352 = "-vf crop=352:240:";
const CodecCase kCodecCases[] = {
    {"Mpeg4_5", 5, "mpeg4_704x480.m4v", 15, 0, 0, 704, 480},
    {"Mpeg4_6_TopFirst", 6, "mpeg4_704x480.m4v", 15, 0, 0, 704, 480},
    {"Mpeg4_7_Xvid", 7, "xvid_704x480.m4v", 15, 0, 0, 704, 480},
    {"Mpeg4_7_UnknownResolutionCode_Is320x240", 7, "mpeg4_320x240", 26, 0, 0, 320, 240},
    {"Mpeg4_7_AskedSmaller_IsScaled", 7, "mpeg4_704x480.m4v", 7, 0, 0, 352, 240, "-vf scale=352:240:flags=bilinear"},
    // Codec 5 shows widths 720 and 360 narrower; codec 6 resolution 13 (720 x 288) only.
    {"Mpeg4_5_Resolution8_Coded720", 5, "mpeg4_720x480", 8, 0, 0, 704, 480, kCrop704},
    {"Mpeg4_5_Extension360", 5, "mpeg4_360x240", kViaExtension, 360, 240, 352, 240, kCrop352 + "4:0"},
    {"Mpeg4_6_Resolution8_Whole720", 6, "mpeg4_720x480", 8, 0, 0, 720, 480},
    {"Mpeg4_6_Resolution13_Coded720", 6, "mpeg4_720x288", 13, 0, 0, 704, 288, "-vf crop=704:288:8:0"},
    {"Mpeg4_8_Xvid", 8, "xvid_704x480.m4v", kViaExtension, 720, 480, 704, 480},
    {"Mpeg4_8_Coded720", 8, "mpeg4_720x480", kViaExtension, 720, 480, 704, 480, kCrop704},
    {"Mpeg4_8_Coded368", 8, "mpeg4_368x240", kViaExtension, 368, 240, 352, 240, kCrop352 + "8:0"},
    {"Jpeg_9", 9, "mjpeg_704x480.mjpeg", 15, 0, 0, 704, 480, kInterpolatedChroma},
    {"Jpeg_9_Small", 9, "mjpeg_352x240.mjpeg", 7, 0, 0, 352, 240, kInterpolatedChroma},
    {"H264_10", 10, "h264_704x480.h264", 15, 0, 0, 704, 480},
    {"H264_13", 13, "h264_704x480.h264", kViaExtension, 704, 480, 704, 480},
    {"H264_10_Bt709FullRange", 10, "h264bt709_704x480", 15, 0, 0, 704, 480},
    // The recorder's H.264 crops to a box of 720 once a record is wider than 700 ...
    {"H264_10_Coded720_Whole", 10, "h264_720x480", 15, 0, 0, 720, 480},
    {"H264_10_Coded360_Cropped", 10, "h264_360x240", 7, 0, 0, 352, 240, kCrop352 + "4:0"},
    // ... the HD cameras' to the record's size.
    {"Sdi_11", 11, "h264_1280x720.h264", kViaExtension, 1280, 720, 1280, 720},
    {"Sdi_14_Coded720_Cropped", 14, "h264_720x480", kViaExtension, 704, 480, 704, 480, kCrop704},
};
INSTANTIATE_TEST_SUITE_P(Codecs, EveryCodec, ::testing::ValuesIn(kCodecCases),
                         [](const ::testing::TestParamInfo<CodecCase>& info) { return std::string(info.param.name); });

class PictureDecodingTest : public ::testing::Test {
protected:
    void SetUp() override { EnsureGuiApp(); }
    static std::vector<VideoFrame> Frames(const std::string& name) { return ReadVideoFrames(StreamPath(name)); }
};

// Unknown codecs give -1, audio records 0, decoder-only records 1 naming their time; none is shown.
TEST_F(PictureDecodingTest, OnlyVideoRecordsToBeShownAreShown) {
    Pipeline pipeline;
    const auto frames = Frames("h264_704x480.h264");
    ASSERT_EQ(pipeline.Decode(Video(10), frames[0].bytes), 1);
    const PictureHandle shown = pipeline.shown;
    for (int codec : {0, 4, 12, 15, 255}) {
        EXPECT_EQ(pipeline.Decode(Video(codec, 7, kFrameKey, 4), frames[1].bytes), kCodecUnknown) << codec;
    }
    FrameHeader audio = Video(10, 15, kFrameKey, 5);
    audio.mediaKind = kMediaAudio;
    EXPECT_EQ(pipeline.Decode(audio, frames[1].bytes), 0);
    for (int type : {kFrameDecoderOnly, kFrameDecoderOnly4}) {
        FrameHeader h = Video(10, 15, type);
        h.timeStamp.second = static_cast<std::uint16_t>(10 + type);
        EXPECT_EQ(pipeline.Decode(h, frames[1].bytes), 1) << type;
        EXPECT_EQ(pipeline.Caption(), FormatCaption(h));
    }
    EXPECT_EQ(pipeline.shown, shown);
    EXPECT_EQ(pipeline.repaints, 1);
}

TEST_F(PictureDecodingTest, CaptionAndStreamLinesReadAsThePlayerWritesThem) {
    Pipeline pipeline;
    const auto frames = Frames("mpeg4_704x480.m4v");
    FrameHeader field = Video(5, kViaExtension, kFrameKey, 2);
    field.resolution = 2;  // a 704 x 240 field picture: the height shown doubles
    pipeline.Decode(field, frames[0].bytes, true, MakeExtension(704, 240, "Front door"));
    EXPECT_EQ(pipeline.Caption(), "CAM =3  2004-01-02 03:04:05  006");
    EXPECT_EQ(pipeline.StreamInfo(), "Front door  [704 * 480]");
    pipeline.Decode(Video(8, kViaExtension), {1, 2, 3}, 1, MakeExtension(368, 240, "Side"));
    EXPECT_EQ(pipeline.StreamInfo(), "Side  [352 * 240]");
    // A flagged block without its marker is no extension: the line empties.
    FrameExtension unmarked = MakeExtension(704, 480, "Gone");
    unmarked.extMarker = 0;
    pipeline.Decode(Video(5, kViaExtension), frames[0].bytes, true, unmarked);
    EXPECT_EQ(pipeline.StreamInfo(), "");
    // A record that does not decode still names its camera and time.
    FrameHeader broken = Video(10, 15, kFrameKey, 6);
    broken.timeStamp = MakeTime(2026, 12, 31, 23, 59, 59, 999);
    EXPECT_EQ(pipeline.Decode(broken, std::vector<std::uint8_t>(64, 0x55)), 0);
    EXPECT_EQ(pipeline.Caption(), "CAM =7  2026-12-31 23:59:59  999");
}

// A dependent record decodes only when the decoder kept the stream: it is set
// up again on a change of codec or of the size last set up (which JPEG
// records change too), the HD cameras' decoder only on a change of its own.
// A codec writing the asked size writes the dependent record's own.
TEST_F(PictureDecodingTest, DecoderIsSetUpAgainOnlyWhenCodecOrSizeChange) {
    // A key record of codec `between` comes in between unless it is 0; a shown picture is compared with ffmpeg's.
    const struct { const char* name; int codec, resolution; const char* stream; int between, betweenResolution,
                   dependentResolution, result, width, height; } cases[] = {
        {"same codec and size", 5, 15, "mpeg4_704x480.m4v", 0, 0, 15, 1, 704, 480},
        {"mpeg-4 5 then 7", 5, 15, "mpeg4_704x480.m4v", 7, 15, 15, 0, 0, 0},
        {"h264 10 then 13", 10, 15, "h264_704x480.h264", 13, 15, 15, 0, 0, 0},
        {"jpeg of the same size", 10, 15, "h264_704x480.h264", 9, 15, 15, 1, 704, 480},
        {"jpeg of another size", 10, 15, "h264_704x480.h264", 9, 7, 15, 0, 0, 0},
        {"jpeg of the next record's size", 7, 15, "mpeg4_704x480.m4v", 9, 7, 7, 1, 352, 240},
        {"sdi around a jpeg of another size", 11, kViaExtension, "h264_1280x720.h264", 9, 7, kViaExtension, 1, 1280,
         720},
        {"sdi then h264", 11, kViaExtension, "h264_1280x720.h264", 10, 15, kViaExtension, 0, 0, 0},
    };
    const auto jpeg704 = Frames("mjpeg_704x480.mjpeg"), jpeg352 = Frames("mjpeg_352x240.mjpeg");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto frames = Frames(c.stream);
        ASSERT_TRUE(frames[0].key && !frames[1].key);
        const FrameExtension ext = Extension(1280, 720);
        Pipeline pipeline;
        ASSERT_EQ(pipeline.Decode(Video(c.codec, c.resolution), frames[0].bytes, true, ext), 1);
        const auto& between = c.between != 9 ? frames : c.betweenResolution == 7 ? jpeg352 : jpeg704;
        if (c.between != 0) {
            ASSERT_EQ(pipeline.Decode(Video(c.between, c.betweenResolution), between[0].bytes, false), 1);
        }
        const int repaints = pipeline.repaints;
        EXPECT_EQ(pipeline.Decode(Video(c.codec, c.dependentResolution, kFrameDependent), frames[1].bytes, true, ext),
                  c.result);
        if (c.result != 1) {
            EXPECT_EQ(pipeline.repaints, repaints);
            continue;
        }
        ASSERT_EQ(pipeline.repaints, repaints + 1);
        ASSERT_TRUE(pipeline.shown->width == c.width && pipeline.shown->height == c.height);
        const std::string scale = "-vf scale=" + std::to_string(c.width) + ":" + std::to_string(c.height);
        const auto reference = FfmpegPictures(StreamPath(c.stream), c.width, c.height, scale + ":flags=bilinear");
        EXPECT_GE(Psnr(pipeline.shown->Bytes(), reference.at(1)), kMinPsnr);
    }
}

TEST_F(PictureDecodingTest, RecordedCaptionIsDrawnUprightOnlyWhenMarkedAndEnabled) {
    const std::string text = "EXIT 4";
    Caption caption = MakeCaption(text, 40, 60, 0x000000FF, "DejaVu Sans", -40);
    caption.descriptor.font.weight = 700;
    caption.descriptor.textLength = static_cast<std::uint32_t>(text.size());
    // A picture stored bottom row first: the caption still reads from the top.
    const auto frames = Frames("h264_704x480.h264");
    auto present = [&](const CaptionDescriptor* d) {
        Pipeline pipeline;
        EXPECT_EQ(pipeline.Decode(Video(10), frames[0].bytes, true, {}, d, text), 1);
        const auto rows = pipeline.shown->Bytes();
        return Bgr24(rows.begin(), rows.end());
    };
    const Bgr24 plain = present(nullptr), drawn = present(&caption.descriptor);
    // Red text (COLORREF 0x000000FF) near (40, 60), nothing changed elsewhere.
    int red = 0, changedElsewhere = 0;
    for (std::size_t i = 0; i < plain.size(); i += 3) {
        const int x = int(i / 3 % 704), y = int(i / 3 / 704);
        const bool nearText = x >= 36 && x < 300 && y >= 56 && y < 120;
        if (!nearText && std::memcmp(&plain[i], &drawn[i], 3) != 0) ++changedElsewhere;
        if (nearText && drawn[i] < 40 && drawn[i + 1] < 40 && drawn[i + 2] > 215) ++red;
    }
    EXPECT_GT(red, 200);
    EXPECT_EQ(changedElsewhere, 0);
    CaptionDescriptor disabled = caption.descriptor, unmarked = caption.descriptor;
    disabled.captionEnabled = 0;
    unmarked.captionMarker = 0;
    EXPECT_EQ(present(&disabled), plain);
    EXPECT_EQ(present(&unmarked), plain);
}

// An extension claiming a picture far beyond any buffer: the codecs that
// write the size asked for refuse it; those that write the stream's own size
// give the real picture.
TEST_F(PictureDecodingTest, HugePictureSizesAreRefusedSafely) {
    const struct { int codec; const char* stream; int result; } cases[] = {
        {5, "mpeg4_704x480.m4v", 0}, {8, "xvid_704x480.m4v", 1}, {9, "mjpeg_704x480.mjpeg", 1},
        {10, "h264_704x480.h264", 1}, {11, "h264_704x480.h264", 1}};
    for (const auto& c : cases) {
        Pipeline pipeline;
        EXPECT_EQ(pipeline.Decode(Video(c.codec, kViaExtension), Frames(c.stream)[0].bytes, true, Extension(65535, 65535)),
                  c.result) << c.codec;
        EXPECT_EQ(pipeline.shown ? pipeline.shown->width * pipeline.shown->height : 0, c.result * 704 * 480) << c.codec;
    }
}

// Pictures kept while decoding goes on stay as they were decoded (the decoder
// never reuses a buffer a kept picture holds); converted later, at their own
// size or a view's, they are ffmpeg's; presented again they share their pixels.
TEST_F(PictureDecodingTest, KeptPicturesStayIntact_AndConvertToAnySize) {
    const struct { int codec, resolution; const char* stream; korvane::PictureSize size, target; std::string peerArgs; } cases[] = {
        {10, 15, "h264_704x480.h264", {704, 480}, {352, 240}, ""},
        {5, 15, "mpeg4_704x480.m4v", {704, 480}, {176, 144}, ""},
        {9, 15, "mjpeg_704x480.mjpeg", {704, 480}, {352, 240}, kInterpolatedChroma},
        // The shown part of a picture a little wider than shown is what is scaled.
        {5, 8, "mpeg4_720x480", {704, 480}, {352, 240}, kCrop704 + ","},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stream);
        const auto frames = Frames(c.stream);
        Pipeline pipeline;
        std::vector<DecodedHandle> kept;
        std::vector<Bgr24> atOnce;
        for (const VideoFrame& frame : frames) {
            ASSERT_EQ(pipeline.Decode(Video(c.codec, c.resolution, frame.key ? kFrameKey : kFrameDependent), frame.bytes), 1);
            kept.push_back(pipeline.decoded);
            atOnce.emplace_back(pipeline.shown->Bytes().begin(), pipeline.shown->Bytes().end());
        }
        const std::string scale = "scale=" + std::to_string(c.target.width) + ":" + std::to_string(c.target.height);
        const std::string args = c.peerArgs.empty() ? "-vf " + scale + ":flags=bilinear"
                                 : c.peerArgs.back() == ',' ? c.peerArgs + scale + ":flags=bilinear"
                                                            : c.peerArgs + " -vf " + scale;
        const auto reference = FfmpegPictures(StreamPath(c.stream), c.target.width, c.target.height, args);
        ASSERT_EQ(reference.size(), frames.size());
        for (std::size_t i = 0; i < kept.size(); ++i) {
            const PictureHandle later = pipeline.converter.Convert(*kept[i], {});
            ASSERT_TRUE(later && later->width == c.size.width && later->height == c.size.height);
            EXPECT_TRUE(std::ranges::equal(later->Bytes(), atOnce[i])) << "picture " << i << " changed while kept";
            const PictureHandle small = pipeline.converter.Convert(*kept[i], c.target, {});
            ASSERT_TRUE(small && small->width == c.target.width && small->height == c.target.height);
            EXPECT_GE(Psnr(small->Bytes(), reference[i]), 30.0) << "picture " << i;
        }
        const auto at = std::chrono::steady_clock::time_point(std::chrono::seconds(5));
        const PictureHandle again = Represent(pipeline.shown, at);
        EXPECT_EQ(again->Bytes().data(), pipeline.shown->Bytes().data());
        EXPECT_EQ(again->presentedAt, at);
        EXPECT_EQ(again->caption, pipeline.shown->caption);
    }
}

// A 1080p H.264 picture kept as the decoder's 4:2:0 planes takes about half
// the bytes of its BGR rows (1.5 bytes a pixel against 3).
TEST_F(PictureDecodingTest, Kept1080pH264Picture_TakesAboutHalfItsBgrBytes) {
    const auto frames = Frames("h264_1920x1080");
    ASSERT_FALSE(frames.empty());
    Pipeline pipeline;
    ASSERT_EQ(pipeline.Decode(Video(11, kViaExtension), frames[0].bytes, true, Extension(1920, 1080)), 1);
    const std::size_t bgr = pipeline.shown->Bytes().size(), kept = pipeline.decoded->Bytes();
    ASSERT_EQ(bgr, 1920u * 1080u * 3u);
    EXPECT_GE(kept, bgr / 2) << "less than the planes themselves";
    EXPECT_LE(kept, bgr * 55 / 100);
}

}  // namespace
}  // namespace korvane::testing
