// Exports of recordings with the damage a sweep of broken files found: times
// far out of order, a codec change inside the span, a decoder-only record
// with a time of its own. Each exports bounded, decodable and honest.
#include <gtest/gtest.h>

#include <QJsonArray>

#include <array>
#include <filesystem>
#include <functional>
#include <sstream>

#include "authoring/FrameSource.h"
#include "authoring/RecordingWriter.h"
#include "authoring/TempDir.h"
#include "clip/ClipExporter.h"
#include "clip/ClipSpan.h"
#include "clip/PacketPlan.h"
#include "clip/SoundTimes.h"
#include "recording/TimeStamp.h"
#include "tests/clip/ClipReadBack.h"
#include "tests/support/Outputs.h"
#include "tests/support/TestData.h"

namespace korvane::testing {
namespace {

SystemTime DamagedStart() { return MakeTime(2023, 6, 14, 17, 58, 30, 0); }
constexpr std::int64_t kDay = 24 * 3600 * 1000;

std::vector<std::string> CsvNotes(const std::string& path) {
    const auto bytes = ReadWholeFile(path);
    std::istringstream csv(std::string(bytes.begin(), bytes.end()));
    std::vector<std::string> notes;
    std::string line;
    for (std::getline(csv, line); std::getline(csv, line);) notes.push_back(line.substr(line.rfind(',') + 1));
    return notes;
}

// Picture times: 100 ms apart unless a case moves one.
struct Damage {
    const char* what;
    std::int64_t pictureShift = 0;  // added to picture 10's time
    std::int64_t soundShift = 0;    // added to the third sound record's time
    bool codecChange = false;       // JPEG from picture 10 on (H.264 before)
    bool ownDecoderOnly = false;    // picture 5 recorded as decoder-only, 50 ms ahead of picture 6
    std::int64_t pause = 0;         // added to every time from picture 10 on (the recorder paused)
    bool mixedSound = false;        // the third sound record 16-bit PCM among G.721 ones
};

struct Made {
    std::string path;
    std::vector<std::int64_t> ms;  // per video record
    std::size_t pictures = 0;
};

Made Build(const Damage& d, const TempDir& dir) {
    const auto h264 = ReadVideoFrames(TestData("h264_704x480.h264"));
    const auto mpeg4 = ReadVideoFrames(TestData("mpeg4_704x480.m4v"));
    const auto jpeg = ReadVideoFrames(TestData("mjpeg_704x480.mjpeg"));
    const auto blocks = ReadAudioBlocks(TestData("g726le_32k.g726"), 800);
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    Made m;
    const std::size_t count = 20;  // the fixtures' H.264 and MPEG-4 pictures
    for (std::size_t i = 0; i < count; ++i) {
        const std::int64_t paused = i >= 10 ? d.pause : 0;
        std::int64_t ms = std::int64_t(i) * 100 + (i == 10 ? d.pictureShift : 0) + paused;
        const bool jpegNow = d.codecChange && i >= 10;
        const auto& frames = d.codecChange ? (jpegNow ? jpeg : h264) : d.ownDecoderOnly ? h264 : mpeg4;
        const VideoFrame& f = frames[jpegNow ? i - 10 : i];
        std::uint8_t type = f.key ? kFrameKey : kFrameDependent;
        if (d.ownDecoderOnly && i == 5) type = kFrameDecoderOnly, ms = 550;
        const std::uint8_t codec = jpegNow ? 9 : (d.codecChange || d.ownDecoderOnly) ? 10 : 5;
        w.AddVideo(0, codec, type, f.bytes, AddMilliseconds(DamagedStart(), ms));
        m.ms.push_back(ms);
        if (type != kFrameDecoderOnly) ++m.pictures;
        if (i % 4 == 0)
            w.AddAudio(0, d.mixedSound && i == 8 ? 1 : 8, blocks[i / 4],
                       AddMilliseconds(DamagedStart(), std::int64_t(i) * 100 + (i == 8 ? d.soundShift : 0) + paused));
    }
    m.path = dir.File("rec.MP4");
    w.WriteFile(m.path);
    return m;
}

const Damage kDamage[] = {
    {"a sound record years ahead", 0, 3000 * kDay},
    {"a sound record years behind", 0, -3000 * kDay},
    {"one picture 22 days ahead", 22 * kDay},
    {"one picture a year behind", -365 * kDay},
    {"H.264, then JPEG", 0, 0, true},
    {"a decoder-only record with picture data and a time of its own", 0, 0, false, true},
    {"five minutes without pictures or sound", 0, 0, false, false, 300'000},
    {"sound records of two codings", 0, 0, false, false, 0, true},
};

TEST(DamagedExportTest, ExportsStayBoundedDecodableAndSayWhatTheyFound) {
    for (const Damage& d : kDamage) {
        SCOPED_TRACE(d.what);
        TempDir dir;
        const Made m = Build(d, dir);
        for (const char* extension : {".mkv", ".mp4"}) {
            SCOPED_TRACE(extension);
            const std::string out = dir.File(std::string("clip") + extension);
            const ExportResult result = ExportClip({m.path, out, {}, {}, {}});
            ASSERT_EQ(result.status, ExportStatus::Written) << result.message;
            const std::vector<std::string> clips =
                d.codecChange ? std::vector<std::string>{out, dir.File(std::string("clip-2") + extension)}
                              : std::vector<std::string>{out};
            EXPECT_EQ(result.moreClips, std::vector<std::string>(clips.begin() + 1, clips.end()));
            std::size_t packets = 0, record = 0;
            for (const std::string& clip : clips) {
                EXPECT_EQ(FfmpegDecodeMessages(clip), "") << clip;
                const ReadClip back = ReadBack(clip);
                packets += back.video.size();
                // Every picture but the damaged one at its capture time after the clip's first.
                for (std::size_t i = 0; i < back.video.size(); ++i, ++record) {
                    if (i > 0) {
                        EXPECT_GT(back.video[i].seconds, back.video[i - 1].seconds) << "packet " << i;
                    }
                    if (d.pictureShift == 0 || record != 10) {
                        EXPECT_EQ(std::llround(back.video[i].seconds * 1000), m.ms[record] - m.ms[record - i]) << record;
                    }
                }
                // The sound ends with the pictures: no gap of years is filled or kept; after a pause it
                // goes on at its own time.
                if (!back.audio.empty()) {
                    EXPECT_LT(back.audio.back().seconds, 3.0 + double(d.pause) / 1000);
                }
                for (std::size_t i = 1; i < back.audio.size(); ++i) EXPECT_GT(back.audio[i].seconds, back.audio[i - 1].seconds);
                if (d.pause > 0) {
                    EXPECT_NEAR(back.audio.back().seconds, 1.6 + double(d.pause) / 1000, 0.2);
                }
            }
            EXPECT_EQ(packets, m.pictures + (d.ownDecoderOnly ? 1 : 0));
            const std::vector<std::string> notes = CsvNotes(out + ".times.csv");
            if (d.pictureShift != 0) {
                EXPECT_EQ(notes.at(10), "out_of_order");
            }
            if (d.ownDecoderOnly) {
                EXPECT_EQ(notes.at(5), "");
            }
            const QJsonObject report = ReadJson(out + ".report.json");
            // Matroska keeps G.721 as recorded; records of two codings are decoded to one.
            EXPECT_EQ(report["audio_codec"].toString(),
                      std::string(extension) == ".mp4" ? "aac" : d.mixedSound ? "pcm_s16le" : "adpcm_g726");
            const QJsonObject part = report["clips"].toArray().at(0).toObject();
            EXPECT_EQ(part["pictures_out_of_order"].toInt(), d.pictureShift != 0 ? 1 : 0);
            EXPECT_EQ(part["sound_records_out_of_order"].toInt(), d.soundShift != 0 ? 1 : 0);
            // MP4's AAC is one stream: a pause longer than a minute is not filled with silence, and said so.
            EXPECT_EQ(part["sound_gaps_not_filled"].toInt(), d.pause > 0 && std::string(extension) == ".mp4" ? 1 : 0);
            EXPECT_EQ(report["last_capture_time"].toString().toStdString(),
                      d.pause > 0 ? "2023-06-14 18:03:31.900" : "2023-06-14 17:58:31.900");
            for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
                EXPECT_NE(entry.path().extension(), ".part") << entry.path();
        }
    }
}

// Capture times of a clip's pictures and the times the clip gives them.
TEST(DamagedExportTest, PictureTimesKeepTheirSpacingAroundDamage) {
    const auto N = TimeNote::None, O = TimeNote::OutOfOrder, A = TimeNote::Adjusted;
    const struct {
        const char* what;
        std::vector<std::int64_t> capture, pts;
        std::vector<TimeNote> notes;
    } cases[] = {
        {"undamaged", {0, 100, 200, 300}, {0, 100, 200, 300}, {N, N, N, N}},
        {"a spike ahead", {0, 100, 90'000'000, 300, 400}, {0, 100, 101, 300, 400}, {N, N, O, N, N}},
        {"a spike behind", {5'000'000, 5'000'100, 0, 5'000'300}, {5'000'000, 5'000'100, 5'000'101, 5'000'300}, {N, N, O, N}},
        {"a real gap is kept", {0, 100, 7'200'000, 7'200'100}, {0, 100, 7'200'000, 7'200'100}, {N, N, N, N}},
        {"a small step back", {0, 100, 200, 150, 250}, {0, 100, 200, 201, 250}, {N, N, N, A, N}},
        {"a step back of an hour keeps the spacing after it", {0, 100, 200, 200 - 3'600'000, 300 - 3'600'000},
         {0, 100, 200, 201, 301}, {N, N, N, A, A}},
        {"equal times move by a millisecond", {0, 100, 100, 200}, {0, 100, 101, 200}, {N, N, A, N}},
        {"the first picture days away", {0, 5 * kDay, 5 * kDay + 100, 5 * kDay + 200},
         {5 * kDay - 1, 5 * kDay, 5 * kDay + 100, 5 * kDay + 200}, {O, N, N, N}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const PictureTimes t = PlanPictureTimes(c.capture);
        EXPECT_EQ(t.ptsMs, c.pts);
        EXPECT_EQ(t.notes, c.notes);
    }
    // A record that only feeds the decoder: its own packet where its time fits between the packets around it.
    const NextPicture next{1000, 1000, N};
    const struct { std::int64_t ms; bool data; std::optional<std::int64_t> previous; bool own; std::int64_t pts; } feeders[] = {
        {950, true, 900, true, 950}, {950, false, 900, false, 1000}, {1000, true, 900, false, 1000},
        {850, true, 900, false, 1000}, {950, true, std::nullopt, true, 950},
    };
    for (const auto& f : feeders) {
        const FeederPlace place = PlaceFeeder(f.ms, f.data, f.previous, next);
        EXPECT_EQ(place.ownPacket, f.own) << f.ms << " " << f.data;
        EXPECT_EQ(place.ptsMs, f.pts) << f.ms << " " << f.data;
    }
}

// Sound records placed as packets of their own, 8,000 samples a second, a clip from 0 to 10 s:
// at their capture times, never over the one before, a millisecond apart at least, damaged times after the rest.
TEST(DamagedExportTest, SoundRecordsKeepTheirTimesAndTheirOrder) {
    const struct {
        const char* what;
        std::vector<std::int64_t> ms, length, start;
        std::size_t outOfOrder;
    } cases[] = {
        {"at their times", {0, 200, 5000}, {1600, 1600, 1600}, {0, 1600, 40'000}, 0},
        {"a record that overlaps the one before follows it", {0, 100}, {1600, 1600}, {0, 1600}, 0},
        {"tiny records a millisecond apart", {0, 0, 1}, {4, 4, 4}, {0, 8, 16}, 0},
        {"sound shortly before the first picture starts the clip", {-500, 0}, {1600, 1600}, {0, 1600}, 0},
        {"a time a year ahead follows the sound before", {0, 365 * kDay, 400}, {1600, 1600, 1600}, {0, 1600, 3200}, 1},
        {"a time a year behind too", {0, -365 * kDay}, {1600, 1600}, {0, 1600}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SoundTimes times(0, 10'000, 8000, SamplesPerMillisecond(8000));
        std::vector<std::int64_t> starts;
        for (std::size_t i = 0; i < c.ms.size(); ++i) {
            starts.push_back(times.Start(c.ms[i]));
            times.Placed(starts.back(), c.length[i]);
        }
        EXPECT_EQ(starts, c.start);
        EXPECT_EQ(times.OutOfOrder(), c.outOfOrder);
    }
}

// A record's head read with its data is taken only when it is the head the index holds.
TEST(DamagedExportTest, AHeadThatIsNotTheIndexedOneIsRefused) {
    FrameHeader indexed;
    indexed.marker = kRecordMarker;
    indexed.timeStamp = DamagedStart();
    indexed.mediaKind = kMediaAudio;
    indexed.codec = 8;
    indexed.setAudioFormat(16, 8000);
    indexed.dataLength = 800;
    ClipRecord record;
    record.entry.time = CaptureMilliseconds(DamagedStart());
    record.entry.keyOffset = indexed.keyFrameOffset;
    record.entry.mediaKind = kMediaAudio;
    record.entry.codec = 8;
    const struct { const char* what; std::function<void(FrameHeader&)> change; } changes[] = {
        {"the same", [](FrameHeader&) {}},
        {"another time", [](FrameHeader& h) { h.timeStamp = AddMilliseconds(h.timeStamp, 1); }},
        {"another camera", [](FrameHeader& h) { h.camera = 1; }},
        {"another kind", [](FrameHeader& h) { h.mediaKind = kMediaVideo; }},
        {"another codec", [](FrameHeader& h) { h.codec = 1; }},
        {"another format", [](FrameHeader& h) { h.setAudioFormat(8, 8000); }},
    };
    for (const auto& c : changes) {
        SCOPED_TRACE(c.what);
        FrameHeader read = indexed;
        c.change(read);
        std::array<std::uint8_t, kRecordHeadSize> bytes{};
        EncodeFrameHeader(read, std::span(bytes).last<kFrameHeaderSize>());
        const std::optional<FrameHeader> head = HeadOf(record, bytes);
        EXPECT_EQ(head.has_value(), std::string(c.what) == "the same");
        EXPECT_EQ(head.value_or(FrameHeader{}).dataLength, head ? 800u : 0u);
    }
}

}  // namespace
}  // namespace korvane::testing
