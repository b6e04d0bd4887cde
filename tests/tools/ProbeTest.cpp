// korvane-probe on recordings built record by record: what it lists for each
// record, where and why it says the chain ends, its exit status, and that its
// JSON lines parse on their own and tell the same story as the table.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <functional>
#include <map>
#include <sstream>

#include "recording/FrameReader.h"
#include "authoring/RecordingWriter.h"
#include "authoring/TempDir.h"
#include "tools/probe/Probe.h"

namespace korvane::testing {
namespace {

struct ProbeRun {
    int status = -1;
    std::string out, err;
};

ProbeRun probe(const std::vector<std::string>& args, bool colour = false) {
    std::ostringstream out, err;
    const int status = probe::runProbeCommand(args, colour, out, err);
    return {status, out.str(), err.str()};
}

std::vector<std::uint8_t> payload(std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    return bytes;
}
SystemTime timeAt(int ms) { return AddMilliseconds(MakeTime(2004, 1, 2, 3, 4, 5, 6), ms); }
std::string num(std::int64_t n) { return std::to_string(n); }

// Runs of spaces as one: a table row compares as its values in order.
std::string collapse(const std::string& line) {
    std::string out;
    for (char c : line)
        if (c != ' ' || (!out.empty() && out.back() != ' ')) out += c;
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

// A recording probed both ways: the table's rows (spaces collapsed) and the
// notes under each, and the JSON lines, each parsed on its own and checked
// to tell the same story as the table.
struct Probed {
    ProbeRun text, json;
    std::vector<std::string> rows{};
    std::vector<std::vector<std::string>> notes{};
    QJsonObject header{}, summary{};
    std::vector<QJsonObject> records{};

    // The value after a label in the header block or the summary.
    std::string label(const std::string& name) const {
        std::istringstream in(text.out);
        for (std::string line; std::getline(in, line);)
            if (collapse(line).rfind(name + " ", 0) == 0) return collapse(line).substr(name.size() + 1);
        return "<no " + name + ">";
    }
    std::vector<std::int64_t> offsets() const {
        std::vector<std::int64_t> out;
        for (const QJsonObject& r : records) out.push_back(r["offset"].toInteger(-1));
        return out;
    }
};

Probed probeBoth(const std::string& path) {
    Probed p{probe({path}), probe({path, "--json"})};
    std::istringstream table(p.text.out), lines(p.json.out);
    bool inTable = false;
    for (std::string line; std::getline(table, line);) {
        const std::string row = collapse(line);
        if (row.rfind("OFFSET CAMERA", 0) == 0) inTable = true;
        else if (inTable && row.empty()) break;
        else if (inTable && row.rfind("note: ", 0) == 0) p.notes.back().push_back(row.substr(6));
        else if (inTable) p.rows.push_back(row), p.notes.emplace_back();
    }
    for (std::string line; std::getline(lines, line);) {
        QJsonParseError error{};
        const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error).object();
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
        const QString type = o["type"].toString();
        if (type == "record") p.records.push_back(o);
        else if (type == "header" && p.header.isEmpty()) p.header = o;
        else if (type == "summary" && p.summary.isEmpty()) p.summary = o;
        else ADD_FAILURE() << "unexpected line " << line;
    }
    EXPECT_EQ(p.text.status, p.json.status);
    EXPECT_EQ(p.summary["exitStatus"].toInt(-1), p.json.status);
    EXPECT_EQ(p.rows.size(), p.records.size());
    for (std::size_t i = 0; i < std::min(p.rows.size(), p.records.size()); ++i) {
        const QJsonObject& r = p.records[i];
        const bool audio = r["mediaKind"].toInt() == 1;
        const auto n = [&](const char* key) { return num(r[key].toInteger(-1)); };
        const auto s = [&](const char* key) { return r[key].toString().toStdString(); };
        const std::string row =
            n("offset") + " " + s("cameraLabel") + " " + (r["mediaKind"].toInt() > 1 ? "kind " + n("mediaKind") : s("media")) +
            " " + n("codec") + " " + s("codecName") + " " + (audio ? "-" : n("frameType") + " " + s("frameTypeName")) +
            " " + collapse(s("time")) + " " + n("dataLength") + " " + n("prevOffset") + " " +
            (audio ? n("audioSampleBits") + "-bit " + n("audioSampleRate") + " Hz" : n("keyFrameOffset"));
        EXPECT_EQ(p.rows[i].substr(0, row.size()), row) << "record " << i;
        EXPECT_EQ(n("index"), num(i));
        if (i > 0) { EXPECT_GT(r["offset"].toInteger(), p.records[i - 1]["offset"].toInteger()); }
        if (s("status") == "ok" && i + 1 < p.records.size()) { EXPECT_EQ(n("nextOffset"), num(p.offsets()[i + 1])); }
    }
    return p;
}

Probed probeWriter(const RecordingWriter& w) {
    TempDir dir;
    w.WriteFile(dir.File("rec.MP4"));
    return probeBoth(dir.File("rec.MP4"));
}

RecordSpec video(std::size_t size, std::optional<Caption> caption = {}, std::optional<FrameExtension> ext = {},
                 std::uint8_t extFlags = 0) {
    RecordSpec e;
    e.header.codec = 5;
    e.header.frameType = kFrameKey;
    e.header.extFlags = extFlags;
    e.data = payload(size, 1);
    e.caption = std::move(caption);
    e.extension = std::move(ext);
    return e;
}

TEST(Probe, EveryRecordOfEveryCameraIsListedWithItsFields) {
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(1, 1);
    w.Header().setPlayCamera(2, 1);
    w.Header().setNameCamera(0, 1);
    RecordSpec first = video(300, MakeCaption("Front door", 10, 20), MakeExtension(352, 240, "Lobby"));
    first.header.camera = 1;
    first.header.timeStamp = timeAt(0);
    const std::string a = num(w.Add(first));
    const std::string b = num(w.AddVideo(0, 9, kFrameKey, payload(120, 2), timeAt(40)));
    w.AddAudio(1, 8, payload(256, 3), timeAt(41), 4, 8000);
    w.AddVideo(2, 13, kFrameGroup, payload(90, 4), timeAt(80));
    w.AddAudio(1, 2, payload(508, 5), timeAt(81), 4, 11025);
    w.AddVideo(1, 42, kFrameDependent, payload(64, 6), timeAt(1000));
    const auto o = [&](int i) { return num(w.Offsets()[i]); };

    const Probed p = probeWriter(w);
    EXPECT_EQ(p.text.status, 0);
    EXPECT_EQ(p.text.err + p.json.err, "");
    // The writer points an audio record's prevOffset at its camera's last picture.
    EXPECT_EQ(p.rows, (std::vector<std::string>{
        a + " CAM 2 video 5 MPEG-4 1 key 2004-01-02 03:04:05 006 300 0 " + a + " 352x240 \"Lobby\" 10 B \"Front door\"",
        b + " CAM 1 video 9 JPEG 1 key 2004-01-02 03:04:05 046 120 0 " + b + " - -",
        o(2) + " CAM 2 audio 8 G.721 - 2004-01-02 03:04:05 047 256 " + a + " 4-bit 8000 Hz - -",
        o(3) + " CAM 3 video 13 H.264 3 group 2004-01-02 03:04:05 086 90 0 0 - -",
        o(4) + " CAM 2 audio 2 IMA ADPCM - 2004-01-02 03:04:05 087 508 " + a + " 4-bit 11025 Hz - -",
        o(5) + " CAM 2 video 42 unknown 0 dependent 2004-01-02 03:04:06 006 64 " + a + " " + a + " - -"}));
    const std::pair<const char*, std::string> labels[] = {
        {"File kind", "514"}, {"Camera", "CAM 2 (camera 1), first entry of the play table"},
        {"Play table", "CAM 2, CAM 3"}, {"Name table", "CAM 1"}, {"File size", num(w.End()) + " bytes"},
        {"dataEnd", num(w.End()) + " (the end of the file)"}, {"Records", "6: video 4, audio 2"},
        {"CAM 1", "video 1, audio 0"}, {"CAM 2", "video 2, audio 2"}, {"Chain end", "reached dataEnd at " + num(w.End())},
        {"Forward play", "CAM 2: 1 record at 584; stops at " + b + ": a record of CAM 1"}};
    for (const auto& [name, value] : labels) EXPECT_EQ(p.label(name), value) << name;

    const QJsonObject header{{"type", "header"}, {"fileKind", 514}, {"camera", 1}, {"cameraLabel", "CAM 2"},
                             {"cameraSource", "play-table"}, {"dataEnd", qint64(w.End())},
                             {"fileSize", qint64(w.End())}, {"dataEndVsFileSize", "equal"},
                             {"playTable", QJsonArray{1, 2}}, {"nameTable", QJsonArray{0}}};
    for (const QString& key : header.keys()) EXPECT_EQ(p.header[key], header[key]) << key.toStdString();
    const QJsonObject r0 = p.records.at(0);
    EXPECT_EQ(r0["caption"], (QJsonObject{{"marker", 514}, {"marked", true}, {"textLength", 10},
                                          {"text", "Front door"}, {"textComplete", true}, {"enabled", true},
                                          {"x", 10}, {"y", 20}, {"color", 0xFFFFFF}, {"font", "DejaVu Sans"},
                                          {"fontHeight", 20}}));
    EXPECT_EQ((std::array{r0["totalLength"].toInt(), r0["resolution"].toInt(), p.records.at(1)["resolution"].toInt(),
                          r0["marker"].toInt()}), (std::array{300 + 80 + 10, 0, 15, 514}));
    EXPECT_EQ(r0["status"].toString(), "ok");
    EXPECT_FALSE(r0.contains("problem"));
    EXPECT_FALSE(p.records.at(2).contains("keyFrameOffset"));
    EXPECT_EQ(p.records.at(5)["nextOffset"].toInteger(), w.End());
    EXPECT_EQ(p.summary["cameras"].toArray().at(1),
              (QJsonObject{{"camera", 1}, {"cameraLabel", "CAM 2"}, {"video", 2}, {"audio", 2}, {"other", 0}}));
    EXPECT_EQ(p.summary["forwardPlay"],
              (QJsonObject{{"camera", 1}, {"cameraLabel", "CAM 2"}, {"records", 1}, {"firstOffset", 584},
                           {"lastOffset", 584}, {"stopOffset", qint64(w.Offsets()[1])},
                           {"reason", "a record of CAM 1"}}));
}

TEST(Probe, HeaderKindsPickTheCameraAndWhereTheRecordsStart) {
    struct Case {
        std::uint32_t kind;
        std::uint16_t channels;
        int cameras[2];  // of the two records
        std::string camera, channels_, first;
        QJsonValue jsonCamera;
    };
    const std::string none = "none named by the header: the player keeps its previous camera (0 at start)";
    const Case cases[] = {
        {771, 33, {32, 32}, "CAM 33 (camera 32), channel count 33 - 1",
         "33 (1 extra channel entry of 20 bytes after the header)", "604", 32},
        {771, 34, {33, 33}, "CAM 34 (camera 33), channel count 34 - 1",
         "34 (2 extra channel entries of 20 bytes after the header)", "624", 33},
        {771, 32, {0, 3}, none, "32 (no extra channel entries)", "584", QJsonValue::Null},
        {514, 0, {0, 3}, none, "<no Channels>", "584", QJsonValue::Null},
        {1234, 40, {0, 3}, none, "<no Channels>", "584", QJsonValue::Null}};
    for (const Case& c : cases) {
        SCOPED_TRACE(num(c.kind) + "/" + num(c.channels));
        RecordingWriter w(c.kind, c.channels);
        for (int camera : c.cameras) w.AddVideo(camera, 10, kFrameKey, payload(10, 1), timeAt(0));
        const Probed p = probeWriter(w);
        EXPECT_EQ(p.text.status, 0);
        EXPECT_EQ(p.label("File kind"), c.kind == 1234 ? "1234 (not 514 or 771: the header names no camera)"
                                                       : num(c.kind));
        EXPECT_EQ(p.label("Camera"), c.camera);
        EXPECT_EQ(p.label("Channels"), c.channels_);
        EXPECT_EQ(p.label("First record"), "at " + c.first);
        const std::string o0 = num(w.Offsets()[0]), o1 = num(w.Offsets()[1]);
        EXPECT_EQ(p.label("Forward play"), c.cameras[0] == c.cameras[1]
                                               ? "CAM " + num(c.cameras[0] + 1) + ": 2 records, " + o0 + " to " +
                                                     o1 + "; reads to the end of the chain"
                                               : "CAM 1: 1 record at " + o0 + "; stops at " + o1 + ": a record of CAM 4");
        EXPECT_EQ(p.label("Play table"), c.kind == 514 ? "empty" : "<no Play table>");
        EXPECT_EQ(p.summary["forwardPlay"]["firstOffset"].toInteger(), w.Offsets()[0]);
        EXPECT_EQ(p.summary["forwardPlay"]["lastOffset"].toInteger(), w.Offsets()[c.cameras[0] == c.cameras[1]]);
        EXPECT_EQ(p.header["camera"], c.jsonCamera);
        EXPECT_EQ(p.header["cameraSource"], c.jsonCamera.isNull() ? "none" : "channel-count");
        EXPECT_EQ(p.header["firstRecordOffset"].toInt(), std::stoi(c.first));
        EXPECT_EQ(p.header["extraChannelEntries"].toInt(), (std::stoi(c.first) - 584) / 20);
        EXPECT_EQ(p.header["channelCount"].toInt(), c.channels);
    }
}

TEST(Probe, CaptionsAndExtensionBlocksAreShownAsThePlayerWouldTakeThem) {
    const std::string special = std::string("Gate \"B\"\\1\n\xB0") + '\0';
    Caption hidden = MakeCaption("hidden", 1, 2, 0x00FFFFFF, "DejaVu Sans", 20, false);
    Caption unmarked = MakeCaption(std::string(kCaptionTextCapacity + 1, 'l'), 1, 2);  // never read: no limit
    unmarked.descriptor.captionMarker = 0x1234;
    RecordSpec next = video(30);  // its head, read as a missing block, starts with the marker 0x1234
    next.prevOffset = 0x1234;
    const std::string xs(40, 'x'), ys(40, 'y');
    struct Case {
        RecordSpec spec;
        std::string tail;  // the extension and caption columns
        QJsonObject caption{}, extension{};  // fields checked
    };
    const Case cases[] = {
        {video(40, MakeCaption(special, 1, 2)), "- 13 B \"Gate \\\"B\\\"\\\\1\\n\\xB0\\0\"",
         {{"text", QString::fromLatin1(special.data(), 13)}, {"textComplete", true}, {"marked", true}}},
        {video(40, hidden), "- 6 B (disabled) \"hidden\"", {{"enabled", false}, {"text", "hidden"}}},
        {video(40, unmarked), "- dropped: marker 0x1234, not 514",  // and not over the player's buffer
         {{"marked", false}, {"marker", 0x1234}, {"text", QJsonValue::Null}, {"textComplete", false}}},
        {video(40, MakeCaption(std::string(100, 'x'), 1, 2)), "- 100 B \"" + xs + "\"...",
         {{"text", QString(100, 'x')}, {"textComplete", true}}},
        {video(40, MakeCaption(std::string(kCaptionTextCapacity + 100, 'y'), 1, 2)), "- 5220 B \"" + ys + "\"...",
         {{"text", QString(kCaptionTextCapacity, 'y')}, {"textComplete", false}, {"textLength", 5220}}},
        {video(30, {}, MakeExtension(704, 480, "Lot \"N\""), 0x11), "704x480 \"Lot \\\"N\\\"\" -", {},
         {{"name", "Lot \"N\""}, {"marked", true}, {"width", 704}, {"height", 480}}},
        {video(30, {}, MakeExtension(1280, 720, "A name much longer than the table shows"), 0x21),
         "1280x720 \"A name much long...\" -", {}, {{"name", "A name much longer than the table shows"}}},
        {video(30, {}, {}, 0x02), "- (flags 0x02) -"},
        {video(30, {}, {}, 0x01), "flagged, no marker (0x1234) -", {}, {{"marked", false}, {"marker", 0x1234}}},
        {next, "- -"}};
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    for (const Case& c : cases) w.Add(c.spec);

    const Probed p = probeWriter(w);
    EXPECT_EQ(p.text.status, 0);
    EXPECT_EQ(p.offsets(), std::vector<std::int64_t>(w.Offsets().begin(), w.Offsets().end()));
    ASSERT_EQ(p.records.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE("record " + num(i));
        const std::string& tail = cases[i].tail;
        EXPECT_EQ(p.rows[i].substr(p.rows[i].size() - std::min(tail.size(), p.rows[i].size())), tail);
        for (const auto& [field, expected] : {std::pair{"caption", cases[i].caption}, {"extension", cases[i].extension}})
            for (const QString& key : expected.keys())
                EXPECT_EQ(p.records[i][field][key], expected[key]) << field << "." << key.toStdString();
        EXPECT_EQ(p.records[i]["caption"].isNull(), !cases[i].spec.caption.has_value());
        EXPECT_EQ(p.records[i]["extension"].isNull(), (cases[i].spec.header.extFlags & 0x0F) != 1);
        EXPECT_EQ(p.records[i]["extFlags"].toInt(), cases[i].spec.header.extFlags | (cases[i].spec.extension ? 1 : 0));
        EXPECT_EQ(p.records[i]["exceedsPlayerBuffers"].toBool(), i == 4);
        EXPECT_EQ(p.notes[i], (i == 4 ? std::vector<std::string>{"caption text longer than the player's 5120-byte "
                                                                 "buffer: the player does not read this record"}
                                      : std::vector<std::string>{}));
    }
    EXPECT_EQ(p.label("Forward play"), "CAM 1: 4 records, 584 to " + num(w.Offsets()[3]) + "; stops at " +
                                           num(w.Offsets()[4]) + ": its caption text exceeds the player's buffer");
}

// What the walk found where it ended; offsets are indexes into the writer's
// offsets, or -1 for the offset just past the last record.
struct ChainEnd {
    int status;
    std::string end;                        // the JSON end name
    std::vector<std::int64_t> listed;       // offsets of the listed records
    std::int64_t records;                   // records counted
    std::string chainEnd;                   // the summary's "Chain end"
    std::vector<std::string> notes{};       // notes under the rows
    std::string lastStatus = "ok";          // the last record's status in JSON
    std::map<std::string, std::string> labels{};
};

TEST(Probe, ChainEndsSayWhereAndWhy) {
    struct Case {
        const char* name;
        std::function<ChainEnd(RecordingWriter&, std::vector<std::int64_t>&)> make;
    };
    // Four key pictures of 64 bytes; each case breaks the recording its own way.
    const auto cutShort = [](bool caption, bool ext, std::uint32_t cut, std::string reason) {
        return [=](RecordingWriter& w, std::vector<std::int64_t>& o) {
            RecordingWriter fresh(kFileKind514);
            w = std::move(fresh);
            o = {w.AddVideo(0, 5, kFrameKey, payload(64, 1), timeAt(0))};
            o.push_back(w.Add(video(100, caption ? std::optional(MakeCaption("Hello", 0, 0)) : std::nullopt,
                                    ext ? std::optional(MakeExtension(352, 240, "Z")) : std::nullopt)));
            const std::uint32_t size = w.End() - cut;
            w.Truncate(size);
            const bool headRead = size - o[1] >= 56;
            const std::string end = reason + " (the file is " + num(size) + " bytes)";
            return ChainEnd{1, headRead ? "cut-short" : "head-outside-file", headRead ? o : std::vector{o[0]}, 1,
                            "stopped at offset " + num(o[1]) + ": " + end,
                            headRead ? std::vector{reason} : std::vector<std::string>{}, headRead ? "cut-short" : "ok"};
        };
    };
    const Case cases[] = {
        {"dataEnd before the end of the file", [](RecordingWriter& w, std::vector<std::int64_t>& o) {
             w.SetDataEnd(o[2]);
             return ChainEnd{0, "data-end", {o[0], o[1]}, 2, "reached dataEnd at " + num(o[2]), {}, "ok",
                             {{"dataEnd", num(o[2]) + " (" + num(w.End() - o[2]) +
                                              " bytes before the end of the file; they are never read)"}}};
         }},
        {"no records", [](RecordingWriter& w, std::vector<std::int64_t>&) {
             w.SetDataEnd(584);
             return ChainEnd{0, "empty", {}, 0, "no records: dataEnd is the first record's offset", {}, "ok",
                             {{"Forward play", "CAM 1: no record is read"}}};
         }},
        {"dataEnd before the first record", [](RecordingWriter& w, std::vector<std::int64_t>&) {
             w.SetDataEnd(100);
             return ChainEnd{1, "data-end-before-first-record", {}, 0,
                             "stopped at offset 584: dataEnd 100 lies before the first record"};
         }},
        {"dataEnd beyond the file", [](RecordingWriter& w, std::vector<std::int64_t>& o) {
             const std::string end = num(w.End());
             w.SetDataEnd(w.End() + 1000);
             return ChainEnd{1, "head-outside-file", o, 4, "stopped at offset " + end +
                             ": record header runs past the end of the file (the file is " + end + " bytes)", {}, "ok",
                             {{"dataEnd", num(w.End() + 1000) + " (1000 bytes beyond the end of the file)"},
                              {"Forward play", "CAM 1: 4 records, 584 to " + num(o[3]) + "; stops at " + end +
                                                   ": the record cannot be read"}}};
         }},
        {"a record running past dataEnd", [](RecordingWriter& w, std::vector<std::int64_t>& o) {
             w.SetDataEnd(o[1] + 10);
             return ChainEnd{1, "past-data-end", {o[0], o[1]}, 2, "stopped at offset " + num(o[1]) +
                             ": the record runs " + num(o[2] - o[1] - 10) + " bytes past dataEnd " + num(o[1] + 10) +
                             " (it would be followed at " + num(o[2]) + ")"};
         }},
        {"a next offset landing inside a record", [](RecordingWriter& w, std::vector<std::int64_t>& o) {
             w.PatchU32(o[1] + 16 + 28, 64 + 8);  // dataLength and totalLength 8 bytes too long
             w.PatchU32(o[1] + 16 + 36, 64 + 8);
             // It lands on the day of record 2's time stamp.
             const std::string problem = "record marker is 2 (0x0002), not 514";
             return ChainEnd{1, "bad-marker", {o[0], o[1], o[2] + 8}, 2, "stopped at offset " + num(o[2] + 8) + ": " +
                             problem + "; the player's reading stops here, and so does the probe", {problem}, "bad-marker",
                             {{"Forward play", "CAM 1: 2 records, 584 to " + num(o[1]) + "; stops at " +
                                                   num(o[2] + 8) + ": the record has no marker"}}};
         }},
        {"a first record without its marker", [](RecordingWriter& w, std::vector<std::int64_t>& o) {
             w.PatchU16(o[0] + 16, 0x4242);
             return ChainEnd{0, "data-end", o, 4, "reached dataEnd at " + num(w.End()),
                             {"marker is 16962, not 514 (the player does not check the first record's marker)"}};
         }},
        {"an extension block without its marker", [](RecordingWriter& w, std::vector<std::int64_t>& o) {
             RecordingWriter fresh(kFileKind514);
             w = std::move(fresh);
             RecordSpec entry = video(20, {}, MakeExtension(352, 240, "Cam"));
             entry.extension->extMarker = 0;
             o = {w.Add(entry), w.AddVideo(0, 5, kFrameDependent, payload(20, 2), timeAt(0))};
             const std::string problem = "record marker is 0 (0x0000), not 514";
             return ChainEnd{1, "bad-marker", {o[0], o[0] + 76}, 1, "stopped at offset " + num(o[0] + 76) + ": " +
                             problem + "; the player's reading stops here, and so does the probe", {problem}, "bad-marker"};
         }},
        {"in the extension", cutShort(false, true, 10, "extension block runs past the end of the file")},
        {"in the caption text", cutShort(true, false, 3, "caption text runs past the end of the file")},
        {"in the descriptor", cutShort(true, false, 50, "caption descriptor runs past the end of the file")},
        {"in the data", cutShort(false, false, 20, "record data runs past the end of the file")},
        {"in the head", cutShort(false, false, 120, "record header runs past the end of the file")}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingWriter w(kFileKind514);
        for (int i = 0; i < 4; ++i) w.AddVideo(0, 5, kFrameKey, payload(64, 1), timeAt(i));
        std::vector<std::int64_t> o(w.Offsets().begin(), w.Offsets().end());
        const ChainEnd e = c.make(w, o);
        const Probed p = probeWriter(w);
        EXPECT_EQ(p.text.status, e.status);
        EXPECT_EQ(p.offsets(), e.listed);
        EXPECT_EQ(p.label("Chain end"), collapse(e.chainEnd));
        for (const auto& [name, value] : e.labels) EXPECT_EQ(p.label(name), value) << name;
        EXPECT_EQ(p.summary["end"].toString().toStdString(), e.end);
        EXPECT_EQ(p.summary["records"].toInteger(), e.records);
        const bool stopped = e.status != 0;
        EXPECT_EQ(p.summary["stopOffset"].isNull(), !stopped);
        if (stopped) {
            EXPECT_EQ("stopped at offset " + num(p.summary["stopOffset"].toInteger()) + ": " +
                          p.summary["reason"].toString().toStdString(), e.chainEnd);
        }
        if (p.records.empty()) continue;
        EXPECT_EQ(p.records.back()["status"].toString().toStdString(), e.lastStatus);
        if (e.lastStatus != "ok") { EXPECT_EQ(p.records.back()["problem"].toString().toStdString(), e.notes.back()); }
        std::vector<std::string> notes;
        for (const auto& row : p.notes) notes.insert(notes.end(), row.begin(), row.end());
        EXPECT_EQ(notes, e.notes);
    }
}

TEST(Probe, CommandLineAndUnreadableFiles) {
    TempDir dir;
    const std::string stub = dir.Write("stub.MP4", std::vector<std::uint8_t>(583, 0));
    const std::string beyond = dir.Write("beyond.MP4", [] {
        RecordingWriter w(kFileKind514);
        w.SetDataEnd(600);
        return w.Bytes();
    }());
    const struct {
        std::vector<std::string> args;
        bool colour;
        int status;
        std::string out, err;  // out: how it starts; err: a part of it
    } cases[] = {
        {{"--help"}, false, 0, "Usage: korvane-probe FILE [--json]\n\nLists the file header", ""},
        {{}, false, 2, "", "Usage: korvane-probe FILE [--json]"},
        {{"x.MP4", "--jsn"}, false, 2, "", "korvane-probe: unknown option --jsn\n\nUsage:"},
        {{"a.MP4", "b.MP4"}, false, 2, "", "korvane-probe: one recording at a time\n\nUsage:"},
        {{dir.File("missing.MP4")}, false, 2, "", "korvane-probe: cannot open " + dir.File("missing.MP4") + ": "},
        {{stub, "--json"}, false, 2, "", stub + " is 583 bytes, shorter than the 584-byte file header\n"},
        {{beyond}, true, 1, "Recording       " + beyond, "\033[1;31m600 (16 bytes beyond the end of the file)\033[0m\n"},
        {{beyond, "--json"}, true, 1, "{", ""}};
    for (const auto& c : cases) {
        const ProbeRun run = probe(c.args, c.colour);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out.substr(0, c.out.size()), c.out);
        if (c.out.empty()) { EXPECT_EQ(run.out, ""); }
        if (c.err.empty()) { EXPECT_EQ(run.err, ""); }
        EXPECT_NE((c.colour ? run.out : run.err).find(c.err), std::string::npos) << run.out << run.err;
        EXPECT_EQ(run.out.find('\033') != std::string::npos, c.colour && c.args.size() == 1);
    }
}

// The demo recording: a minute of camera 0 (25 pictures a second, a G.721
// block every fifth picture), then 300 H.264 pictures of camera 1.
TEST(Probe, DemoRecordingIsListedToDataEnd) {
    const Probed p = probeBoth(std::string(KORVANE_SOURCE_DIR) + "/samples/demo.MP4");
    ASSERT_EQ(p.text.status, 0) << p.text.err;
    // The table's layout, byte for byte.
    const std::string lines[] = {
        "    OFFSET  CAMERA   MEDIA     CODEC                        FRAME TYPE      TIME                            "
        "DATA        PREV       KEY / AUDIO  EXTENSION                           CAPTION",
        "       584  CAM 1    video     5 MPEG-4                     1 key           2023-06-14 17:58:30  000       "
        "24430           0               584  704x480 \"Front door\"                27 B \"Harbor Street Market  #0001\"",
        "     25235  CAM 1    audio     8 G.721                      -               2023-06-14 17:58:30  000         "
        "800         584    16-bit 8000 Hz  -                                   -",
        "Summary\n  Records       2100: video 1800, audio 300\n  CAM 1         video 1500, audio 300\n"
        "  CAM 2         video 300, audio 0\n  Chain end     reached dataEnd at 3568147\n"
        "  Forward play  CAM 1: 1800 records, 584 to 3175259; stops at 3176425: a record of CAM 2"};
    for (const std::string& line : lines) EXPECT_NE(p.text.out.find(line + "\n"), std::string::npos) << line;
    EXPECT_EQ(p.records.size(), 2100u);
    EXPECT_EQ(p.records.back()["nextOffset"], p.header["dataEnd"]);
}

// Random bytes behind a plausible header: the walk ends, lists only offsets

}  // namespace
}  // namespace korvane::testing
