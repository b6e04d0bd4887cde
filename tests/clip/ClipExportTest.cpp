// Clips exported from real recordings, read back with libavformat and decoded by ffmpeg: packets,
// times, pictures, sound, the CSV and the report against the source records and what the player shows.
#include <gtest/gtest.h>

#include <QCryptographicHash>

#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <tuple>

#include "audio/AudioRecordDecoder.h"
#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"
#include "clip/ClipExporter.h"
#include "tests/clip/ClipReadBack.h"
#include "tests/decode/PeerDecode.h"
#include "tests/playback/SessionHarness.h"
#include "tests/support/Outputs.h"
#include "tests/support/TestData.h"

namespace korvane::testing {
namespace {

SystemTime Start() { return MakeTime(2023, 6, 14, 17, 58, 30, 0); }
// Pictures 100 ms apart, with two seconds without pictures after the twelfth.
std::int64_t PictureMs(std::size_t i) { return std::int64_t(i) * 100 + (i >= 12 ? 2000 : 0); }

std::string Hex(std::span<const std::uint8_t> bytes) {
    return QCryptographicHash::hash(QByteArrayView(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())),
                                    QCryptographicHash::Sha256).toHex().toStdString();
}
std::string TimeText(std::int64_t ms) {
    const SystemTime t = AddMilliseconds(Start(), ms);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second, t.milliseconds);
    return text;
}
// A file's bytes and modification time.
using FileState = std::tuple<std::vector<std::uint8_t>, std::int64_t, std::int64_t>;
FileState StateOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return {ReadWholeFile(path), st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
}
bool AnyOutput(const std::string& out) {
    return std::filesystem::exists(out) || std::filesystem::exists(out + ".times.csv") ||
           std::filesystem::exists(out + ".report.json");
}

enum class Sound { G721, Ima, Pcm, Pcm8 };

// group: dependent pictures as group pictures; splitHeaders: H.264 parameter sets in records of their own
// that only feed the decoder; minPsnr 99: identical; mkvSound: the codec Matroska carries the records in.
struct Kind { const char *what, *stream; std::uint8_t codec; Sound sound; bool group, splitHeaders; double minPsnr;
              const char* mkvSound; std::string peerArgs = ""; };

// A recording of one camera, with what went into it.
struct Source {
    std::string path;
    std::vector<std::uint32_t> offsets;  // the video records, with their data, types and times after the first's
    std::vector<std::vector<std::uint8_t>> data;
    std::vector<std::uint8_t> types;
    std::vector<std::int64_t> ms, audioMs;
    std::vector<std::vector<std::uint8_t>> audio;  // the sound records' data
    std::vector<std::int16_t> pcm;  // the sound as the player decodes the records
    std::size_t pictures = 0;
};

Source Build(const Kind& k, const TempDir& dir) {
    const auto frames = ReadVideoFrames(TestData(k.stream));
    auto blocks = k.sound == Sound::Ima    ? ReadImaAdpcmWav(TestData("ima_adpcm_8k.wav")).blocks
                  : k.sound == Sound::G721 ? ReadAudioBlocks(TestData("g726le_32k.g726"), 800)
                                           : ReadAudioBlocks(TestData("pcm_s16le_8k.raw"), 1600);
    if (k.sound == Sound::Pcm8)
        for (auto& block : blocks) {  // the high byte of each 16-bit sample, unsigned
            for (std::size_t b = 0; b < block.size() / 2; ++b) block[b] = std::uint8_t(block[2 * b + 1] ^ 0x80);
            block.resize(block.size() / 2);
        }
    const std::uint8_t audioCodec = k.sound == Sound::Ima ? 2 : k.sound == Sound::G721 ? 8 : 1;
    const std::uint8_t audioBits = k.sound == Sound::Pcm8 ? 8 : 16;
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    Source s;
    AudioRecordDecoder player;
    const auto addVideo = [&](std::uint8_t type, std::vector<std::uint8_t> bytes, std::int64_t ms) {
        s.offsets.push_back(w.AddVideo(0, k.codec, type, bytes, AddMilliseconds(Start(), ms)));
        s.data.push_back(std::move(bytes));
        s.types.push_back(type);
        s.ms.push_back(ms);
    };
    for (std::size_t i = 0; i < frames.size(); ++i) {
        std::vector<std::uint8_t> bytes = frames[i].bytes;
        if (k.splitHeaders && frames[i].key) {
            // SPS and PPS come first in a key access unit; the first slice starts at its third start code.
            std::size_t at = 0;
            for (int found = 0; found < 3; ++at)
                if (bytes[at] == 0 && bytes[at + 1] == 0 && bytes[at + 2] == 1) ++found;
            at = bytes[at - 2] == 0 ? at - 2 : at - 1;  // the third start code, with a fourth zero byte in front
            addVideo(kFrameDecoderOnly, {bytes.begin(), bytes.begin() + long(at)}, PictureMs(i));
            bytes.erase(bytes.begin(), bytes.begin() + long(at));
        }
        addVideo(frames[i].key ? kFrameKey : k.group ? kFrameGroup : kFrameDependent, std::move(bytes), PictureMs(i));
        ++s.pictures;
        if (i % 3 == 0 && i / 3 < blocks.size()) {
            const auto& block = blocks[i / 3];
            w.AddAudio(0, audioCodec, block, AddMilliseconds(Start(), PictureMs(i)), audioBits);
            s.audioMs.push_back(PictureMs(i));
            s.audio.push_back(block);
            FrameHeader header;
            header.codec = audioCodec;
            header.dataLength = std::uint32_t(block.size());
            header.setAudioFormat(audioBits, 8000);
            if (const auto samples = player.Decode(header, block))
                s.pcm.insert(s.pcm.end(), samples->begin(), samples->end());
        }
    }
    s.path = dir.File("rec.MP4");
    w.WriteFile(s.path);
    return s;
}

class ClipExportTest : public ::testing::Test, public SessionHarness {};

const Kind kKinds[] = {
    {"MPEG-4 with G.721", "mpeg4_704x480.m4v", 5, Sound::G721, false, false, 99, "adpcm_g726"},
    {"H.264, parameter sets apart, IMA ADPCM", "h264_704x480.h264", 10, Sound::Ima, false, true, 99, "adpcm_ima_wav"},
    {"H.264 group pictures with PCM", "h264_704x480.h264", 13, Sound::Pcm, true, false, 99, "pcm_s16le"},
    {"JPEG with 8-bit PCM", "mjpeg_704x480.mjpeg", 9, Sound::Pcm8, false, false, 35, "pcm_u8",
     "-sws_flags bicubic+full_chroma_int+accurate_rnd"},
};

TEST_F(ClipExportTest, ClipsHoldTheRecordsTheirTimesAndThePicturesThePlayerShows) {
    for (const Kind& k : kKinds) {
        SCOPED_TRACE(k.what);
        const Source s = Build(k, dir);
        shown.clear();
        ASSERT_TRUE(session.OpenCommandLine(s.path));
        for (std::size_t i = 1; i < s.pictures; ++i) session.StepForward();
        ASSERT_EQ(shown.size(), s.pictures);
        const FileState before = StateOf(s.path);

        for (const char* extension : {".mkv", ".mp4"}) {
            SCOPED_TRACE(extension);
            ExportRequest request;
            request.source = s.path;
            request.output = dir.File(std::string("clip") + extension);
            const ExportResult result = ExportClip(request);
            ASSERT_EQ(result.status, ExportStatus::Written) << result.message;
            EXPECT_EQ(StateOf(s.path), before);

            const ReadClip clip = ReadBack(request.output);
            EXPECT_EQ(clip.tags.at("creation_time").substr(0, 19), "2023-06-14T17:58:30");
            EXPECT_EQ(clip.tags.at("title"), "CAM1");
            // One packet a picture; parameter sets go in front of the picture that follows them.
            const bool h264 = clip.videoCodec == "h264";
            std::vector<std::string> rows;
            std::vector<std::uint8_t> unit;
            std::size_t packet = 0;
            for (std::size_t i = 0; i < s.data.size(); ++i) {
                unit.insert(unit.end(), s.data[i].begin(), s.data[i].end());
                if (s.types[i] != kFrameDecoderOnly) {
                    ASSERT_LT(packet, clip.video.size());
                    const ReadPacket& p = clip.video[packet++];
                    if (h264) EXPECT_EQ(NalUnits(p.data, true), NalUnits(unit, false)) << "record " << i;
                    else EXPECT_EQ(p.data, unit) << "record " << i;
                    EXPECT_EQ(std::llround(p.seconds * 1000), s.ms[i]) << "record " << i;
                    unit.clear();
                }
                rows.push_back(std::to_string(i) + "," + TimeText(s.ms[i]) + "," + std::to_string(s.ms[i]) + ",rec.MP4," +
                               std::to_string(s.offsets[i]) + "," + std::to_string(s.types[i]) + "," + Hex(s.data[i]) +
                               (s.types[i] == kFrameDecoderOnly ? ",merged" : ","));
            }
            EXPECT_EQ(packet, clip.video.size());
            // The length players show: to the end of the last picture, which lasts as long as the one before.
            ASSERT_GE(clip.video.size(), 2u);
            const double last = clip.video.back().seconds, beforeLast = clip.video[clip.video.size() - 2].seconds;
            EXPECT_NEAR(clip.seconds, 2 * last - beforeLast, 0.1);
            EXPECT_EQ(FfmpegDecodeMessages(request.output), "");
            const auto pictures = FfmpegPictures(request.output, clip.width, clip.height, k.peerArgs);
            ASSERT_EQ(pictures.size(), s.pictures);
            for (std::size_t i = 0; i < pictures.size(); ++i)
                EXPECT_GE(Psnr(pictures[i], shown[i]->Bytes()), k.minPsnr) << "picture " << i;

            const auto csvBytes = ReadWholeFile(request.output + ".times.csv");
            std::istringstream csv(std::string(csvBytes.begin(), csvBytes.end()));
            std::string line;
            std::getline(csv, line);
            EXPECT_EQ(line, "index,capture_time,pts_ms,source,record_offset,frame_type,sha256,note");
            for (const std::string& row : rows) EXPECT_TRUE(std::getline(csv, line) && line == row) << row;
            EXPECT_FALSE(std::getline(csv, line));

            const bool mkv = std::string(extension) == ".mkv";
            EXPECT_EQ(clip.audioCodec, mkv ? k.mkvSound : "aac");
            EXPECT_EQ(clip.sampleRate, 8000);
            if (mkv) {
                // The records as recorded, G.721's two codes a byte swapped back, each at its capture time;
                // the decoder a player picks for the track gives the samples the player gives.
                ASSERT_EQ(clip.audio.size(), s.audioMs.size());
                for (std::size_t i = 0; i < clip.audio.size(); ++i) {
                    std::vector<std::uint8_t> recorded = clip.audio[i].data;
                    if (k.sound == Sound::G721)
                        for (std::uint8_t& b : recorded) b = std::uint8_t(b << 4 | b >> 4);
                    EXPECT_EQ(recorded, s.audio[i]) << "sound record " << i;
                    EXPECT_EQ(std::llround(clip.audio[i].seconds * 1000), s.audioMs[i]) << "sound record " << i;
                }
                EXPECT_EQ(DecodedSound(request.output), s.pcm);
            }

            const QJsonObject report = ReadJson(request.output + ".report.json");
            EXPECT_EQ(report["source_sha256"].toString().toStdString(), Hex(std::get<0>(before)));
            EXPECT_EQ(report["source_size"].toInteger(), qint64(std::get<0>(before).size()));
            EXPECT_EQ(report["output_sha256"].toString().toStdString(), Hex(ReadWholeFile(request.output)));
            EXPECT_EQ(report["audio_samples"].toInteger(), qint64(s.pcm.size()));
            EXPECT_EQ(report["audio_codec"].toString().toStdString(), clip.audioCodec);
            // The reader learns how the sound is carried.
            EXPECT_NE(report["audio_note"].toString().indexOf(mkv && k.sound == Sound::G721 ? "swapped" : mkv ? "as the recorder stored it" : "AAC"), -1);
        }
    }
}

// korvane --export as a script runs it: spans, cameras and refusals.
TEST_F(ClipExportTest, CommandLineSpansCamerasAndRefusals) {
    const auto frames = ReadVideoFrames(TestData("h264_704x480.h264"));
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    for (std::size_t i = 0; i < frames.size(); ++i)
        for (int camera : {0, 1})
            w.AddVideo(camera, 10, frames[i].key ? kFrameKey : kFrameDependent, frames[i].bytes,
                       AddMilliseconds(Start(), std::int64_t(i) * 100 + camera * 10));
    const std::string source = dir.File("two.MP4");
    w.WriteFile(source);
    const FileState before = StateOf(source);
    const std::string notAFolder = dir.Write("plain", std::string("x"));

    const struct { const char* what; std::string output, options; int status, camera, pictures; std::int64_t firstMs, lastMs; }
        cases[] = {
        {"from a dependent picture: its key picture starts", "a.mkv",
         "--from '2023-06-14 17:58:31.350' --to '2023-06-14 17:58:31.7'", 0, 1, 8, 1000, 1700},
        {"the second camera", "b.mp4", "--camera 2 --to '2023-06-14 17:58:30.450'", 0, 2, 5, 10, 410},
        {"a span before the first picture", "c.mkv", "--to '2023-06-14 17:58:29.000'", 1, 0, 0, 0, 0},
        {"a camera without pictures", "d.mkv", "--camera 3", 1, 0, 0, 0, 0},
        {"a name of another container", "e.avi", "", 2, 0, 0, 0, 0},
        {"a folder that cannot be written", "plain/f.mkv", "", 2, 0, 0, 0, 0},
        {"a recording that is not there", "g.mkv", "--camera 1 '" + dir.File("gone.MP4") + "'", 2, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string out = dir.File(c.output);
        const std::string errors = dir.File("stderr");
        const std::string command = std::string(KORVANE_BINARY) + " --export " + ShellQuote(out) + " " + c.options +
                                    (c.status == 2 && c.options.find("gone") != std::string::npos ? "" : " " + ShellQuote(source)) +
                                    " 2>" + ShellQuote(errors);
        const auto [status, line] = RunCommand(command);
        const auto message = ReadWholeFile(errors);
        // The summary alone on stdout; why not, on stderr.
        EXPECT_EQ(line.rfind("exported ", 0) == 0 ? 0 : 2, c.status == 0 ? 0 : 2) << line;
        const std::string said = "\n" + std::string(message.begin(), message.end());  // Qt may warn first
        EXPECT_EQ(said.find("\nexport failed: ") != std::string::npos, c.status != 0) << said;
        EXPECT_EQ(status, c.status) << line;
        EXPECT_EQ(StateOf(source), before);
        if (c.status != 0) { EXPECT_FALSE(AnyOutput(out)); continue; }
        const QJsonObject report = ReadJson(out + ".report.json");
        EXPECT_EQ(report["camera"].toInt(), c.camera);
        EXPECT_EQ(report["pictures"].toInt(), c.pictures);
        EXPECT_EQ(report["first_capture_time"].toString().toStdString(), TimeText(c.firstMs));
        EXPECT_EQ(report["last_capture_time"].toString().toStdString(), TimeText(c.lastMs));
        const ReadClip clip = ReadBack(out);
        ASSERT_EQ(clip.video.size(), std::size_t(c.pictures));
        EXPECT_EQ(clip.video.front().seconds, 0.0);
        EXPECT_EQ(std::llround(clip.video.back().seconds * 1000), c.lastMs - c.firstMs);
    }
}

}  // namespace
}  // namespace korvane::testing
