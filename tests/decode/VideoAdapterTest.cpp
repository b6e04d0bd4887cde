// Every codec adapter against the ffmpeg command-line tool decoding the same
// file: each record gives its picture at once, at the size and in the row
// order the adapter promises, close to ffmpeg's own picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>

#include "decode/CAPIDecoderClass.h"
#include "decode/CMP4CodecDll.h"
#include "decode/CMp4ADecoder.h"
#include "decode/CSDI_Colorspace.h"
#include "tests/decode/AdapterHarness.h"
#include "tests/decode/PeerDecode.h"
#include "authoring/TempDir.h"

namespace korvane::testing {
namespace {

constexpr double kMinPsnr = 35.0;
constexpr std::uint8_t kUntouched = 0xA5;
// Bytes kept after the capacity given to an adapter: the libraries' own code
// is not instrumented by the sanitizers, so writes past the end are looked
// for here.
constexpr std::size_t kGuard = 4096;
constexpr std::uint8_t kGuardByte = 0x3C;

using AdapterFactory = std::function<std::unique_ptr<AdapterUnderTest>()>;

std::string DataFile(const std::string& name) { return std::string(KORVANE_TEST_DATA) + "/" + name; }

std::size_t PictureBytes(int width, int height) {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3;
}

bool AllBytesAre(const std::vector<std::uint8_t>& bytes, std::uint8_t value) {
    return std::all_of(bytes.begin(), bytes.end(), [value](std::uint8_t b) { return b == value; });
}

// A destination of `capacity` bytes followed by a guard band.
struct Destination {
    explicit Destination(std::size_t capacity) : bytes(capacity + kGuard, kGuardByte), capacity(capacity) {
        Clear();
    }
    void Clear() { std::fill_n(bytes.begin(), capacity, kUntouched); }
    std::uint8_t* data() { return bytes.data(); }
    Bgr24 Picture() const { return Bgr24(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(capacity)); }
    bool Untouched() const { return AllBytesAre(Picture(), kUntouched); }
    bool GuardIntact() const {
        return std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(capacity), bytes.end(),
                           [](std::uint8_t b) { return b == kGuardByte; });
    }
    std::vector<std::uint8_t> bytes;
    std::size_t capacity;
};

Bgr24 Upright(const Bgr24& picture, RowOrder order, int width, int height) {
    return order == RowOrder::BottomFirst ? FlipRows(picture, width, height) : picture;
}

// Decodes every record of the file through a fresh adapter and compares each
// picture with ffmpeg's (peerArgs shape ffmpeg's output, e.g. a crop).
void ExpectFfmpegPictures(const std::string& path, const AdapterFactory& make, int width,
                          int height, const std::string& peerArgs = "") {
    const std::vector<VideoFrame> frames = ReadVideoFrames(path);
    const std::vector<Bgr24> reference = FfmpegPictures(path, width, height, peerArgs);
    ASSERT_FALSE(frames.empty());
    ASSERT_EQ(reference.size(), frames.size());

    const auto adapter = make();
    Destination destination(PictureBytes(width, height));
    double lowest = 99.0, highest = 0.0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        destination.Clear();
        const AdapterOutput out = adapter->Decode(frames[i], destination.data(), destination.capacity);
        ASSERT_NE(out.result, 0) << "record " << i;
        ASSERT_EQ(out.width, width) << "record " << i;
        ASSERT_EQ(out.height, height) << "record " << i;
        ASSERT_TRUE(destination.GuardIntact()) << "record " << i << " written past the picture";
        const Bgr24 upright = Upright(destination.Picture(), adapter->Order(), width, height);
        const double psnr = Psnr(upright, reference[i]);
        EXPECT_GE(psnr, kMinPsnr) << "record " << i;
        if (i == 0) {
            // The test pictures are not symmetric: the other row order must fail.
            EXPECT_LT(Psnr(FlipRows(upright, width, height), reference[i]), 20.0);
        }
        lowest = std::min(lowest, psnr);
        highest = std::max(highest, psnr);
    }
    std::printf("[ psnr     ] %s: %zu pictures, %.2f to %.2f dB\n", path.c_str(), frames.size(),
                lowest, highest);
}

struct FixtureCase {
    const char* name;
    const char* file;
    AdapterFactory make;
    int width;  // the picture the adapter writes
    int height;
    const char* peerArgs = "";
};

// TurboJPEG interpolates the chroma planes; ffmpeg does too when asked.
constexpr const char* kInterpolatedChroma = "-sws_flags bicubic+full_chroma_int+accurate_rnd";

void PrintTo(const FixtureCase& c, std::ostream* os) { *os << c.name; }

class AdapterOnFixture : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(AdapterOnFixture, EveryRecord_GivesFfmpegsPicture_InItsRowOrder) {
    const FixtureCase& c = GetParam();
    ExpectFfmpegPictures(DataFile(c.file), c.make, c.width, c.height, c.peerArgs);
}

TEST_P(AdapterOnFixture, PictureOneByteOverCapacity_IsRefusedWithoutWriting) {
    const FixtureCase& c = GetParam();
    const std::vector<VideoFrame> frames = ReadVideoFrames(DataFile(c.file));
    ASSERT_GE(frames.size(), 2u);
    const auto adapter = c.make();

    Destination tooSmall(PictureBytes(c.width, c.height) - 1);
    EXPECT_EQ(adapter->Decode(frames[0], tooSmall.data(), tooSmall.capacity).result, 0);
    EXPECT_TRUE(tooSmall.Untouched());
    EXPECT_TRUE(tooSmall.GuardIntact());

    Destination enough(PictureBytes(c.width, c.height));
    EXPECT_NE(adapter->Decode(frames[1], enough.data(), enough.capacity).result, 0);
    EXPECT_FALSE(enough.Untouched());
    EXPECT_TRUE(enough.GuardIntact());
}

TEST_P(AdapterOnFixture, GarbageRecord_IsRefused_AndNextKeyFrameDecodesAgain) {
    const FixtureCase& c = GetParam();
    const std::string path = DataFile(c.file);
    const std::vector<VideoFrame> frames = ReadVideoFrames(path);
    const std::vector<Bgr24> reference = FfmpegPictures(path, c.width, c.height, c.peerArgs);
    ASSERT_EQ(reference.size(), frames.size());
    const auto it = std::find_if(frames.begin() + 1, frames.end(),
                                 [](const VideoFrame& f) { return f.key; });
    ASSERT_NE(it, frames.end()) << "the fixture needs a second key frame";
    const std::size_t nextKey = static_cast<std::size_t>(it - frames.begin());

    const auto adapter = c.make();
    Bgr24 picture(PictureBytes(c.width, c.height));
    ASSERT_NE(adapter->Decode(frames[0], picture.data(), picture.size()).result, 0);

    std::mt19937 random(20240611);
    VideoFrame garbage;
    garbage.bytes.resize(4000);
    for (auto& b : garbage.bytes) b = static_cast<std::uint8_t>(random());
    std::fill(picture.begin(), picture.end(), kUntouched);
    EXPECT_EQ(adapter->Decode(garbage, picture.data(), picture.size()).result, 0);
    EXPECT_EQ(adapter->Decode(VideoFrame{}, picture.data(), picture.size()).result, 0);
    EXPECT_TRUE(AllBytesAre(picture, kUntouched)) << "a refused record wrote rows";

    ASSERT_NE(adapter->Decode(frames[nextKey], picture.data(), picture.size()).result, 0);
    EXPECT_GE(Psnr(Upright(picture, adapter->Order(), c.width, c.height), reference[nextKey]),
              kMinPsnr);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, AdapterOnFixture,
    ::testing::Values(
        FixtureCase{"Mp4CodecMode1_704", "mpeg4_704x480.m4v", [] { return MakeMp4Codec(704, 480, 1); }, 704, 480},
        FixtureCase{"Mp4CodecMode0_704", "mpeg4_704x480.m4v", [] { return MakeMp4Codec(704, 480, 0); }, 704, 480},
        FixtureCase{"Mp4CodecMode2_352", "mpeg4_352x240.m4v", [] { return MakeMp4Codec(352, 240, 2); }, 352, 240},
        FixtureCase{"Mp4CodecMode1_Xvid", "xvid_704x480.m4v", [] { return MakeMp4Codec(704, 480, 1); }, 704, 480},
        FixtureCase{"Mp4A_Xvid", "xvid_704x480.m4v", [] { return MakeMp4A(720, 480); }, 704, 480},
        FixtureCase{"Mp4A_FirstInit352_Xvid", "xvid_704x480.m4v", [] { return MakeMp4A(352, 240, 0); }, 704, 480},
        FixtureCase{"Mp4A_352", "mpeg4_352x240.m4v", [] { return MakeMp4A(352, 240); }, 352, 240},
        FixtureCase{"H264_704", "h264_704x480.h264", [] { return MakeH264(720, 480); }, 704, 480},
        FixtureCase{"H264_FirstInit352_1280", "h264_1280x720.h264", [] { return MakeH264(352, 240); }, 1280, 720},
        FixtureCase{"Sdi_1280", "h264_1280x720.h264", [] { return MakeSdi(1280, 720); }, 1280, 720},
        FixtureCase{"Sdi_704", "h264_704x480.h264", [] { return MakeSdi(704, 480); }, 704, 480},
        FixtureCase{"Jpeg_704", "mjpeg_704x480.mjpeg", [] { return MakeJpeg(); }, 704, 480, kInterpolatedChroma},
        FixtureCase{"Jpeg_352", "mjpeg_352x240.mjpeg", [] { return MakeJpeg(); }, 352, 240, kInterpolatedChroma}),
    [](const ::testing::TestParamInfo<FixtureCase>& info) { return std::string(info.param.name); });

// Streams a little wider than the picture shown, made once for the suite.
class CentreCrop : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<TempDir>();
        const auto make = [](const std::string& size, const std::string& codec,
                             const std::string& name) {
            const std::string out = s_dir->File(name);
            const bool made = RunFfmpeg("-f lavfi -i testsrc2=size=" + size +
                                        ":rate=25 -frames:v 3 " + codec + " " + ShellQuote(out));
            return made ? out : std::string();
        };
        const std::string mpeg4 = "-c:v mpeg4 -g 3 -bf 0 -q:v 4 -f m4v";
        s_mpeg4_720 = make("720x480", mpeg4, "mpeg4_720x480.m4v");
        s_mpeg4_368 = make("368x240", mpeg4, "mpeg4_368x240.m4v");
        s_mpeg4_360 = make("360x240", mpeg4, "mpeg4_360x240.m4v");
        s_h264_720 = make("720x480", "-c:v libx264 -bf 0 -g 3 -crf 20 -pix_fmt yuv420p -f h264",
                          "h264_720x480.h264");
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    void SetUp() override {
        for (const std::string* made : {&s_mpeg4_720, &s_mpeg4_368, &s_mpeg4_360, &s_h264_720}) {
            ASSERT_FALSE(made->empty()) << "ffmpeg could not make a test stream";
        }
    }

    static inline std::unique_ptr<TempDir> s_dir;
    static inline std::string s_mpeg4_720, s_mpeg4_368, s_mpeg4_360, s_h264_720;
};

TEST_F(CentreCrop, Mp4Codec_Coded720AskedAt704_WritesTheCentre704) {
    ExpectFfmpegPictures(s_mpeg4_720, [] { return MakeMp4Codec(704, 480, 0); }, 704, 480,
                         "-vf crop=704:480:8:0");
    ExpectFfmpegPictures(s_mpeg4_720, [] { return MakeMp4Codec(704, 480, 1); }, 704, 480,
                         "-vf crop=704:480:8:0");
}

TEST_F(CentreCrop, Mp4CodecMode1_Asked720Or360_WritesTheDisplayWidth) {
    ExpectFfmpegPictures(s_mpeg4_720, [] { return MakeMp4Codec(720, 480, 1); }, 704, 480,
                         "-vf crop=704:480:8:0");
    ExpectFfmpegPictures(s_mpeg4_360, [] { return MakeMp4Codec(360, 240, 1); }, 352, 240,
                         "-vf crop=352:240:4:0");
}

TEST_F(CentreCrop, Mp4CodecMode0_Asked720_KeepsTheWholePicture) {
    ExpectFfmpegPictures(s_mpeg4_720, [] { return MakeMp4Codec(720, 480, 0); }, 720, 480);
}

TEST_F(CentreCrop, Mp4A_Coded720And368_ReportsAndWrites704And352) {
    ExpectFfmpegPictures(s_mpeg4_720, [] { return MakeMp4A(720, 480); }, 704, 480,
                         "-vf crop=704:480:8:0");
    ExpectFfmpegPictures(s_mpeg4_368, [] { return MakeMp4A(368, 240); }, 352, 240,
                         "-vf crop=352:240:8:0");
}

TEST_F(CentreCrop, H264_InitialisedAt704_CropsCoded720) {
    ExpectFfmpegPictures(s_h264_720, [] { return MakeH264(704, 480); }, 704, 480,
                         "-vf crop=704:480:8:0");
    ExpectFfmpegPictures(s_h264_720, [] { return MakeH264(720, 480); }, 720, 480);
}

TEST(Mp4CodecScaling, AskedForAQuarterOfTheStream_ScalesTheWholePicture) {
    ExpectFfmpegPictures(DataFile("mpeg4_704x480.m4v"), [] { return MakeMp4Codec(352, 240, 0); },
                         352, 240, "-vf scale=352:240:flags=bilinear");
}

// Release drops the decoder: records are refused until Initialize again.
TEST(AdapterLifecycle, Released_RefusesRecords_UntilInitialisedAgain) {
    const std::vector<VideoFrame> mpeg4 = ReadVideoFrames(DataFile("mpeg4_352x240.m4v"));
    const std::vector<VideoFrame> h264 = ReadVideoFrames(DataFile("h264_704x480.h264"));
    Bgr24 picture(PictureBytes(704, 480), kUntouched);

    CMP4CodecDll mp4;
    EXPECT_EQ(mp4.MPEG4Decode(mpeg4[0].bytes.data(), picture.data(), 352, 240,
                              static_cast<int>(mpeg4[0].bytes.size()), 0, 1, picture.size()),
              0);
    mp4.MPEG4DecodeInit(352, 240, 1, 0, 0);
    EXPECT_EQ(mp4.MPEG4Decode(mpeg4[0].bytes.data(), picture.data(), 352, 240,
                              static_cast<int>(mpeg4[0].bytes.size()), 0, 1, picture.size()),
              1);
    mp4.MPEG4DecodeClose(1);
    EXPECT_EQ(mp4.MPEG4Decode(mpeg4[0].bytes.data(), picture.data(), 352, 240,
                              static_cast<int>(mpeg4[0].bytes.size()), 0, 1, picture.size()),
              0);

    CMp4ADecoder mp4a;
    mp4a.Initialize({0, 352, 240, 3, 1, 1, 73, 0});
    Mp4ADecompressBlock mp4aBlock{mpeg4[0].bytes.data(),
                                  static_cast<std::uint32_t>(mpeg4[0].bytes.size()),
                                  picture.data(), 0, 0, 0, picture.size()};
    EXPECT_NE(mp4a.Decompress(mp4aBlock), 0);
    mp4a.Release();
    EXPECT_EQ(mp4a.Decompress(mp4aBlock), 0);
    mp4a.Initialize({1, 352, 240, 3, 1, 1, 73, 0});
    EXPECT_NE(mp4a.Decompress(mp4aBlock), 0);

    CAPIDecoderClass avc;
    avc.Initialize({0, 720, 480, 3, 1, 1, 73, 0});
    H264DecompressBlock avcBlock{h264[0].bytes.data(),
                                 static_cast<std::uint32_t>(h264[0].bytes.size()),
                                 picture.data(), 0, 0, 0, 1, picture.size()};
    EXPECT_NE(avc.Decompress(avcBlock), 0);
    avc.Release();
    EXPECT_EQ(avc.Decompress(avcBlock), 0);

    CSDI_Colorspace sdi;
    sdi.Initialize({0, 1280, 720});
    EXPECT_EQ(sdi.InitializedWidth(), 1280);
    EXPECT_EQ(sdi.InitializedHeight(), 720);
    sdi.Initialize({0, 704, 480});
    EXPECT_EQ(sdi.InitializedWidth(), 704);
    EXPECT_EQ(sdi.InitializedHeight(), 480);
    SdiDecompressBlock sdiBlock;
    sdiBlock.picture = picture.data();
    sdiBlock.length = static_cast<std::uint32_t>(h264[0].bytes.size());
    sdiBlock.data = h264[0].bytes.data();
    sdiBlock.pictureCapacity = picture.size();
    EXPECT_NE(sdi.Decompress(sdiBlock), 0);
    EXPECT_EQ(sdiBlock.widthOut, 704u);
    EXPECT_EQ(sdiBlock.heightOut, 480u);
    sdi.Release();
    EXPECT_EQ(sdi.Decompress(sdiBlock), 0);
}

}  // namespace
}  // namespace korvane::testing
