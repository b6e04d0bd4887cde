// Incident packages from a folder of three cameras over two consecutive
// recordings each: the clips read back with libavformat against the records,
// the manifest against the files, the report through pdftotext, and the
// package through korvane-probe --verify, untouched and damaged.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>

#include <sys/stat.h>

#include <filesystem>

#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"
#include "authoring/TempDir.h"
#include "clip/IncidentExport.h"
#include "clip/Sha256.h"
#include "tests/clip/ClipReadBack.h"
#include "tests/support/Outputs.h"
#include "tests/support/TestData.h"

namespace korvane::testing {
namespace {

SystemTime IncidentStart() { return MakeTime(2024, 3, 9, 22, 14, 0, 0); }
std::string Hex(const std::vector<std::uint8_t>& bytes) { return Sha256::Of(bytes).toStdString(); }

// What went into one camera's recordings, in play order.
struct CameraRecords {
    std::vector<std::vector<std::uint8_t>> units;  // one per picture: the records that make its packet
    std::vector<std::int64_t> ms;
};

struct Folder {
    TempDir dir;
    std::filesystem::path recordings = dir.Path() / "backup";
    std::vector<CameraRecords> cameras = std::vector<CameraRecords>(3);

    Folder() {
        std::filesystem::create_directories(recordings);
        const auto write = [&](const std::string& name, const std::string& text) {
            QFile f(QString::fromStdString((recordings / name).string()));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(text.data(), qint64(text.size()));
        };
        write("mp4info.txt", "[INFO]\nSITENAME=Harbour\nCAMERA_NAME01=Gate\nCAMERA_NAME02=Quay\nCAMERA_NAME03=Office\n");
        const auto mpeg4 = ReadVideoFrames(TestData("mpeg4_704x480.m4v"));
        const auto h264 = ReadVideoFrames(TestData("h264_704x480.h264"));
        const auto jpeg = ReadVideoFrames(TestData("mjpeg_704x480.mjpeg"));
        const auto g721 = ReadAudioBlocks(TestData("g726le_32k.g726"), 800);
        const auto pcm = ReadAudioBlocks(TestData("pcm_s16le_8k.raw"), 1600);
        // Camera 1 MPEG-4 with G.721, camera 2 H.264 with its parameter sets in decoder-only records,
        // camera 3 JPEG with PCM; two recordings each, the second starting a second after the first.
        for (int part = 0; part < 2; ++part) {
            for (int camera = 0; camera < 3; ++camera) {
                RecordingWriter w(kFileKind514);
                w.Header().setPlayCamera(camera, 1);
                const auto& frames = camera == 0 ? mpeg4 : camera == 1 ? h264 : jpeg;
                const std::uint8_t codec = camera == 0 ? 5 : camera == 1 ? 10 : 9;
                for (std::size_t i = 0; i < 10; ++i) {
                    const std::int64_t ms = part * 1000 + std::int64_t(i) * 100 + camera * 7;
                    const SystemTime t = AddMilliseconds(IncidentStart(), ms);
                    std::vector<std::uint8_t> bytes = frames[i].bytes, unit;
                    if (camera == 1 && frames[i].key) {
                        std::size_t at = 0;  // the first slice's start code, after SPS and PPS
                        for (int found = 0; found < 3; ++at)
                            if (bytes[at] == 0 && bytes[at + 1] == 0 && bytes[at + 2] == 1) ++found;
                        at = bytes[at - 2] == 0 ? at - 2 : at - 1;
                        unit.assign(bytes.begin(), bytes.begin() + long(at));
                        w.AddVideo(camera, codec, kFrameDecoderOnly, unit, t);
                        bytes.erase(bytes.begin(), bytes.begin() + long(at));
                    }
                    w.AddVideo(camera, codec, frames[i].key ? kFrameKey : kFrameDependent, bytes, t);
                    unit.insert(unit.end(), bytes.begin(), bytes.end());
                    cameras[std::size_t(camera)].units.push_back(unit);
                    cameras[std::size_t(camera)].ms.push_back(ms);
                    if (camera != 1 && i % 3 == 0)
                        w.AddAudio(camera, camera == 0 ? 8 : 1, (camera == 0 ? g721 : pcm)[i / 3 + std::size_t(part) * 4], t);
                }
                w.WriteFile((recordings / ("CH0" + std::to_string(camera + 1) + "-" + std::to_string(part) + ".MP4")).string());
            }
        }
    }
    std::string Out() const { return (dir.Path() / "package").string(); }
};

void FlipByte(const std::string& path, std::size_t at) {
    std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    bytes[at] ^= 0x40;
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
}

// Every recording's bytes and modification time.
std::map<std::string, std::tuple<std::vector<std::uint8_t>, std::int64_t, std::int64_t>> Sources(const Folder& f) {
    std::map<std::string, std::tuple<std::vector<std::uint8_t>, std::int64_t, std::int64_t>> state;
    for (const auto& entry : std::filesystem::directory_iterator(f.recordings)) {
        struct stat st {};
        ::stat(entry.path().c_str(), &st);
        state[entry.path().string()] = {ReadWholeFile(entry.path().string()), st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
    }
    return state;
}

TEST(IncidentExportTest, PackageHoldsEveryCameraAcrossItsRecordingsAndVerifies) {
    Folder f;
    const auto before = Sources(f);
    IncidentRequest request;
    request.folder = f.Out();
    request.paths = {f.recordings.string()};
    request.note = "Van at the gate";
    request.bookmarks = {{2, "2024-03-09 22:14:01.307", "van stops"}, {1, "2024-03-10 01:00:00.000", "out of the span"}};
    const IncidentResult result = ExportIncident(request);
    ASSERT_EQ(result.status, ExportStatus::Written) << result.message;
    EXPECT_EQ(Sources(f), before);

    const QJsonObject manifest = ReadJson(f.Out() + "/manifest.json");
    const std::string pdf = RunCommand("pdftotext -layout '" + f.Out() + "/report.pdf' -").second;
    const char* names[] = {"Gate", "Quay", "Office"};
    for (std::size_t c = 0; c < 3; ++c) {
        SCOPED_TRACE(names[c]);
        const CameraRecords& records = f.cameras[c];
        const std::string clip = f.Out() + "/CAM" + std::to_string(c + 1) + ".mkv";
        const ReadClip back = ReadBack(clip);
        ASSERT_EQ(back.video.size(), records.units.size());
        for (std::size_t i = 0; i < back.video.size(); ++i) {
            if (c == 1) EXPECT_EQ(NalUnits(back.video[i].data, true), NalUnits(records.units[i], false)) << i;
            else EXPECT_EQ(back.video[i].data, records.units[i]) << i;
            EXPECT_EQ(std::llround(back.video[i].seconds * 1000), records.ms[i] - records.ms[0]) << i;
        }
        EXPECT_EQ(back.audioCodec, c == 1 ? "" : c == 0 ? "adpcm_g726" : "pcm_s16le");
        EXPECT_EQ(FfmpegDecodeMessages(clip), "");
        const QJsonObject camera = manifest["cameras"].toArray().at(qsizetype(c)).toObject();
        EXPECT_EQ(camera["name"].toString().toStdString(), names[c]);
        EXPECT_EQ(camera["audio_codec"].toString().toStdString(), c == 1 ? "none" : back.audioCodec);
        EXPECT_EQ(camera["pictures"].toInt(), 20);
        const std::string first = camera["first_capture_time"].toString().toStdString();
        EXPECT_EQ(first, "2024-03-09 22:14:00.0" + std::string(c == 2 ? "14" : c == 1 ? "07" : "00"));
        for (const std::string& text : {std::string(names[c]), first, camera["last_capture_time"].toString().toStdString()})
            EXPECT_NE(pdf.find(text), std::string::npos) << text;
    }
    EXPECT_EQ(manifest["note"].toString().toStdString(), "Van at the gate");
    EXPECT_EQ(manifest["bookmarks"].toArray().size(), 1);
    EXPECT_NE(pdf.find("van stops"), std::string::npos);
    EXPECT_EQ(pdf.find("does not decode"), std::string::npos);  // every picture of the report is there
    // Every listed file and source hashes as the manifest says, and the report writes each hash out.
    std::size_t listed = 0;
    for (const char* key : {"files", "sources"})
        for (const QJsonValue& v : manifest[key].toArray()) {
            const std::string path = v["path"].toString().toStdString();
            const std::string full = std::string(key) == "files" ? f.Out() + "/" + path : path;
            EXPECT_EQ(v["sha256"].toString().toStdString(), Hex(ReadWholeFile(full))) << path;
            EXPECT_NE(pdf.find(v["sha256"].toString().toStdString()), std::string::npos) << path;
            ++listed;
        }
    EXPECT_EQ(listed, 6u + 6u);
    EXPECT_NE(pdf.find(Hex(ReadWholeFile(f.Out() + "/manifest.json"))), std::string::npos);

    // korvane-probe --verify: untouched, then a flipped byte in a clip or a source, a file gone, no manifest.
    const std::string verify = std::string(KORVANE_PROBE) + " --verify '" + f.Out() + "/manifest.json' 2>&1";
    auto [status, text] = RunCommand(verify);
    EXPECT_EQ(status, 0) << text;
    const std::string source = (f.recordings / "CH02-1.MP4").string();
    const struct { const char* what; std::function<void()> damage; int status; std::string line; } cases[] = {
        {"a clip changed", [&] { FlipByte(f.Out() + "/CAM1.mkv", 5000); }, 1, "DIFFERS  CAM1.mkv"},
        {"a source changed", [&] { FlipByte(source, 3000); }, 1, "DIFFERS  source " + source},
        {"a file gone", [&] { std::filesystem::remove(f.Out() + "/CAM3.mkv.times.csv"); }, 1, "MISSING  CAM3.mkv.times.csv"},
        {"a listed path out of the package",
         [&] {
             auto json = ReadWholeFile(f.Out() + "/manifest.json");
             std::string text(json.begin(), json.end());
             const std::string listed = "\"path\": \"CAM2.mkv\"";
             text.replace(text.find(listed), listed.size(), "\"path\": \"../x.mkv\"");
             FILE* out = std::fopen((f.Out() + "/manifest.json").c_str(), "w");
             std::fputs(text.c_str(), out);
             std::fclose(out);
         },
         1, "MISSING  ../x.mkv: not a path inside the package"},
        {"the manifest unreadable", [&] { FlipByte(f.Out() + "/manifest.json", 0); }, 2, "is no incident manifest"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.damage();
        std::tie(status, text) = RunCommand(verify);
        EXPECT_EQ(status, c.status) << text;
        EXPECT_NE(text.find(c.line), std::string::npos) << text;
    }
}

TEST(IncidentExportTest, CancelledOrRefusedExportsLeaveNothing) {
    Folder f;
    const auto before = Sources(f);
    int calls = 0;
    IncidentRequest request{f.Out(), {f.recordings.string()}, {}, {}, {}, "", ".mp4", {}};
    EXPECT_EQ(ExportIncident(request, [&](double) { return ++calls < 25; }).status, ExportStatus::Cancelled);
    EXPECT_EQ(calls, 25);
    EXPECT_FALSE(std::filesystem::exists(f.Out()));
    EXPECT_EQ(Sources(f), before);

    // The command line: a span, a camera list, and the refusals with their exit status.
    const std::string plain = f.dir.Write("plain", std::string("x"));
    const struct { const char* what; std::string args; int status; std::size_t cameras; } cases[] = {
        {"two cameras of a span", "--cameras 1,3 --from '2024-03-09 22:14:00.500' --to '2024-03-09 22:14:01.500'", 0, 2},
        {"a span before every picture", "--to '2024-03-09 22:13:00.000'", 1, 0},
        {"a folder that cannot be made", "", 2, 0},
        {"a camera list that is none", "--cameras first", 2, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string out = c.status == 2 && c.args.empty() ? plain + "/package" : f.Out() + "-" + std::to_string(&c - cases);
        const auto [status, text] = RunCommand(std::string(KORVANE_BINARY) + " --export-incident '" + out + "' " + c.args +
                                               " '" + f.recordings.string() + "' 2>&1");
        EXPECT_EQ(status, c.status) << text;
        EXPECT_EQ(Sources(f), before);
        if (c.status != 0) {
            EXPECT_FALSE(std::filesystem::exists(out));
            continue;
        }
        const QJsonObject manifest = ReadJson(out + "/manifest.json");
        ASSERT_EQ(manifest["cameras"].toArray().size(), qsizetype(c.cameras)) << text;
        EXPECT_EQ(manifest["cameras"].toArray().at(1).toObject()["camera"].toInt(), 3);
        // The span: the pictures from 22:14:00.500 (its key picture at 00.000 starts the clip) to 01.500.
        EXPECT_EQ(manifest["cameras"].toArray().at(0).toObject()["last_capture_time"].toString().toStdString(),
                  "2024-03-09 22:14:01.500");
    }
}

}  // namespace
}  // namespace korvane::testing
