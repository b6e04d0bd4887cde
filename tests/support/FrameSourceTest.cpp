#include "tests/support/FrameSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

namespace korvane::testing {
namespace {

std::string Fixture(const std::string& name) { return std::string(KORVANE_TEST_DATA) + "/" + name; }

// Runs a command and returns what it printed; fails the test when it does not exit 0.
std::string Run(const std::string& command) {
    struct PipeCloser {
        void operator()(std::FILE* f) const { ::pclose(f); }
    };
    std::FILE* raw = ::popen(command.c_str(), "r");
    if (!raw) throw std::runtime_error("cannot run " + command);
    std::unique_ptr<std::FILE, PipeCloser> pipe(raw);
    std::string out;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get())) out.append(buffer, n);
    const int status = ::pclose(pipe.release());
    if (status != 0) throw std::runtime_error("command failed: " + command);
    return out;
}

std::string Probe(const std::string& entries, const std::string& path, const std::string& extra = {}) {
    return Run("ffprobe -v error -select_streams v:0 " + extra + " -show_entries " + entries +
               " -of default=nokey=1:noprint_wrappers=1 '" + path + "'");
}

// ffprobe's own count of the pictures in a stream file.
std::size_t ProbeFrameCount(const std::string& path) {
    return std::stoul(Probe("stream=nb_read_frames", path, "-count_frames"));
}

// ffprobe's key-frame flag of every picture, in order.
std::vector<bool> ProbeKeyFlags(const std::string& path) {
    std::istringstream lines(Probe("frame=key_frame", path));
    std::vector<bool> keys;
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) keys.push_back(line == "1");
    return keys;
}

struct VideoFixture {
    const char* name;
    VideoStream kind;
    PictureSize size;
    int gop;  // make-fixtures puts a key picture every gop pictures
};

void PrintTo(const VideoFixture& f, std::ostream* os) { *os << f.name; }

class VideoFixtureTest : public ::testing::TestWithParam<VideoFixture> {};

TEST_P(VideoFixtureTest, Split_AgreesWithFfprobeOnCountAndKeyPictures) {
    const VideoFixture& f = GetParam();
    const std::string path = Fixture(f.name);
    ASSERT_EQ(VideoStreamFromPath(path), f.kind);
    const std::vector<VideoFrame> frames = ReadVideoFrames(path);

    ASSERT_EQ(frames.size(), ProbeFrameCount(path));
    ASSERT_GE(frames.size(), 2u * f.gop);
    const std::vector<bool> probed = ProbeKeyFlags(path);
    ASSERT_EQ(probed.size(), frames.size());
    for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(frames[i].key, probed[i]) << "frame " << i;
        EXPECT_EQ(frames[i].key, i % f.gop == 0) << "frame " << i;
    }
}

TEST_P(VideoFixtureTest, EveryFrame_DecodesToOnePictureOfTheStreamSize) {
    const VideoFixture& f = GetParam();
    const std::vector<VideoFrame> frames = ReadVideoFrames(Fixture(f.name));
    VideoDecoder decoder(f.kind);
    std::size_t pictures = 0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const std::vector<PictureSize> out = decoder.Decode(frames[i].bytes);
        // No B-pictures: each frame gives its own picture at once.
        ASSERT_EQ(out.size(), 1u) << "frame " << i;
        EXPECT_EQ(out[0], f.size) << "frame " << i;
        ++pictures;
    }
    EXPECT_TRUE(decoder.Flush().empty());
    EXPECT_EQ(pictures, frames.size());
}

// A recording's key record is where decoding starts after a jump, so every
// key picture must decode without the frames before it.
TEST_P(VideoFixtureTest, KeyFrame_DecodesWithoutTheFramesBeforeIt) {
    const VideoFixture& f = GetParam();
    const std::vector<VideoFrame> frames = ReadVideoFrames(Fixture(f.name));
    for (std::size_t i = 1; i < frames.size(); ++i) {
        if (!frames[i].key) continue;
        VideoDecoder fresh(f.kind);
        std::vector<PictureSize> out = fresh.Decode(frames[i].bytes);
        if (out.empty()) out = fresh.Flush();
        ASSERT_EQ(out.size(), 1u) << "key frame " << i;
        EXPECT_EQ(out[0], f.size) << "key frame " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, VideoFixtureTest,
    ::testing::Values(VideoFixture{"mpeg4_704x480.m4v", VideoStream::Mpeg4, {704, 480}, 10},
                      VideoFixture{"xvid_704x480.m4v", VideoStream::Mpeg4, {704, 480}, 10},
                      VideoFixture{"mpeg4_352x240.m4v", VideoStream::Mpeg4, {352, 240}, 10},
                      VideoFixture{"h264_704x480.h264", VideoStream::H264, {704, 480}, 10},
                      VideoFixture{"h264_1280x720.h264", VideoStream::H264, {1280, 720}, 10},
                      VideoFixture{"mjpeg_704x480.mjpeg", VideoStream::Mjpeg, {704, 480}, 1},
                      VideoFixture{"mjpeg_352x240.mjpeg", VideoStream::Mjpeg, {352, 240}, 1}),
    [](const auto& info) {
        std::string name = info.param.name;
        std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
        return name;
    });

TEST(SplitVideoFrames, FirstMpeg4FrameWithoutVolHeader_Throws) {
    const std::vector<VideoFrame> frames = ReadVideoFrames(Fixture("mpeg4_704x480.m4v"));
    std::vector<std::uint8_t> headless;
    for (std::size_t i = 1; i < frames.size(); ++i)
        headless.insert(headless.end(), frames[i].bytes.begin(), frames[i].bytes.end());
    EXPECT_THROW(SplitVideoFrames(headless, VideoStream::Mpeg4), std::runtime_error);
}

TEST(SplitVideoFrames, IdrAccessUnitWithoutParameterSets_Throws) {
    const std::vector<VideoFrame> frames = ReadVideoFrames(Fixture("h264_704x480.h264"));
    const std::vector<std::uint8_t>& first = frames[0].bytes;
    const std::uint8_t idrStart[] = {0, 0, 1, 0x65};
    auto idr = std::search(first.begin(), first.end(), std::begin(idrStart), std::end(idrStart));
    ASSERT_NE(idr, first.end());
    ASSERT_NE(idr, first.begin());  // SPS and PPS stood in front of it

    std::vector<std::uint8_t> stream{0};  // keeps the 4-byte start code
    stream.insert(stream.end(), idr, first.end());
    for (std::size_t i = 1; i < frames.size(); ++i)
        stream.insert(stream.end(), frames[i].bytes.begin(), frames[i].bytes.end());
    EXPECT_THROW(SplitVideoFrames(stream, VideoStream::H264), std::runtime_error);
}

TEST(SplitVideoFrames, TruncatedJpeg_Throws) {
    std::vector<std::uint8_t> stream = ReadWholeFile(Fixture("mjpeg_352x240.mjpeg"));
    ASSERT_NO_THROW(SplitVideoFrames(stream, VideoStream::Mjpeg));
    stream.resize(stream.size() - 2);  // the last picture loses its EOI
    EXPECT_THROW(SplitVideoFrames(stream, VideoStream::Mjpeg), std::runtime_error);
}

std::vector<std::int16_t> ReadPcm() {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(Fixture("pcm_s16le_8k.raw"));
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return samples;
}

double RmsDifference(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b,
                     std::size_t from, std::size_t to) {
    double sum = 0;
    for (std::size_t i = from; i < to; ++i) sum += std::pow(double(a[i]) - double(b[i]), 2);
    return std::sqrt(sum / double(to - from));
}

// The G.721 and IMA ADPCM fixtures code the same tone as the PCM fixture.
TEST(AudioBlocks, G726Blocks_DecodeInSequenceToThePcmTone) {
    const std::vector<std::int16_t> pcm = ReadPcm();
    ASSERT_EQ(pcm.size(), 8u * 1009);
    const auto blocks = ReadAudioBlocks(Fixture("g726le_32k.g726"), 320);
    ASSERT_EQ(blocks.size(), 13u);  // 4036 bytes: 12 whole blocks and 196 bytes
    EXPECT_EQ(blocks.back().size(), 196u);

    AudioDecoder decoder(AudioCoding::G726);
    std::vector<std::int16_t> decoded;
    for (const auto& block : blocks) {
        const std::vector<std::int16_t> samples = decoder.Decode(block);
        EXPECT_EQ(samples.size(), 2 * block.size());  // two 4-bit codes a byte
        decoded.insert(decoded.end(), samples.begin(), samples.end());
    }
    ASSERT_EQ(decoded.size(), pcm.size());
    // After the coder has adapted, the decoded tone stays close to the source
    // (the tone's own RMS is about 2,900).
    EXPECT_LT(RmsDifference(decoded, pcm, 400, pcm.size()), 200.0);
}

TEST(AudioBlocks, ImaWavBlocks_Are508BytesOf1009SamplesFollowingThePcmTone) {
    const std::vector<std::int16_t> pcm = ReadPcm();
    const ImaWav wav = ReadImaAdpcmWav(Fixture("ima_adpcm_8k.wav"));
    EXPECT_EQ(wav.format.channels, 1);
    EXPECT_EQ(wav.format.sampleRate, 8000u);
    EXPECT_EQ(wav.format.samplesPerBlock, 1009);
    ASSERT_EQ(wav.blocks.size(), 8u);

    AudioDecoder decoder(AudioCoding::ImaAdpcm, 508);
    for (std::size_t b = 0; b < wav.blocks.size(); ++b) {
        ASSERT_EQ(wav.blocks[b].size(), 508u);
        const std::vector<std::int16_t> samples = decoder.Decode(wav.blocks[b]);
        ASSERT_EQ(samples.size(), 1009u) << "block " << b;
        // Each block starts on the source sample it stores in its header.
        EXPECT_EQ(samples[0], pcm[b * 1009]) << "block " << b;
        if (b == 0) continue;  // the first block starts from the smallest step and needs time to adapt
        const std::vector<std::int16_t> source(pcm.begin() + std::ptrdiff_t(b * 1009),
                                               pcm.begin() + std::ptrdiff_t((b + 1) * 1009));
        EXPECT_LT(RmsDifference(samples, source, 0, 1009), 200.0) << "block " << b;
    }
}

TEST(ReadImaAdpcmWav, BlockSizeOtherThanAsked_Throws) {
    EXPECT_THROW(ReadImaAdpcmWav(Fixture("ima_adpcm_8k.wav"), 512), std::runtime_error);
}

TEST(ReadImaAdpcmWav, DataChunkLongerThanTheFile_Throws) {
    std::vector<std::uint8_t> bytes = ReadWholeFile(Fixture("ima_adpcm_8k.wav"));
    TempDir dir;
    bytes.resize(bytes.size() - 508);  // one block short of what the chunk declares
    EXPECT_THROW(ReadImaAdpcmWav(dir.Write("short.wav", bytes)), std::runtime_error);
}

}  // namespace
}  // namespace korvane::testing
