// korvane-probe on recordings built record by record: what it lists for each
// record, where and why it says the chain ends, its exit status, and that its
// JSON lines parse on their own and tell the same story as the table.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <algorithm>
#include <cctype>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "recording/FrameReader.h"
#include "tests/support/RecordingWriter.h"
#include "tests/support/TempDir.h"
#include "tools/probe/Probe.h"

namespace korvane::testing {
namespace {

using probe::runProbeCommand;

struct ProbeRun {
    int status = -1;
    std::string out;
    std::string err;
};

ProbeRun Probe(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    ProbeRun run;
    run.status = runProbeCommand(args, false, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

std::vector<std::uint8_t> Payload(std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    return bytes;
}

SystemTime TimeAt(int ms) { return AddMilliseconds(MakeTime(2004, 1, 2, 3, 4, 5, 6), ms); }

std::string Trim(const std::string& s) {
    const auto begin = s.find_first_not_of(' ');
    if (begin == std::string::npos) return {};
    return s.substr(begin, s.find_last_not_of(' ') - begin + 1);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// One row of the record table, cut into its columns. The columns are found
// from the table's heading: left-aligned ones start where their title starts,
// right-aligned ones end where their title ends. The empty braces let a
// table of expected rows name only the columns it checks.
struct Row {
    std::string offset{}, camera{}, media{}, codec{}, frameType{}, time{}, data{}, prev{}, keyAudio{}, extension{},
        caption{};
    std::vector<std::string> notes{};
};

std::vector<Row> TableRows(const std::string& text) {
    std::vector<Row> rows;
    const std::vector<std::string> lines = Lines(text);
    auto heading = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
        return Trim(line).rfind("OFFSET", 0) == 0;
    });
    if (heading == lines.end()) return rows;
    const std::string& h = *heading;
    auto start = [&](const char* title) { return h.find(title); };
    auto end = [&](const char* title) { return h.find(title) + std::string(title).size(); };
    const std::size_t offsetEnd = end("OFFSET"), cameraAt = start("CAMERA"), mediaAt = start("MEDIA"),
                      codecAt = start("CODEC"), typeAt = start("FRAME TYPE"), timeAt = start("TIME"),
                      dataEnd = end("DATA"), prevEnd = end("PREV"), extAt = start("EXTENSION"),
                      captionAt = start("CAPTION");
    for (auto it = heading + 1; it != lines.end() && !it->empty(); ++it) {
        const std::string& line = *it;
        if (Trim(line).rfind("note:", 0) == 0) {
            if (!rows.empty()) rows.back().notes.push_back(Trim(line));
            continue;
        }
        auto cut = [&](std::size_t from, std::size_t to) {
            return from >= line.size() ? std::string() : Trim(line.substr(from, to - from));
        };
        Row row;
        row.offset = cut(0, offsetEnd);
        row.camera = cut(cameraAt, mediaAt);
        row.media = cut(mediaAt, codecAt);
        row.codec = cut(codecAt, typeAt);
        row.frameType = cut(typeAt, timeAt);
        // The time is left-aligned and the data length right-aligned beside it.
        const std::string timeAndData = cut(timeAt, dataEnd);
        const auto lastSpace = timeAndData.find_last_of(' ');
        row.time = Trim(timeAndData.substr(0, lastSpace));
        row.data = timeAndData.substr(lastSpace + 1);
        row.prev = cut(dataEnd, prevEnd);
        row.keyAudio = cut(prevEnd, extAt);
        row.extension = cut(extAt, captionAt);
        row.caption = line.size() > captionAt ? line.substr(captionAt) : std::string();
        rows.push_back(row);
    }
    return rows;
}

// The value after a label in the header block or the summary.
std::string Labelled(const std::string& text, const std::string& label) {
    for (const std::string& line : Lines(text)) {
        const std::string trimmed = Trim(line);
        if (trimmed.rfind(label + " ", 0) == 0) return Trim(trimmed.substr(label.size()));
    }
    return "<no " + label + ">";
}

struct JsonRun {
    QJsonObject header;
    std::vector<QJsonObject> records;
    QJsonObject summary;
};

// Parses every line on its own; a line that is not a JSON object fails the test.
JsonRun ParseJson(const std::string& out) {
    JsonRun run;
    for (const std::string& line : Lines(out)) {
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
        EXPECT_TRUE(doc.isObject()) << line;
        const QJsonObject o = doc.object();
        const QString type = o.value("type").toString();
        if (type == "header") {
            EXPECT_TRUE(run.header.isEmpty()) << "second header object";
            run.header = o;
        } else if (type == "record") {
            run.records.push_back(o);
        } else if (type == "summary") {
            EXPECT_TRUE(run.summary.isEmpty()) << "second summary object";
            run.summary = o;
        } else {
            ADD_FAILURE() << "object of unknown type: " << line;
        }
    }
    return run;
}

std::string Str(const QJsonValue& v) { return v.toString().toStdString(); }
std::int64_t Num(const QJsonValue& v) {
    EXPECT_TRUE(v.isDouble()) << "not a number";
    return v.toInteger();
}

// Runs the probe both ways and checks that the table and the JSON lines list
// the same records with the same fields and end with the same status.
struct Both {
    ProbeRun text;
    ProbeRun json;
    std::vector<Row> rows;
    JsonRun parsed;
};

Both ProbeBoth(const std::string& path) {
    Both b;
    b.text = Probe({path});
    b.json = Probe({path, "--json"});
    b.rows = TableRows(b.text.out);
    b.parsed = ParseJson(b.json.out);
    EXPECT_EQ(b.text.status, b.json.status);
    EXPECT_EQ(b.parsed.summary.value("exitStatus").toInt(), b.json.status);
    EXPECT_EQ(b.rows.size(), b.parsed.records.size());
    for (std::size_t i = 0; i < std::min(b.rows.size(), b.parsed.records.size()); ++i) {
        const Row& row = b.rows[i];
        const QJsonObject& r = b.parsed.records[i];
        SCOPED_TRACE("record " + std::to_string(i));
        EXPECT_EQ(Num(r.value("index")), static_cast<std::int64_t>(i));
        EXPECT_EQ(row.offset, std::to_string(Num(r.value("offset"))));
        EXPECT_EQ(row.camera, Str(r.value("cameraLabel")));
        EXPECT_EQ(row.codec, std::to_string(Num(r.value("codec"))) + " " + Str(r.value("codecName")));
        EXPECT_EQ(row.time, Str(r.value("time")));
        EXPECT_EQ(row.data, std::to_string(Num(r.value("dataLength"))));
        EXPECT_EQ(row.prev, std::to_string(Num(r.value("prevOffset"))));
        if (Str(r.value("media")) == "audio") {
            EXPECT_EQ(row.media, "audio");
            EXPECT_EQ(row.keyAudio, std::to_string(Num(r.value("audioSampleBits"))) + "-bit " +
                                        std::to_string(Num(r.value("audioSampleRate"))) + " Hz");
        } else {
            EXPECT_EQ(row.keyAudio, std::to_string(Num(r.value("keyFrameOffset"))));
            EXPECT_EQ(row.frameType,
                      std::to_string(Num(r.value("frameType"))) + " " + Str(r.value("frameTypeName")));
        }
        const QJsonValue ext = r.value("extension");
        if (ext.isObject() && ext.toObject().value("marked").toBool()) {
            const QJsonObject e = ext.toObject();
            EXPECT_EQ(row.extension.rfind(std::to_string(Num(e.value("width"))) + "x" +
                                              std::to_string(Num(e.value("height"))) + " \"",
                                          0),
                      0u)
                << row.extension;
        }
        if (Num(r.value("totalLength")) <= Num(r.value("dataLength"))) {
            EXPECT_EQ(row.caption, "-");
        }
    }
    // The offsets of the chain only ever grow.
    for (std::size_t i = 1; i < b.parsed.records.size(); ++i)
        EXPECT_GT(Num(b.parsed.records[i].value("offset")), Num(b.parsed.records[i - 1].value("offset")));
    return b;
}

// Writes the recording into a folder of its own and probes it both ways.
Both ProbeRecording(const RecordingWriter& w) {
    TempDir dir;
    const std::string path = dir.File("rec.MP4");
    w.WriteFile(path);
    return ProbeBoth(path);
}

// Checks the table columns that `expected` fills in; an empty one is not checked.
void ExpectColumns(const Row& row, const Row& expected) {
    static const std::pair<const char*, std::string Row::*> kColumns[] = {
        {"offset", &Row::offset},     {"camera", &Row::camera},       {"media", &Row::media},
        {"codec", &Row::codec},       {"frame type", &Row::frameType}, {"time", &Row::time},
        {"data", &Row::data},         {"prev", &Row::prev},           {"key/audio", &Row::keyAudio},
        {"extension", &Row::extension}, {"caption", &Row::caption}};
    for (const auto& [name, column] : kColumns) {
        if (!(expected.*column).empty()) {
            EXPECT_EQ(row.*column, expected.*column) << name;
        }
    }
}

std::vector<std::int64_t> JsonOffsets(const JsonRun& run) {
    std::vector<std::int64_t> offsets;
    for (const QJsonObject& r : run.records) offsets.push_back(Num(r.value("offset")));
    return offsets;
}

std::vector<std::int64_t> Expected(const std::vector<std::uint32_t>& offsets) {
    return {offsets.begin(), offsets.end()};
}

// ---------------------------------------------------------------------------

TEST(Probe, Kind514_SeveralCamerasWithAudio_ListsEveryRecordWithItsFields) {
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(1, 1);
    w.Header().setPlayCamera(2, 1);
    w.Header().setNameCamera(0, 1);

    RecordSpec first;
    first.header.camera = 1;
    first.header.codec = 5;
    first.header.frameType = kFrameKey;
    first.header.timeStamp = TimeAt(0);
    first.data = Payload(300, 1);
    first.caption = MakeCaption("Front door", 10, 20);
    first.extension = MakeExtension(352, 240, "Lobby");
    const std::uint32_t a = w.Add(first);
    const std::uint32_t b = w.AddVideo(0, 9, kFrameKey, Payload(120, 2), TimeAt(40));
    const std::uint32_t c = w.AddAudio(1, 8, Payload(256, 3), TimeAt(41), 4, 8000);
    const std::uint32_t d = w.AddVideo(2, 13, kFrameGroup, Payload(90, 4), TimeAt(80));
    const std::uint32_t e = w.AddAudio(1, 2, Payload(508, 5), TimeAt(81), 4, 11025);
    const std::uint32_t f = w.AddVideo(1, 42, kFrameDependent, Payload(64, 6), TimeAt(1000));

    const Both both = ProbeRecording(w);
    EXPECT_EQ(both.text.status, 0) << both.text.err;
    EXPECT_EQ(both.text.err, "");
    EXPECT_EQ(JsonOffsets(both.parsed), Expected(w.Offsets()));

    // Header block.
    EXPECT_EQ(Labelled(both.text.out, "File kind"), "514");
    EXPECT_EQ(Labelled(both.text.out, "Camera"), "CAM 2 (camera 1), first entry of the play table");
    EXPECT_EQ(Labelled(both.text.out, "Play table"), "CAM 2, CAM 3");
    EXPECT_EQ(Labelled(both.text.out, "First record"), "at 584");
    EXPECT_EQ(Labelled(both.text.out, "dataEnd"), std::to_string(w.End()) + " (the end of the file)");

    ASSERT_EQ(both.rows.size(), 6u);

    ASSERT_EQ(both.parsed.records.size(), 6u);
    const std::string at = std::to_string(a);
    const Row expected[] = {
        {.offset = at, .camera = "CAM 2", .media = "video", .codec = "5 MPEG-4", .frameType = "1 key",
         .time = "2004-01-02 03:04:05  006", .data = "300", .keyAudio = at, .extension = "352x240 \"Lobby\"",
         .caption = "10 B \"Front door\""},
        {.offset = std::to_string(b), .camera = "CAM 1", .codec = "9 JPEG", .time = "2004-01-02 03:04:05  046",
         .extension = "-", .caption = "-"},
        // The writer points an audio record's prevOffset at its camera's last picture.
        {.offset = std::to_string(c), .media = "audio", .codec = "8 G.721", .prev = at, .keyAudio = "4-bit 8000 Hz"},
        {.offset = std::to_string(d), .codec = "13 H.264", .frameType = "3 group"},
        {.offset = std::to_string(e), .codec = "2 IMA ADPCM", .keyAudio = "4-bit 11025 Hz"},
        {.offset = std::to_string(f), .codec = "42 unknown", .frameType = "0 dependent",
         .time = "2004-01-02 03:04:06  006", .prev = at},
    };
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE("row " + std::to_string(i));
        ExpectColumns(both.rows[i], expected[i]);
    }

    // Summary: counts per camera and where the chain and the player's reading end.
    EXPECT_EQ(Labelled(both.text.out, "Records"), "6: video 4, audio 2");
    EXPECT_EQ(Labelled(both.text.out, "CAM 1"), "video 1, audio 0");
    EXPECT_EQ(Labelled(both.text.out, "CAM 2"), "video 2, audio 2");
    EXPECT_EQ(Labelled(both.text.out, "CAM 3"), "video 1, audio 0");
    EXPECT_EQ(Labelled(both.text.out, "Chain end"), "reached dataEnd at " + std::to_string(w.End()));
    EXPECT_EQ(Labelled(both.text.out, "Forward play"),
              "CAM 2: 1 record at 584; stops at " + std::to_string(b) + ": a record of CAM 1");

    const QJsonObject& s = both.parsed.summary;
    EXPECT_EQ(Num(s.value("records")), 6);
    EXPECT_EQ(Str(s.value("end")), "data-end");
    EXPECT_TRUE(s.value("stopOffset").isNull());
    const QJsonArray cams = s.value("cameras").toArray();
    ASSERT_EQ(cams.size(), 3);
    EXPECT_EQ(Num(cams[1].toObject().value("camera")), 1);
    EXPECT_EQ(Num(cams[1].toObject().value("video")), 2);
    EXPECT_EQ(Num(cams[1].toObject().value("audio")), 2);
    const QJsonObject play = s.value("forwardPlay").toObject();
    EXPECT_EQ(Num(play.value("camera")), 1);
    EXPECT_EQ(Num(play.value("records")), 1);
    EXPECT_EQ(Num(play.value("stopOffset")), b);

    const QJsonObject& h = both.parsed.header;
    EXPECT_EQ(Num(h.value("fileKind")), 514);
    EXPECT_EQ(Num(h.value("camera")), 1);
    EXPECT_EQ(Num(h.value("dataEnd")), w.End());
    EXPECT_EQ(Num(h.value("fileSize")), w.End());
    EXPECT_EQ(Num(h.value("firstRecordOffset")), 584);
    EXPECT_EQ(h.value("playTable").toArray(), (QJsonArray{1, 2}));
    EXPECT_EQ(h.value("nameTable").toArray(), (QJsonArray{0}));

    const QJsonObject r0 = both.parsed.records[0];
    EXPECT_EQ(Num(r0.value("totalLength")), 300 + 80 + 10);
    EXPECT_EQ(Num(r0.value("nextOffset")), b);
    const QJsonObject cap = r0.value("caption").toObject();
    EXPECT_EQ(Str(cap.value("text")), "Front door");
    EXPECT_TRUE(cap.value("enabled").toBool());
    EXPECT_EQ(Num(cap.value("x")), 10);
    EXPECT_EQ(Num(cap.value("y")), 20);
    EXPECT_EQ(Str(cap.value("font")), "DejaVu Sans");
    EXPECT_EQ(Str(r0.value("extension").toObject().value("name")), "Lobby");
    const QJsonObject r2 = both.parsed.records[2];
    EXPECT_FALSE(r2.contains("keyFrameOffset"));
    EXPECT_EQ(Num(r2.value("audioSampleRate")), 8000);
}

TEST(Probe, Kind771With33Channels_StartsAt604AndPlaysCamera32) {
    RecordingWriter w(kFileKind771, 33);
    w.AddVideo(32, 10, kFrameKey, Payload(100, 1), TimeAt(0));
    w.AddAudio(32, 1, Payload(160, 2), TimeAt(20));
    w.AddVideo(32, 10, kFrameDependent, Payload(50, 3), TimeAt(40));

    const Both both = ProbeRecording(w);
    EXPECT_EQ(both.text.status, 0);
    EXPECT_EQ(Labelled(both.text.out, "File kind"), "771");
    EXPECT_EQ(Labelled(both.text.out, "Channels").rfind("33 (1 extra channel entry", 0), 0u);
    EXPECT_EQ(Labelled(both.text.out, "Camera"), "CAM 33 (camera 32), channel count 33 - 1");
    EXPECT_EQ(Labelled(both.text.out, "First record"), "at 604");
    ASSERT_EQ(both.rows.size(), 3u);
    ASSERT_EQ(both.parsed.records.size(), 3u);
    EXPECT_EQ(both.rows[0].offset, "604");
    EXPECT_EQ(both.rows[1].codec, "1 PCM");
    EXPECT_EQ(Labelled(both.text.out, "CAM 33"), "video 2, audio 1");
    EXPECT_EQ(Labelled(both.text.out, "Forward play"),
              "CAM 33: 3 records, 604 to " + std::to_string(w.Offsets()[2]) +
                  "; reads to the end of the chain");
    EXPECT_EQ(Num(both.parsed.header.value("camera")), 32);
    EXPECT_EQ(Num(both.parsed.header.value("channelCount")), 33);
    EXPECT_EQ(Num(both.parsed.header.value("extraChannelEntries")), 1);
    EXPECT_EQ(Num(both.parsed.header.value("firstRecordOffset")), 604);
}

TEST(Probe, HeaderNamingNoCamera_SaysThePlayerKeepsItsCamera) {
    struct Case {
        const char* name;
        std::uint32_t kind;
        std::uint16_t channels;
    };
    for (const Case& c : {Case{"514 with an empty play table", kFileKind514, 0},
                          Case{"771 with 32 channels", kFileKind771, 32},
                          Case{"unknown kind", 1234, 40}}) {
        SCOPED_TRACE(c.name);
        RecordingWriter w(c.kind, c.channels);
        w.AddVideo(0, 5, kFrameKey, Payload(10, 1), TimeAt(0));
        w.AddVideo(3, 5, kFrameKey, Payload(10, 1), TimeAt(0));

        const Both both = ProbeRecording(w);
        EXPECT_EQ(both.text.status, 0);
        EXPECT_EQ(Labelled(both.text.out, "Camera"),
                  "none named by the header: the player keeps its previous camera (0 at start)");
        EXPECT_EQ(Labelled(both.text.out, "First record"), "at 584");
        EXPECT_TRUE(both.parsed.header.value("camera").isNull());
        EXPECT_EQ(Num(both.parsed.header.value("firstRecordOffset")), 584);
        // Reading starts with camera 0 and stops at camera 3's record.
        EXPECT_EQ(Labelled(both.text.out, "Forward play"),
                  "CAM 1: 1 record at 584; stops at " + std::to_string(w.Offsets()[1]) +
                      ": a record of CAM 4");
    }
}

TEST(Probe, Captions_ShowTextEscapedAndSayWhenDroppedOrDisabled) {
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    const std::string special = std::string("Gate \"B\"\\1\n\xB0") + '\0';
    const std::string longText(100, 'x');

    auto add = [&](Caption caption) {
        RecordSpec entry;
        entry.header.codec = 5;
        entry.header.frameType = kFrameKey;
        entry.data = Payload(40, 1);
        entry.caption = std::move(caption);
        return w.Add(std::move(entry));
    };
    add(MakeCaption(special, 1, 2));
    add(MakeCaption("hidden", 1, 2, 0x00FFFFFF, "DejaVu Sans", 20, false));
    Caption unmarked = MakeCaption("lost", 1, 2);
    unmarked.descriptor.captionMarker = 0x1234;
    add(unmarked);
    add(MakeCaption(longText, 1, 2));
    const std::string oversized(kCaptionTextCapacity + 100, 'y');
    add(MakeCaption(oversized, 1, 2));
    w.AddVideo(0, 5, kFrameDependent, Payload(40, 2), TimeAt(0));

    const Both both = ProbeRecording(w);
    // Every record is still found: a caption, marked or not, sits inside totalLength.
    EXPECT_EQ(both.text.status, 0);
    EXPECT_EQ(JsonOffsets(both.parsed), Expected(w.Offsets()));
    ASSERT_EQ(both.rows.size(), 6u);
    ASSERT_EQ(both.parsed.records.size(), 6u);

    EXPECT_EQ(both.rows[0].caption, "13 B \"Gate \\\"B\\\"\\\\1\\n\\xB0\\0\"");
    EXPECT_EQ(both.rows[1].caption, "6 B (disabled) \"hidden\"");
    EXPECT_EQ(both.rows[2].caption, "dropped: marker 0x1234, not 514");
    EXPECT_EQ(both.rows[3].caption.rfind("100 B \"xxxx", 0), 0u);
    EXPECT_EQ(both.rows[3].caption.substr(both.rows[3].caption.size() - 4), "\"...");
    EXPECT_LT(both.rows[3].caption.size(), 60u);
    ASSERT_EQ(both.rows[4].notes.size(), 1u);
    EXPECT_NE(both.rows[4].notes[0].find("caption text longer than the player's 5120-byte buffer"),
              std::string::npos);
    EXPECT_EQ(Labelled(both.text.out, "Forward play"),
              "CAM 1: 4 records, 584 to " + std::to_string(w.Offsets()[3]) + "; stops at " +
                  std::to_string(w.Offsets()[4]) + ": its caption text exceeds the player's buffer");

    const auto caption = [&](int i) { return both.parsed.records[i].value("caption").toObject(); };
    EXPECT_EQ(caption(0).value("text").toString(), QString::fromLatin1(special.data(), special.size()));
    EXPECT_TRUE(caption(0).value("textComplete").toBool());
    EXPECT_FALSE(caption(1).value("enabled").toBool());
    EXPECT_FALSE(caption(2).value("marked").toBool());
    EXPECT_EQ(Num(caption(2).value("marker")), 0x1234);
    EXPECT_TRUE(caption(2).value("text").isNull());
    EXPECT_EQ(Str(caption(3).value("text")), longText);
    EXPECT_EQ(Num(caption(4).value("textLength")), static_cast<std::int64_t>(oversized.size()));
    EXPECT_EQ(caption(4).value("text").toString().size(), static_cast<qsizetype>(kCaptionTextCapacity));
    EXPECT_FALSE(caption(4).value("textComplete").toBool());
    EXPECT_TRUE(both.parsed.records[4].value("exceedsPlayerBuffers").toBool());
    EXPECT_TRUE(both.parsed.records[5].value("caption").isNull());
}

TEST(Probe, ExtensionFlags_OnlyTheLowFourBitsCountAndAMarklessBlockIsNotCounted) {
    RecordingWriter w(kFileKind514);
    auto add = [&](std::uint8_t flags, std::optional<FrameExtension> ext) {
        RecordSpec entry;
        entry.header.codec = 10;
        entry.header.frameType = kFrameKey;
        entry.header.extFlags = flags;
        entry.data = Payload(30, 1);
        entry.extension = std::move(ext);
        return w.Add(std::move(entry));
    };
    add(0x11, MakeExtension(704, 480, "Lot \"N\""));
    add(0x21, MakeExtension(1280, 720, "A name much longer than the table shows"));
    add(0x02, std::nullopt);
    // Flagged, but no block written: the 58 bytes read as the block are the
    // next record's head, which lacks the marker, so the next record follows
    // the data directly.
    add(0x01, std::nullopt);
    const std::uint32_t last = w.AddVideo(0, 10, kFrameDependent, Payload(30, 2), TimeAt(0));

    const Both both = ProbeRecording(w);
    EXPECT_EQ(both.text.status, 0);
    EXPECT_EQ(JsonOffsets(both.parsed), Expected(w.Offsets()));
    ASSERT_EQ(both.rows.size(), 5u);
    ASSERT_EQ(both.parsed.records.size(), 5u);
    EXPECT_EQ(both.rows[0].extension, "704x480 \"Lot \\\"N\\\"\"");
    EXPECT_EQ(both.rows[1].extension, "1280x720 \"A name much long...\"");
    EXPECT_EQ(both.rows[2].extension, "- (flags 0x02)");
    EXPECT_EQ(both.rows[3].extension.rfind("flagged, no marker", 0), 0u);

    const auto record = [&](int i) { return both.parsed.records[i]; };
    EXPECT_EQ(Str(record(0).value("extension").toObject().value("name")), "Lot \"N\"");
    EXPECT_EQ(Num(record(0).value("extFlags")), 0x11);
    EXPECT_EQ(Str(record(1).value("extension").toObject().value("name")),
              "A name much longer than the table shows");
    EXPECT_TRUE(record(2).value("extension").isNull());
    EXPECT_EQ(Num(record(2).value("extFlags")), 2);
    EXPECT_FALSE(record(3).value("extension").toObject().value("marked").toBool());
    EXPECT_EQ(Num(record(3).value("nextOffset")), last);
}

TEST(Probe, DataEndSmallerThanTheFile_ListsOnlyRecordsBeforeIt) {
    RecordingWriter w(kFileKind514);
    for (int i = 0; i < 4; ++i) w.AddVideo(0, 5, i == 0 ? kFrameKey : kFrameDependent, Payload(64, 1), TimeAt(i));
    w.SetDataEnd(w.Offsets()[2]);

    const Both both = ProbeRecording(w);
    EXPECT_EQ(both.text.status, 0);
    EXPECT_EQ(JsonOffsets(both.parsed), (std::vector<std::int64_t>{w.Offsets()[0], w.Offsets()[1]}));
    EXPECT_EQ(Labelled(both.text.out, "dataEnd"),
              std::to_string(w.Offsets()[2]) + " (" + std::to_string(w.End() - w.Offsets()[2]) +
                  " bytes before the end of the file; they are never read)");
    EXPECT_EQ(Str(both.parsed.header.value("dataEndVsFileSize")), "smaller");
    EXPECT_EQ(Labelled(both.text.out, "Chain end"), "reached dataEnd at " + std::to_string(w.Offsets()[2]));
}

TEST(Probe, EmptyAndImpossibleDataEnd_SayThereAreNoRecords) {
    RecordingWriter w(kFileKind514);
    w.AddVideo(0, 5, kFrameKey, Payload(64, 1), TimeAt(0));

    w.SetDataEnd(584);
    const Both empty = ProbeRecording(w);
    EXPECT_EQ(empty.text.status, 0);
    EXPECT_TRUE(empty.rows.empty());
    EXPECT_EQ(Labelled(empty.text.out, "Chain end"), "no records: dataEnd is the first record's offset");
    EXPECT_EQ(Labelled(empty.text.out, "Forward play"), "CAM 1: no record is read");

    w.SetDataEnd(100);
    const Both before = ProbeRecording(w);
    EXPECT_EQ(before.text.status, 1);
    EXPECT_TRUE(before.rows.empty());
    EXPECT_EQ(Labelled(before.text.out, "Chain end"),
              "stopped at offset 584: dataEnd 100 lies before the first record");
    EXPECT_EQ(Num(before.parsed.summary.value("stopOffset")), 584);
}

TEST(Probe, ChainCutShort_SaysWhyAndWhere) {
    struct Case {
        const char* name;
        bool caption;
        bool extension;
        std::uint32_t cut;  // bytes removed from the end of the file
        const char* reason;
    };
    // The last record has 100 data bytes, maybe a caption of 80 + 5 bytes and
    // maybe a 58-byte extension; the file is cut inside one of its blocks.
    for (const Case& c :
         {Case{"in the extension", false, true, 10, "extension block runs past the end of the file"},
          Case{"in the caption text", true, false, 3, "caption text runs past the end of the file"},
          Case{"in the descriptor", true, false, 50, "caption descriptor runs past the end of the file"},
          Case{"in the data", false, false, 20, "record data runs past the end of the file"},
          Case{"in the head", false, false, 120, "record header runs past the end of the file"}}) {
        SCOPED_TRACE(c.name);
        RecordingWriter w(kFileKind514);
        w.AddVideo(0, 5, kFrameKey, Payload(64, 1), TimeAt(0));
        RecordSpec entry;
        entry.header.frameType = kFrameDependent;
        entry.data = Payload(100, 2);
        if (c.caption) entry.caption = MakeCaption("Hello", 0, 0);
        if (c.extension) entry.extension = MakeExtension(352, 240, "Z");
        const std::uint32_t last = w.Add(entry);
        const std::uint32_t size = w.End() - last;
        ASSERT_EQ(size, 56u + 100 + (c.caption ? 85 : 0) + (c.extension ? 58 : 0));
        w.Truncate(w.End() - c.cut);

        const Both both = ProbeRecording(w);
        EXPECT_EQ(both.text.status, 1);
        const std::string chainEnd = Labelled(both.text.out, "Chain end");
        EXPECT_EQ(chainEnd.rfind("stopped at offset " + std::to_string(last) + ": " + c.reason, 0), 0u)
            << chainEnd;
        const QJsonObject& s = both.parsed.summary;
        EXPECT_EQ(Num(s.value("stopOffset")), last);
        EXPECT_EQ(Num(s.value("records")), 1);
        EXPECT_EQ(Num(s.value("exitStatus")), 1);
        EXPECT_NE(Str(s.value("reason")).find(c.reason), std::string::npos);
        // A record whose head was read is listed, marked as cut short and not counted.
        const bool headRead = size - c.cut >= 56;
        ASSERT_EQ(both.parsed.records.size(), headRead ? 2u : 1u);
        if (headRead) {
            EXPECT_EQ(Str(both.parsed.records[1].value("status")), "cut-short");
            EXPECT_EQ(Str(both.parsed.records[1].value("problem")), c.reason);
            ASSERT_EQ(both.rows.size(), 2u);
            ASSERT_FALSE(both.rows[1].notes.empty());
            EXPECT_EQ(both.rows[1].notes.back(), std::string("note: ") + c.reason);
        }
    }
}

TEST(Probe, DataEndBeyondTheFile_StopsWhereTheFileEnds) {
    RecordingWriter w(kFileKind514);
    w.AddVideo(0, 5, kFrameKey, Payload(64, 1), TimeAt(0));
    const std::uint32_t end = w.End();
    w.SetDataEnd(end + 1000);

    const Both both = ProbeRecording(w);
    EXPECT_EQ(both.text.status, 1);
    EXPECT_EQ(Labelled(both.text.out, "dataEnd"),
              std::to_string(end + 1000) + " (1000 bytes beyond the end of the file)");
    EXPECT_EQ(Str(both.parsed.header.value("dataEndVsFileSize")), "larger");
    EXPECT_EQ(Labelled(both.text.out, "Chain end"),
              "stopped at offset " + std::to_string(end) +
                  ": record header runs past the end of the file (the file is " + std::to_string(end) +
                  " bytes)");
    EXPECT_EQ(both.rows.size(), 1u);
}

TEST(Probe, RecordRunningPastDataEnd_StopsAtThatRecord) {
    RecordingWriter w(kFileKind514);
    for (int i = 0; i < 3; ++i) w.AddVideo(0, 5, kFrameKey, Payload(64, 1), TimeAt(i));
    const std::uint32_t cut = w.Offsets()[1] + 10;
    w.SetDataEnd(cut);

    const Both both = ProbeRecording(w);
    EXPECT_EQ(both.text.status, 1);
    // The record that begins below dataEnd is still read, as the player reads it.
    EXPECT_EQ(JsonOffsets(both.parsed), (std::vector<std::int64_t>{w.Offsets()[0], w.Offsets()[1]}));
    EXPECT_EQ(Labelled(both.text.out, "Chain end"),
              "stopped at offset " + std::to_string(w.Offsets()[1]) + ": the record runs " +
                  std::to_string(w.Offsets()[2] - cut) + " bytes past dataEnd " + std::to_string(cut) +
                  " (it would be followed at " + std::to_string(w.Offsets()[2]) + ")");
    EXPECT_EQ(Str(both.parsed.summary.value("end")), "past-data-end");
}

TEST(Probe, BadNextOffset_StopsAtTheRecordWithoutMarker) {
    RecordingWriter w(kFileKind514);
    for (int i = 0; i < 4; ++i) w.AddVideo(0, 5, kFrameKey, Payload(64, 1), TimeAt(i));
    // Record 1 claims 8 more data bytes: the chain lands 8 bytes into record 2.
    w.PatchU32(w.Offsets()[1] + 16 + 28, 64 + 8);
    w.PatchU32(w.Offsets()[1] + 16 + 36, 64 + 8);

    const Both both = ProbeRecording(w);
    EXPECT_EQ(both.text.status, 1);
    const std::uint32_t landed = w.Offsets()[2] + 8;
    EXPECT_EQ(JsonOffsets(both.parsed),
              (std::vector<std::int64_t>{w.Offsets()[0], w.Offsets()[1], landed}));
    ASSERT_EQ(both.parsed.records.size(), 3u);
    EXPECT_EQ(Str(both.parsed.records[2].value("status")), "bad-marker");
    EXPECT_EQ(Num(both.parsed.summary.value("records")), 2);
    EXPECT_EQ(Num(both.parsed.summary.value("stopOffset")), landed);
    EXPECT_EQ(Str(both.parsed.summary.value("end")), "bad-marker");
    const std::string chainEnd = Labelled(both.text.out, "Chain end");
    EXPECT_EQ(chainEnd.rfind("stopped at offset " + std::to_string(landed) + ": record marker is ", 0), 0u)
        << chainEnd;
    EXPECT_NE(chainEnd.find("the player's reading stops here, and so does the probe"), std::string::npos);
}

TEST(Probe, FirstRecordWithoutMarker_IsListedWithANoteAndTheWalkGoesOn) {
    RecordingWriter w(kFileKind514);
    for (int i = 0; i < 3; ++i) w.AddVideo(0, 5, kFrameKey, Payload(64, 1), TimeAt(i));
    w.PatchU16(w.Offsets()[0] + 16, 0x4242);

    const Both both = ProbeRecording(w);
    EXPECT_EQ(both.text.status, 0);
    EXPECT_EQ(JsonOffsets(both.parsed), Expected(w.Offsets()));
    ASSERT_EQ(both.rows.size(), 3u);
    ASSERT_EQ(both.parsed.records.size(), 3u);
    ASSERT_EQ(both.rows[0].notes.size(), 1u);
    EXPECT_EQ(both.rows[0].notes[0],
              "note: marker is 16962, not 514 (the player does not check the first record's marker)");
    EXPECT_EQ(Num(both.parsed.records[0].value("marker")), 0x4242);
    EXPECT_EQ(Str(both.parsed.records[0].value("status")), "ok");
}

TEST(Probe, MarklessExtensionWritten_ChainStopsAtTheUncountedBlock) {
    RecordingWriter w(kFileKind514);
    RecordSpec entry;
    entry.header.frameType = kFrameKey;
    entry.data = Payload(20, 1);
    entry.extension = MakeExtension(352, 240, "Cam");
    entry.extension->extMarker = 0;
    const std::uint32_t first = w.Add(entry);
    w.AddVideo(0, 5, kFrameDependent, Payload(20, 2), TimeAt(0));

    const Both both = ProbeRecording(w);
    EXPECT_EQ(both.text.status, 1);
    const std::int64_t block = first + 56 + 20;
    EXPECT_EQ(Num(both.parsed.summary.value("stopOffset")), block);
    EXPECT_EQ(Str(both.parsed.summary.value("reason")).rfind("record marker is 0 (0x0000), not 514", 0), 0u);
}

TEST(Probe, UnreadableFiles_ExitWithStatus2AndAMessage) {
    TempDir dir;
    const ProbeRun missing = Probe({dir.File("missing.MP4")});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err.find("cannot open"), std::string::npos);

    const std::vector<std::uint8_t> stub(583, 0);
    const ProbeRun shorter = Probe({dir.Write("stub.MP4", stub), "--json"});
    EXPECT_EQ(shorter.status, 2);
    EXPECT_EQ(shorter.out, "");
    EXPECT_NE(shorter.err.find("583 bytes, shorter than the 584-byte file header"), std::string::npos);
}

TEST(Probe, CommandLine_HelpUsageAndBadArguments) {
    const ProbeRun help = Probe({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: korvane-probe FILE [--json]", 0), 0u);
    EXPECT_EQ(help.err, "");

    const ProbeRun none = Probe({});
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("Usage:"), std::string::npos);

    const ProbeRun unknown = Probe({"x.MP4", "--jsn"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("unknown option --jsn"), std::string::npos);
    EXPECT_EQ(unknown.out, "");

    const ProbeRun two = Probe({"a.MP4", "b.MP4"});
    EXPECT_EQ(two.status, 2);
    EXPECT_EQ(two.out, "");
}

// The demo recording: a minute of camera 0 (25 pictures a second, a G.721
// block every second picture), then 300 H.264 pictures of camera 1.
TEST(Probe, DemoRecording_ListsEveryRecordToDataEnd) {
    const std::string path = std::string(KORVANE_SOURCE_DIR) + "/samples/demo.MP4";
    const Both both = ProbeBoth(path);
    ASSERT_EQ(both.text.status, 0) << both.text.err;
    const QJsonObject& s = both.parsed.summary;
    EXPECT_EQ(Str(s.value("end")), "data-end");
    EXPECT_EQ(Num(s.value("records")), 2100);
    ASSERT_EQ(both.parsed.records.size(), 2100u);
    const QJsonArray cams = s.value("cameras").toArray();
    ASSERT_EQ(cams.size(), 2);
    EXPECT_EQ(Num(cams[0].toObject().value("video")), 1500);
    EXPECT_EQ(Num(cams[0].toObject().value("audio")), 300);
    EXPECT_EQ(Num(cams[1].toObject().value("video")), 300);
    // Each record's nextOffset is where the next one was found, and the last one ends at dataEnd.
    for (std::size_t i = 1; i < both.parsed.records.size(); ++i)
        ASSERT_EQ(Num(both.parsed.records[i - 1].value("nextOffset")),
                  Num(both.parsed.records[i].value("offset")));
    EXPECT_EQ(Num(both.parsed.records.back().value("nextOffset")), Num(both.parsed.header.value("dataEnd")));
    // Camera 0 is played, and its forward reading ends at camera 1's first record.
    const QJsonObject play = s.value("forwardPlay").toObject();
    EXPECT_EQ(Num(play.value("records")), 1800);
    EXPECT_EQ(Num(play.value("stopOffset")), Num(both.parsed.records[1800].value("offset")));
}

// Random bytes behind a plausible header: the walk must end, list only
// offsets that grow and lie below dataEnd, and report a status of 0 or 1.
TEST(Probe, RandomRecordings_WalkEndsAndStaysInsideTheChain) {
    TempDir dir;
    std::mt19937 random(20040102);
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        RecordingWriter w(round % 2 == 0 ? kFileKind514 : kFileKind771, static_cast<std::uint16_t>(round % 40));
        // A few real records, then noise, with some bytes of the real ones flipped.
        for (int i = 0; i < 3; ++i) w.AddVideo(round % 3, 5, kFrameKey, Payload(32, 1), TimeAt(i));
        std::vector<std::uint8_t> bytes = w.Bytes();
        std::uniform_int_distribution<std::size_t> extra(0, 2000);
        const std::size_t noise = extra(random);
        for (std::size_t i = 0; i < noise; ++i) bytes.push_back(static_cast<std::uint8_t>(random()));
        for (int flip = 0; flip < 6; ++flip) {
            std::uniform_int_distribution<std::size_t> at(584, bytes.size() - 1);
            bytes[at(random)] = static_cast<std::uint8_t>(random());
        }
        const auto dataEnd = static_cast<std::uint32_t>(round % 5 == 0 ? bytes.size() + 300 : bytes.size());
        for (int i = 0; i < 4; ++i) bytes[56 + i] = static_cast<std::uint8_t>(dataEnd >> (8 * i));
        const std::string path = dir.Write("random.MP4", bytes);

        const ProbeRun run = Probe({path, "--json"});
        ASSERT_TRUE(run.status == 0 || run.status == 1) << run.status;
        const JsonRun parsed = ParseJson(run.out);
        ASSERT_FALSE(parsed.summary.isEmpty());
        std::int64_t previous = 0;
        for (const QJsonObject& r : parsed.records) {
            const std::int64_t offset = Num(r.value("offset"));
            EXPECT_GT(offset, previous);
            EXPECT_GE(offset, 584);
            EXPECT_LT(offset, dataEnd);
            previous = offset;
        }
    }
}

}  // namespace
}  // namespace korvane::testing
