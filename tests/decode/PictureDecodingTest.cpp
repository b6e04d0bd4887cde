// The picture pipeline on real fixture frames: the codec dispatch, the
// picture format, the caption and stream lines, recorded captions and group
// pictures, compared with ffmpeg's own decoding where pictures are involved.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "decode/PicturePipeline.h"
#include "tests/decode/PeerDecode.h"
#include "authoring/FrameSource.h"
#include "tests/support/GuiApp.h"
#include "authoring/RecordingWriter.h"
#include "authoring/TempDir.h"

namespace korvane::testing {
namespace {

constexpr double kMinPsnr = 35.0;

std::string DataFile(const std::string& name) { return std::string(KORVANE_TEST_DATA) + "/" + name; }

// Opens the protected decoder state to the tests.
class Pipeline : public PicturePipeline {
public:
    using PicturePipeline::m_largePicture;
    using PicturePipeline::m_bmiHeader;
    using PicturePipeline::m_decoderCodec;
    using PicturePipeline::m_mpeg4Mode;
    using PicturePipeline::m_videoHeight;
    using PicturePipeline::m_videoWidth;
    int repaints = 0;
    Pipeline() { SetRepaintRequest([this] { ++repaints; }); }

    int Decode(const FrameHeader& h, const std::vector<std::uint8_t>& data, int show = 1,
               const FrameExtension& ext = {}, const CaptionDescriptor* caption = nullptr,
               const std::string& text = {}) {
        FrameHeader sized = h;
        sized.dataLength = static_cast<std::uint32_t>(data.size());
        return DecodeVideoFrame(sized, ext, data, caption,
                                std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                                show);
    }
};

FrameHeader Video(int codec, int resolution = 15, int frameType = kFrameKey, int camera = 0) {
    FrameHeader h;
    h.marker = kRecordMarker;
    h.mediaKind = kMediaVideo;
    h.codec = static_cast<std::uint8_t>(codec);
    h.resolution = static_cast<std::uint8_t>(resolution);
    h.frameType = static_cast<std::uint8_t>(frameType);
    h.camera = static_cast<std::uint8_t>(camera);
    h.timeStamp = MakeTime(2004, 1, 2, 3, 4, 5, 6);
    return h;
}

FrameHeader WithExtensionFlag(FrameHeader h) {
    h.extFlags = 1;
    return h;
}

// The presented picture, top row first.
Bgr24 Upright(const Presentation& p) {
    const int width = p.format.biWidth, height = std::abs(p.format.biHeight);
    return p.format.biHeight > 0 ? FlipRows(p.pixels, width, height) : p.pixels;
}

class PictureDecodingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureGuiApp(); }
};

struct CodecCase {
    int codec;
    const char* file;
    int width, height;
    bool extension;  // the size comes from an extension block, not the resolution code
    bool topDown;
};

TEST_F(PictureDecodingTest, EveryCodecGivesFfmpegsPictureUprightAtTheDisplayWidth) {
    const CodecCase cases[] = {
        {5, "mpeg4_704x480.m4v", 704, 480, false, false},
        {6, "mpeg4_704x480.m4v", 704, 480, false, true},
        {7, "xvid_704x480.m4v", 704, 480, false, false},
        {8, "xvid_704x480.m4v", 704, 480, true, true},
        {9, "mjpeg_704x480.mjpeg", 704, 480, false, true},
        {10, "h264_704x480.h264", 704, 480, false, false},
        {13, "h264_704x480.h264", 704, 480, true, false},
        {11, "h264_1280x720.h264", 1280, 720, true, false},
        {14, "h264_1280x720.h264", 1280, 720, true, false},
        {7, "mpeg4_352x240.m4v", 352, 240, false, false},
    };
    for (const CodecCase& c : cases) {
        SCOPED_TRACE(std::string("codec ") + std::to_string(c.codec) + " " + c.file);
        const auto frames = ReadVideoFrames(DataFile(c.file));
        // TurboJPEG interpolates the chroma planes; ffmpeg does too when asked.
        const std::string peerArgs = c.codec == 9 ? "-sws_flags bicubic+full_chroma_int+accurate_rnd" : "";
        const auto reference = FfmpegPictures(DataFile(c.file), c.width, c.height, peerArgs);
        ASSERT_EQ(frames.size(), reference.size());
        Pipeline pipeline;
        const FrameExtension ext = MakeExtension(static_cast<std::uint16_t>(c.width),
                                                 static_cast<std::uint16_t>(c.height), "Lane 1");
        const int resolution = c.width == 352 ? 7 : 15;
        FrameHeader header = c.extension ? WithExtensionFlag(Video(c.codec, 0)) : Video(c.codec, resolution);
        double lowest = 99;
        for (std::size_t i = 0; i < frames.size(); ++i) {
            header.frameType = frames[i].key ? kFrameKey : kFrameDependent;
            ASSERT_EQ(pipeline.Decode(header, frames[i].bytes, 1, ext), 1) << "frame " << i;
            const Presentation p = pipeline.TakePresentation();
            ASSERT_TRUE(p.ready);
            ASSERT_EQ(p.format.biWidth, c.width);
            ASSERT_EQ(p.format.biHeight, c.topDown ? -c.height : c.height);
            lowest = std::min(lowest, Psnr(Upright(p), reference[i]));
        }
        EXPECT_GE(lowest, kMinPsnr);
        EXPECT_EQ(pipeline.repaints, static_cast<int>(frames.size()));
        EXPECT_EQ(pipeline.m_bmiHeader.biWidth, c.width);
        EXPECT_EQ(pipeline.m_bmiHeader.biSizeImage, static_cast<std::uint32_t>(c.width * c.height * 3));
        EXPECT_EQ(pipeline.m_largePicture, c.width > 600 ? 1 : 0);
    }
}

TEST_F(PictureDecodingTest, WideCodedPictureIsCentreCroppedToTheDisplayWidth) {
    // Codec 5 at resolution 8 asks for 704 x 480; the camera codes 720 wide.
    TempDir dir;
    const std::string wide = dir.File("wide.m4v");
    ASSERT_TRUE(RunFfmpeg("-f lavfi -i testsrc2=size=720x480:rate=25 -frames:v 6 -c:v mpeg4 -g 5 -bf 0 "
                          "-q:v 8 -f m4v " + ShellQuote(wide)));
    const auto frames = ReadVideoFrames(wide);
    const auto reference = FfmpegPictures(wide, 704, 480, "-vf crop=704:480:8:0");
    ASSERT_EQ(frames.size(), reference.size());
    Pipeline pipeline;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        ASSERT_EQ(pipeline.Decode(Video(5, 8, frames[i].key ? 1 : 0), frames[i].bytes), 1);
        const Presentation p = pipeline.TakePresentation();
        ASSERT_EQ(p.format.biWidth, 704);
        EXPECT_GE(Psnr(Upright(p), reference[i]), kMinPsnr) << i;
    }
}

TEST_F(PictureDecodingTest, UnknownCodecAndAudioRecordsChangeNothing) {
    Pipeline pipeline;
    const auto frames = ReadVideoFrames(DataFile("mjpeg_352x240.mjpeg"));
    ASSERT_EQ(pipeline.Decode(Video(9, 7), frames[0].bytes), 1);
    const Presentation before = pipeline.TakePresentation();
    FrameHeader other = Video(12, 7);
    other.camera = 4;
    EXPECT_EQ(pipeline.Decode(other, frames[1].bytes), kCodecUnknown);
    FrameHeader audio = Video(9, 7);
    audio.mediaKind = kMediaAudio;
    audio.camera = 5;
    EXPECT_EQ(pipeline.Decode(audio, frames[1].bytes), 0);
    const Presentation after = pipeline.TakePresentation();
    EXPECT_EQ(after.caption, before.caption);
    EXPECT_EQ(after.pixels, before.pixels);
    EXPECT_EQ(pipeline.repaints, 1);
}

TEST_F(PictureDecodingTest, CaptionAndStreamLinesReadAsThePlayerWritesThem) {
    Pipeline pipeline;
    const auto frames = ReadVideoFrames(DataFile("mpeg4_704x480.m4v"));
    FrameHeader h = WithExtensionFlag(Video(5, 2, kFrameKey, 2));
    const FrameExtension ext = MakeExtension(704, 240, "Front door");
    pipeline.Decode(h, frames[0].bytes, 1, ext);  // a 704 x 240 field picture: the size shown doubles
    EXPECT_EQ(pipeline.Caption(), "CAM =3  2004-01-02 03:04:05  006");
    EXPECT_EQ(pipeline.StreamInfo(), "Front door  [704 * 480]");

    FrameHeader narrow = WithExtensionFlag(Video(8, 0));
    pipeline.Decode(narrow, {1, 2, 3}, 1, MakeExtension(368, 240, "Side"));
    EXPECT_EQ(pipeline.StreamInfo(), "Side  [352 * 240]");

    // A flagged block without its marker is no extension: the line empties.
    FrameExtension unmarked = MakeExtension(704, 480, "Gone");
    unmarked.extMarker = 0;
    pipeline.Decode(WithExtensionFlag(Video(5, 15)), frames[0].bytes, 1, unmarked);
    EXPECT_EQ(pipeline.StreamInfo(), "");

    // A record that does not decode still names its camera and time.
    FrameHeader broken = Video(10, 15, kFrameKey, 6);
    broken.timeStamp = MakeTime(2026, 12, 31, 23, 59, 59, 999);
    EXPECT_EQ(pipeline.Decode(broken, std::vector<std::uint8_t>(64, 0x55)), 0);
    EXPECT_EQ(pipeline.Caption(), "CAM =7  2026-12-31 23:59:59  999");
}

TEST_F(PictureDecodingTest, DecoderOnlyRecordsAreDecodedButNotShown) {
    Pipeline pipeline;
    const auto frames = ReadVideoFrames(DataFile("h264_704x480.h264"));
    ASSERT_EQ(pipeline.Decode(Video(10, 15, kFrameKey), frames[0].bytes), 1);
    const Presentation shown = pipeline.TakePresentation();
    for (int type : {kFrameDecoderOnly, kFrameDecoderOnly4}) {
        FrameHeader h = Video(10, 15, type);
        h.timeStamp.second = static_cast<std::uint16_t>(10 + type);
        EXPECT_EQ(pipeline.Decode(h, frames[1].bytes), 1);
        EXPECT_EQ(pipeline.TakePresentation().pixels, shown.pixels);
        EXPECT_EQ(pipeline.Caption(), FormatCaption(h));
    }
    EXPECT_EQ(pipeline.repaints, 1);
}

TEST_F(PictureDecodingTest, DecodersAreSetUpAgainOnlyWhenSizeOrCodecChange) {
    Pipeline pipeline;
    EXPECT_EQ(pipeline.m_decoderCodec, -1);
    const auto frames = ReadVideoFrames(DataFile("mpeg4_704x480.m4v"));
    // Resolution 8 is 704 x 480 for codec 5.
    ASSERT_EQ(pipeline.Decode(Video(5, 8), frames[0].bytes), 1);
    EXPECT_EQ(pipeline.m_videoWidth, 704);
    EXPECT_EQ(pipeline.m_mpeg4Mode, 1);
    // The second record continues the stream: had the decoder been set up
    // again, the dependent picture would have no reference and fail.
    ASSERT_EQ(pipeline.Decode(Video(5, 8, kFrameDependent), frames[1].bytes), 1);
    ASSERT_EQ(pipeline.Decode(Video(7, 8), frames[0].bytes), 1);
    EXPECT_EQ(pipeline.m_decoderCodec, 7);
    EXPECT_EQ(pipeline.m_mpeg4Mode, 2);
    ASSERT_EQ(pipeline.Decode(Video(6, 15), frames[0].bytes), 1);
    EXPECT_EQ(pipeline.m_mpeg4Mode, 0);
    EXPECT_LT(pipeline.m_bmiHeader.biHeight, 0);

    // An SDI record keeps the MPEG-4 size but takes over the codec.
    const auto hd = ReadVideoFrames(DataFile("h264_1280x720.h264"));
    FrameExtension ext = MakeExtension(1280, 720, "HD");
    ASSERT_EQ(pipeline.Decode(WithExtensionFlag(Video(11, 0)), hd[0].bytes, 1, ext), 1);
    EXPECT_EQ(pipeline.m_decoderCodec, 11);
    EXPECT_EQ(pipeline.m_videoWidth, 704);
}

TEST_F(PictureDecodingTest, RecordedCaptionIsDrawnOnlyWhenMarkedAndEnabled) {
    const auto frames = ReadVideoFrames(DataFile("mjpeg_704x480.mjpeg"));
    const std::string text = "EXIT 4";
    Caption caption = MakeCaption(text, 40, 60, 0x000000FF, "DejaVu Sans", -40);
    caption.descriptor.font.weight = 700;
    caption.descriptor.textLength = static_cast<std::uint32_t>(text.size());

    auto present = [&](const CaptionDescriptor* d) {
        Pipeline pipeline;
        EXPECT_EQ(pipeline.Decode(Video(9), frames[0].bytes, 1, {}, d, text), 1);
        return Upright(pipeline.TakePresentation());
    };
    const Bgr24 plain = present(nullptr);
    const Bgr24 drawn = present(&caption.descriptor);

    // Red text (COLORREF 0x000000FF) near (40, 60), nothing changed far from it.
    int red = 0, changedElsewhere = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 704; ++x) {
            const std::size_t i = (std::size_t(y) * 704 + x) * 3;
            const bool changed = std::memcmp(&plain[i], &drawn[i], 3) != 0;
            const bool nearText = x >= 36 && x < 300 && y >= 56 && y < 120;
            if (changed && !nearText) ++changedElsewhere;
            if (nearText && drawn[i] < 40 && drawn[i + 1] < 40 && drawn[i + 2] > 215) ++red;
        }
    EXPECT_GT(red, 200);
    EXPECT_EQ(changedElsewhere, 0);

    CaptionDescriptor disabled = caption.descriptor;
    disabled.captionEnabled = 0;
    EXPECT_EQ(present(&disabled), plain);
    CaptionDescriptor unmarked = caption.descriptor;
    unmarked.captionMarker = 0;
    EXPECT_EQ(present(&unmarked), plain);
}

TEST_F(PictureDecodingTest, BottomUpPictureGetsItsCaptionUpright) {
    // Codec 10 pictures are stored bottom row first; the caption must still
    // land at (x, y) from the top.
    const auto frames = ReadVideoFrames(DataFile("h264_704x480.h264"));
    const std::string text = "TOP";
    Caption caption = MakeCaption(text, 10, 10, 0x0000FF00, "DejaVu Sans", -30);
    caption.descriptor.textLength = static_cast<std::uint32_t>(text.size());
    Pipeline a, b;
    ASSERT_EQ(a.Decode(Video(10), frames[0].bytes), 1);
    ASSERT_EQ(b.Decode(Video(10), frames[0].bytes, 1, {}, &caption.descriptor, text), 1);
    const Bgr24 plain = Upright(a.TakePresentation()), drawn = Upright(b.TakePresentation());
    std::size_t firstChangedRow = 480;
    for (std::size_t i = 0; i < plain.size(); ++i)
        if (plain[i] != drawn[i]) {
            firstChangedRow = i / (704 * 3);
            break;
        }
    EXPECT_GE(firstChangedRow, 8u);
    EXPECT_LT(firstChangedRow, 40u);
}

TEST_F(PictureDecodingTest, HugeOrGarbageRecordsAreRefusedSafely) {
    // An extension claiming a picture far beyond any buffer: the decoders
    // that write the size asked for refuse it; those that report the
    // stream's own size give the real picture. Nothing is written past a
    // buffer (the sanitizer build watches).
    const FrameExtension huge = MakeExtension(65535, 65535, "Huge");
    const struct {
        int codec;
        const char* file;
        int result;
    } cases[] = {{5, "mpeg4_704x480.m4v", 0}, {8, "xvid_704x480.m4v", 1}, {9, "mjpeg_704x480.mjpeg", 1},
                 {10, "h264_704x480.h264", 1}, {11, "h264_704x480.h264", 1}};
    for (const auto& c : cases) {
        Pipeline pipeline;
        const auto frames = ReadVideoFrames(DataFile(c.file));
        EXPECT_EQ(pipeline.Decode(WithExtensionFlag(Video(c.codec, 0)), frames[0].bytes, 1, huge), c.result)
            << c.codec;
        const Presentation p = pipeline.TakePresentation();
        EXPECT_EQ(p.ready, c.result == 1) << c.codec;
        if (p.ready) {
            EXPECT_EQ(p.format.biWidth * std::abs(p.format.biHeight), 704 * 480) << c.codec;
        }
    }

    Pipeline pipeline;
    const auto frames = ReadVideoFrames(DataFile("h264_704x480.h264"));
    EXPECT_EQ(pipeline.Decode(Video(10), std::vector<std::uint8_t>(5000, 0xFF)), 0);
    EXPECT_EQ(pipeline.Decode(Video(10), {}), 0);
    EXPECT_FALSE(pipeline.PictureReady());
    EXPECT_EQ(pipeline.Decode(Video(10), frames[0].bytes), 1);
    EXPECT_TRUE(pipeline.PictureReady());
}

TEST(PictureFormat, ResolutionCodesAndDisplayWidths) {
    using S = PicturePipeline::Size;
    EXPECT_EQ(PicturePipeline::ResolutionSize(8, 5), (S{704, 480}));
    EXPECT_EQ(PicturePipeline::ResolutionSize(8, 8), (S{720, 480}));
    EXPECT_EQ(PicturePipeline::ResolutionSize(13, 6), (S{704, 288}));
    EXPECT_EQ(PicturePipeline::ResolutionSize(13, 7), (S{720, 288}));
    EXPECT_EQ(PicturePipeline::ResolutionSize(12, 5), (S{704, 576}));
    EXPECT_EQ(PicturePipeline::ResolutionSize(6, 5), (S{360, 288}));
    EXPECT_EQ(PicturePipeline::ResolutionSize(25, 9), (S{160, 112}));
    EXPECT_EQ(PicturePipeline::ResolutionSize(26, 9), (S{320, 240}));
    EXPECT_EQ(PicturePipeline::ResolutionSize(255, 5), (S{320, 240}));
    EXPECT_EQ(PicturePipeline::DisplayWidth(5, 360), 352);
    EXPECT_EQ(PicturePipeline::DisplayWidth(5, 368), 368);
    EXPECT_EQ(PicturePipeline::DisplayWidth(8, 368), 352);
    EXPECT_EQ(PicturePipeline::DisplayWidth(8, 720), 704);
    EXPECT_EQ(PicturePipeline::DisplayWidth(10, 720), 720);
}

}  // namespace
}  // namespace korvane::testing
