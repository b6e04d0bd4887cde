// korvane-probe on recordings built record by record: each record's fields, where and why the chain
// ends, the exit status, and JSON lines that parse alone and agree with the table.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <functional>
#include <sstream>

#include "authoring/FrameSource.h"
#include "recording/RecordReader.h"
#include "recording/TimeStamp.h"
#include "authoring/RecordingWriter.h"
#include "authoring/TempDir.h"
#include "tests/tools/ProbeRun.h"

namespace korvane::testing {
namespace {

using Offsets = std::vector<std::int64_t>;
std::vector<std::uint8_t> payload(std::size_t size, std::uint8_t seed) { return std::vector(size, seed); }
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

// An expected text with @N replaced by offsets[N] and @E by the file's end.
std::string fill(const std::string& text, const Offsets& offsets, std::int64_t end) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
        out += text[i] != '@' ? std::string(1, text[i]) : num(text[++i] == 'E' ? end : offsets.at(text[i] - '0'));
    return out;
}

// A recording as probeWriter leaves it: table rows (spaces collapsed) with their notes,
// and the JSON lines, each parsed alone and checked against the table.
struct Probed {
    ProbeRun text, json;
    std::vector<std::string> rows{};
    std::vector<std::vector<std::string>> notes{};  // under each row
    QJsonObject header{}, summary{};
    std::vector<QJsonObject> records{};
    Offsets offsets{};  // of the records
    // The value after a label in the header block or the summary.
    std::string label(const std::string& name) const {
        std::istringstream in(text.out);
        for (std::string line; std::getline(in, line);)
            if (collapse(line).rfind(name + " ", 0) == 0) return collapse(line).substr(name.size() + 1);
        return "<no " + name + ">";
    }
};

Probed probeWriter(const RecordingWriter& w) {
    TempDir dir;
    const std::string path = dir.File("rec.MP4");
    w.WriteFile(path);
    Probed p{RunProbe({path}), RunProbe({path, "--json"})};
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
        if (type == "record") p.records.push_back(o), p.offsets.push_back(o["offset"].toInteger(-1));
        else if (type == "header" && p.header.isEmpty()) p.header = o;
        else if (type == "summary" && p.summary.isEmpty()) p.summary = o;
        else ADD_FAILURE() << "unexpected line " << line;
    }
    EXPECT_EQ(p.text.status, p.json.status);
    EXPECT_EQ(p.summary["exitStatus"].toInt(-1), p.json.status);
    if (p.json.status != 0) { EXPECT_EQ("stopped at offset " + num(p.summary["stopOffset"].toInteger()) + ": " +
                                            p.summary["reason"].toString().toStdString(), p.label("Chain end")); }
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
        if (s("status") == "ok" && i + 1 < p.records.size()) { EXPECT_EQ(n("nextOffset"), num(p.offsets[i + 1])); }
        if (s("status") != "ok") { EXPECT_EQ(s("problem"), p.notes[i].empty() ? "" : p.notes[i].back()); }
    }
    return p;
}

RecordSpec video(std::size_t size, std::optional<Caption> caption = {}, std::optional<FrameExtension> ext = {},
                 std::uint8_t extFlags = 0) {
    RecordSpec e;
    e.header.codec = 5, e.header.frameType = kFrameKey, e.header.extFlags = extFlags;
    e.data = payload(size, 1), e.caption = std::move(caption), e.extension = std::move(ext);
    return e;
}

TEST(Probe, EveryRecordOfEveryCameraIsListedWithItsFields) {
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(1, 1), w.Header().setPlayCamera(2, 1), w.Header().setNameCamera(0, 1);
    RecordSpec first = video(300, MakeCaption("Front door", 10, 20), MakeExtension(352, 240, "Lobby"));
    first.header.camera = 1, first.header.timeStamp = timeAt(0);
    w.Add(first);
    w.AddVideo(0, 9, kFrameKey, payload(120, 2), timeAt(40));
    w.AddAudio(1, 8, payload(256, 3), timeAt(41), 4, 8000);
    w.AddVideo(2, 13, kFrameGroup, payload(90, 4), timeAt(80));
    w.AddAudio(1, 2, payload(508, 5), timeAt(81), 4, 11025);
    w.AddVideo(1, 42, kFrameDependent, payload(64, 6), timeAt(1000));
    const Offsets o(w.Offsets().begin(), w.Offsets().end());
    const Probed p = probeWriter(w);
    EXPECT_EQ(num(p.text.status) + p.text.err + p.json.err, "0");  // status 0, nothing on stderr
    std::string rows, labels;
    for (const std::string& row : p.rows) rows += row + "\n";
    for (const char* name : {"File kind", "Camera", "Play table", "Name table", "File size", "dataEnd", "Records",
                             "CAM 1", "CAM 2", "Chain end", "Forward play"})
        labels += std::string(name) + ": " + p.label(name) + "\n";
    // The writer points an audio record's prevOffset at its camera's last picture.
    EXPECT_EQ(rows, fill("@0 CAM 2 video 5 MPEG-4 1 key 2004-01-02 03:04:05 006 300 0 @0 352x240 \"Lobby\" 10 B "
                         "\"Front door\"\n@1 CAM 1 video 9 JPEG 1 key 2004-01-02 03:04:05 046 120 0 @1 - -\n"
                         "@2 CAM 2 audio 8 G.721 - 2004-01-02 03:04:05 047 256 @0 4-bit 8000 Hz - -\n"
                         "@3 CAM 3 video 13 H.264 3 group 2004-01-02 03:04:05 086 90 0 0 - -\n"
                         "@4 CAM 2 audio 2 IMA ADPCM - 2004-01-02 03:04:05 087 508 @0 4-bit 11025 Hz - -\n"
                         "@5 CAM 2 video 42 unknown 0 dependent 2004-01-02 03:04:06 006 64 @0 @0 - -\n", o, w.End()));
    EXPECT_EQ(labels, fill("File kind: 514\nCamera: CAM 2 (camera 1), first entry of the play table\n"
                           "Play table: CAM 2, CAM 3\nName table: CAM 1\nFile size: @E bytes\n"
                           "dataEnd: @E (the end of the file)\nRecords: 6: video 4, audio 2\nCAM 1: video 1, audio 0\n"
                           "CAM 2: video 2, audio 2\nChain end: reached dataEnd at @E\n"
                           "Forward play: CAM 2: 4 records, 584 to @5; reads to the end of the chain\n", o, w.End()));
    // The table's layout, byte for byte: its heading and first row.
    const char* layout =
        "    OFFSET  CAMERA   MEDIA     CODEC                        FRAME TYPE      TIME                            "
        "DATA        PREV       KEY / AUDIO  EXTENSION                           CAPTION\n"
        "       584  CAM 2    video     5 MPEG-4                     1 key           2004-01-02 03:04:05  006         "
        "300           0               584  352x240 \"Lobby\"                     10 B \"Front door\"\n";
    EXPECT_NE(p.text.out.find(layout), std::string::npos) << p.text.out;
    const QJsonObject header{{"type", "header"}, {"fileKind", 514}, {"camera", 1}, {"cameraLabel", "CAM 2"},
                             {"cameraSource", "play-table"}, {"dataEnd", qint64(w.End())}, {"fileSize", qint64(w.End())},
                             {"dataEndVsFileSize", "equal"}, {"playTable", QJsonArray{1, 2}}, {"nameTable", QJsonArray{0}}};
    for (const QString& key : header.keys()) EXPECT_EQ(p.header[key], header[key]) << key.toStdString();
    const QJsonObject r0 = p.records.at(0);
    EXPECT_EQ(r0["caption"], (QJsonObject{{"marker", 514}, {"marked", true}, {"textLength", 10}, {"text", "Front door"},
                                          {"textComplete", true}, {"enabled", true}, {"x", 10}, {"y", 20},
                                          {"color", 0xFFFFFF}, {"font", "DejaVu Sans"}, {"fontHeight", 20}}));
    EXPECT_EQ((std::array{r0["totalLength"].toInt(), r0["resolution"].toInt(), p.records.at(1)["resolution"].toInt(),
                          r0["marker"].toInt()}), (std::array{300 + 80 + 10, 0, 15, 514}));
    EXPECT_FALSE(r0.contains("problem") || p.records.at(2).contains("keyFrameOffset"));
    EXPECT_EQ(p.records.at(5)["nextOffset"].toInteger(), w.End());
    EXPECT_EQ(QJsonDocument(p.summary["cameras"].toArray()).toJson(QJsonDocument::Compact).toStdString(),
              R"([{"audio":0,"camera":0,"cameraLabel":"CAM 1","other":0,"video":1},)"
              R"({"audio":2,"camera":1,"cameraLabel":"CAM 2","other":0,"video":2},)"
              R"({"audio":0,"camera":2,"cameraLabel":"CAM 3","other":0,"video":1}])");
    // Forward play passes over the other cameras' records.
    EXPECT_EQ(p.summary["forwardPlay"], (QJsonObject{{"camera", 1}, {"cameraLabel", "CAM 2"}, {"records", 4},
                                                     {"firstOffset", 584}, {"lastOffset", qint64(o[5])},
                                                     {"stopOffset", QJsonValue()}, {"reason", QJsonValue()}}));
}

TEST(Probe, HeaderKindsPickTheCameraAndWhereTheRecordsStart) {
    const std::string none = "none named by the header: the player keeps its previous camera (0 at start)";
    const std::string twoOfCam1 = " | CAM 1: 1 record at @0; reads to the end of the chain | ";
    // cameras: of the two records; expected: labels | forward play | JSON header and forward play
    const struct { std::uint32_t kind; std::uint16_t channels; int cameras[2]; std::string expected; } cases[] = {
        {771, 33, {32, 32}, "771 | CAM 33 (camera 32), channel count 33 - 1 | 33 (1 extra channel entry of 20 bytes "
         "after the header) | at 604 | <no Play table> | CAM 33: 2 records, @0 to @1; reads to the end of the chain | "
         "32 channel-count 604 1 33 @0 @1"},
        {771, 34, {33, 33}, "771 | CAM 34 (camera 33), channel count 34 - 1 | 34 (2 extra channel entries of 20 bytes "
         "after the header) | at 624 | <no Play table> | CAM 34: 2 records, @0 to @1; reads to the end of the chain | "
         "33 channel-count 624 2 34 @0 @1"},
        {771, 32, {0, 3}, "771 | " + none + " | 32 (no extra channel entries) | at 584 | <no Play table>" + twoOfCam1 +
         "null none 584 0 32 @0 @0"},
        {514, 0, {0, 3}, "514 | " + none + " | <no Channels> | at 584 | empty" + twoOfCam1 + "null none 584 0 0 @0 @0"},
        {1234, 40, {0, 3}, "1234 (not 514 or 771: the header names no camera) | " + none + " | <no Channels> | at 584 "
         "| <no Play table>" + twoOfCam1 + "null none 584 0 40 @0 @0"}};
    for (const auto& c : cases) {
        RecordingWriter w(c.kind, c.channels);
        for (int camera : c.cameras) w.AddVideo(camera, 10, kFrameKey, payload(10, 1), timeAt(0));
        const Probed p = probeWriter(w);
        EXPECT_EQ(p.text.status, 0);
        const QJsonObject& h = p.header;
        std::string got;
        for (const char* name : {"File kind", "Camera", "Channels", "First record", "Play table", "Forward play"})
            got += p.label(name) + " | ";
        got += (h["camera"].isNull() ? "null" : num(h["camera"].toInt())) + " " + h["cameraSource"].toString().toStdString();
        for (const QJsonValue& v : {h["firstRecordOffset"], h["extraChannelEntries"], h["channelCount"],
                                    p.summary["forwardPlay"]["firstOffset"], p.summary["forwardPlay"]["lastOffset"]})
            got += " " + num(v.toInteger(-1));
        EXPECT_EQ(got, fill(c.expected, Offsets(w.Offsets().begin(), w.Offsets().end()), w.End()));
    }
}

TEST(Probe, CaptionsAndExtensionBlocksAreShownAsThePlayerWouldTakeThem) {
    const std::string special = std::string("Gate \"B\"\\1\n\xB0") + '\0';
    Caption unmarked = MakeCaption(std::string(kCaptionTextCapacity + 1, 'l'), 1, 2);  // never read: no limit
    unmarked.descriptor.captionMarker = 0x1234;
    RecordSpec next = video(30);  // its head, read as a missing block, starts with the marker 0x1234
    next.prevOffset = 0x1234;
    const std::string xs(40, 'x'), ys(40, 'y');
    // tail: the extension and caption columns; caption, extension: JSON fields checked
    struct Case { RecordSpec record; std::string tail; QJsonObject caption{}, extension{}; };
    const Case cases[] = {
        {video(40, MakeCaption(special, 1, 2)), "- 13 B \"Gate \\\"B\\\"\\\\1\\n\\xB0\\0\"",
         {{"text", QString::fromLatin1(special.data(), 13)}, {"textComplete", true}, {"marked", true}}},
        {video(40, MakeCaption("hidden", 1, 2, 0x00FFFFFF, "DejaVu Sans", 20, false)), "- 6 B (disabled) \"hidden\"",
         {{"enabled", false}, {"text", "hidden"}}},
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
    for (const Case& c : cases) w.Add(c.record);
    const Probed p = probeWriter(w);
    EXPECT_EQ(p.text.status, 0);
    ASSERT_EQ(p.records.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE("record " + num(i));
        const std::string& tail = cases[i].tail;
        EXPECT_EQ(p.rows[i].substr(p.rows[i].size() - std::min(tail.size(), p.rows[i].size())), tail);
        for (const auto& [field, expected] : {std::pair{"caption", cases[i].caption}, {"extension", cases[i].extension}})
            for (const QString& key : expected.keys())
                EXPECT_EQ(p.records[i][field][key], expected[key]) << field << "." << key.toStdString();
        EXPECT_EQ(p.records[i]["exceedsPlayerBuffers"].toBool(), i == 4);
        EXPECT_EQ(p.notes[i], std::vector<std::string>(i == 4, "caption text longer than the player's 5120-byte "
                                                               "buffer: the player does not read this record"));
    }
    EXPECT_EQ(p.label("Forward play"), "CAM 1: 4 records, 584 to " + num(w.Offsets()[3]) + "; stops at " +
                                           num(w.Offsets()[4]) + ": its caption text exceeds the player's buffer");
}

TEST(Probe, ChainEndsSayWhereAndWhy) {
    // Each case breaks four 64-byte key pictures (or writes its own) and gives the offsets named as @N.
    using Break = std::function<Offsets(RecordingWriter&, Offsets)>;
    const auto cutShort = [](bool caption, bool ext, std::uint32_t cut) -> Break {
        return [=](RecordingWriter& w, Offsets o) {
            o.push_back(w.Add(video(100, caption ? std::optional(MakeCaption("Hello", 0, 0)) : std::nullopt,
                                    ext ? std::optional(MakeExtension(352, 240, "Z")) : std::nullopt)));
            w.Truncate(w.End() - cut);
            return o;
        };
    };
    const auto cutIn = [](const std::string& part) {
        const std::string why = part + " runs past the end of the file";
        return "1 cut-short @0 @1 @2 @3 @4 | 4 cut-short\nstopped at offset @4: " + why + " (the file is @E bytes)\n" + why;
    };
    const std::string stops = "; the player's reading stops here, and so does the probe";
    const std::string headOut = "record header runs past the end of the file (the file is @E bytes)";
    // expected: status, end, listed offsets, count, last status; chain end; notes; labels
    const struct { const char* name; Break breakIt; std::vector<std::string> labels; std::string expected; } cases[] = {
        {"dataEnd before the end of the file", [](auto& w, Offsets o) { w.SetDataEnd(o[2]); return o; }, {"dataEnd"},
         "0 data-end @0 @1 | 2 ok\nreached dataEnd at @2\n"
         "dataEnd: @2 (240 bytes before the end of the file; they are never read)"},
        {"no records", [](auto& w, Offsets o) { w.SetDataEnd(584); return o; }, {"Forward play"},
         "0 empty | 0\nno records: dataEnd is the first record's offset\nForward play: CAM 1: no record is read"},
        {"dataEnd before the first record", [](auto& w, Offsets o) { w.SetDataEnd(100); return o; }, {},
         "1 data-end-before-first-record | 0\nstopped at offset 584: dataEnd 100 lies before the first record"},
        {"dataEnd beyond the file", [](auto& w, Offsets o) { o.push_back(w.End() + 1000); w.SetDataEnd(o[4]); return o; },
         {"dataEnd", "Forward play"},
         "1 head-outside-file @0 @1 @2 @3 | 4 ok\nstopped at offset @E: " + headOut +
         "\ndataEnd: @4 (1000 bytes beyond the end of the file)\n"
         "Forward play: CAM 1: 4 records, 584 to @3; stops at @E: the record cannot be read"},
        {"a record running past dataEnd", [](auto& w, Offsets o) { o.push_back(o[1] + 10); w.SetDataEnd(o[4]); return o; },
         {}, "1 past-data-end @0 @1 | 2 ok\nstopped at offset @1: the record runs 110 bytes past dataEnd @4 "
                "(it would be followed at @2)"},
        // dataLength and totalLength 8 bytes too long: the next offset is record 2's time stamp's day
        {"a next offset landing inside a record", [](auto& w, Offsets o) {
             w.PatchU32(o[1] + 16 + 28, 72), w.PatchU32(o[1] + 16 + 36, 72);
             return Offsets{o[0], o[1], o[2] + 8};
         }, {"Forward play"},
         "1 bad-marker @0 @1 @2 | 2 bad-marker\nstopped at offset @2: record marker is 2 (0x0002), not 514" + stops +
         "\nrecord marker is 2 (0x0002), not 514\n"
         "Forward play: CAM 1: 2 records, 584 to @1; stops at @2: the record has no marker"},
        {"a first record without its marker", [](auto& w, Offsets o) { w.PatchU16(o[0] + 16, 0x4242); return o; }, {},
         "0 data-end @0 @1 @2 @3 | 4 ok\nreached dataEnd at @E\n"
         "marker is 16962, not 514 (the player does not check the first record's marker)"},
        {"an extension block without its marker", [](auto& w, Offsets) {
             RecordSpec entry = video(20, {}, MakeExtension(352, 240, "Cam"));
             entry.extension->extMarker = 0;
             w = RecordingWriter(kFileKind514), w.Add(entry), w.AddVideo(0, 5, kFrameDependent, payload(20, 2), timeAt(0));
             return Offsets{584, 584 + 76};
         }, {}, "1 bad-marker @0 @1 | 1 bad-marker\nstopped at offset @1: record marker is 0 (0x0000), not 514" +
                stops + "\nrecord marker is 0 (0x0000), not 514"},
        {"in the extension", cutShort(false, true, 10), {}, cutIn("extension block")},
        {"in the caption text", cutShort(true, false, 3), {}, cutIn("caption text")},
        {"in the descriptor", cutShort(true, false, 50), {}, cutIn("caption descriptor")},
        {"in the data", cutShort(false, false, 20), {}, cutIn("record data")},
        {"in the head", cutShort(false, false, 120), {},
         "1 head-outside-file @0 @1 @2 @3 | 4 ok\nstopped at offset @4: " + headOut}};
    for (const auto& c : cases) {
        RecordingWriter w(kFileKind514);
        for (int i = 0; i < 4; ++i) w.AddVideo(0, 5, kFrameKey, payload(64, 1), timeAt(i));
        const Offsets o = c.breakIt(w, Offsets(w.Offsets().begin(), w.Offsets().end()));
        const Probed p = probeWriter(w);
        std::string got = num(p.text.status) + " " + p.summary["end"].toString().toStdString() + " ";
        for (std::int64_t offset : p.offsets) got += num(offset) + " ";
        got += "| " + num(p.summary["records"].toInteger());
        if (!p.records.empty()) got += " " + p.records.back()["status"].toString().toStdString();
        got += "\n" + p.label("Chain end");
        for (const auto& notes : p.notes) for (const std::string& note : notes) got += "\n" + note;
        for (const std::string& name : c.labels) got += "\n" + name + ": " + p.label(name);
        EXPECT_EQ(got, fill(c.expected, o, std::int64_t(w.Bytes().size()))) << c.name;
    }
}

// Camera 1: two keys and a dependent picture, a decoder-only record, a gap of
// 1.5 s, then a clock set back; camera 3: one picture; camera 2: audio only.
TEST(Probe, SummaryGivesEachCamerasPicturesKeysSpanAndGapsAndCameraPicksOne) {
    RecordingWriter w;
    for (auto [camera, type, ms] : {std::tuple{0, kFrameKey, 0}, {0, kFrameDependent, 40}, {0, kFrameDecoderOnly, 60},
                                    {2, kFrameKey, 80}, {0, kFrameKey, 1540}, {0, kFrameDependent, 20}})
        w.AddVideo(camera, 10, type, payload(20, 1), timeAt(ms));
    w.AddAudio(1, 1, payload(20, 2), timeAt(30));
    TempDir dir;
    const std::string path = dir.Write("rec.MP4", w.Bytes());
    const std::string cam1 = R"({"camera":1,"first":"2004-01-02 03:04:05.006","gaps":[{"from":"2004-01-02 03:04:05.046",)"
                             R"("to":"2004-01-02 03:04:06.546"}],"keys":2,"last":"2004-01-02 03:04:06.546","pictures":4})";
    const std::string cam3 = R"({"camera":3,"first":"2004-01-02 03:04:05.086","gaps":[],"keys":1,)"
                             R"("last":"2004-01-02 03:04:05.086","pictures":1})";
    const struct { std::vector<std::string> args; int status; std::string out; } cases[] = {
        {{"--summary", "--json", path}, 0, cam1 + "\n" + cam3 + "\n"},
        {{"--summary", "--json", "--camera", "3", path}, 0, cam3 + "\n"},
        {{"--summary", "--json", "--camera", "2", path}, 1,
         R"({"camera":2,"first":null,"gaps":[],"keys":0,"last":null,"pictures":0})" "\n"},
        {{"--summary", path}, 0,
         "CAM 1   4 pictures, 2 key, 2004-01-02 03:04:05.006 to 2004-01-02 03:04:06.546\n"
         "        gap 2004-01-02 03:04:05.046 to 2004-01-02 03:04:06.546\n"
         "        the capture time goes back 1 time along the chain (the recorder's clock was set back)\n"
         "CAM 3   1 pictures, 1 key, 2004-01-02 03:04:05.086 to 2004-01-02 03:04:05.086\n"},
    };
    for (const auto& c : cases) {
        const ProbeRun run = RunProbe(c.args);
        EXPECT_EQ(run.out + num(run.status), c.out + num(c.status)); }
    // --camera keeps the listing to that camera's records.
    std::istringstream lines(RunProbe({path, "--json", "--camera", "3"}).out);
    std::vector<int> cameras;
    for (std::string line; std::getline(lines, line);)
        if (const auto o = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object(); o["type"] == "record")
            cameras.push_back(o["camera"].toInt());
    EXPECT_EQ(cameras, std::vector<int>{2});
}

// A stamp that is no real moment is printed marked, in the listing and the
// summary; every other time printed reads back as a capture time.
TEST(Probe, DamagedTimesArePrintedMarked) {
    TempDir dir;
    static const auto frames = ReadVideoFrames(std::string(KORVANE_TEST_DATA) + "/mpeg4_352x240.m4v");
    RecordingWriter w(kFileKind514);
    w.Header().setPlayCamera(0, 1);
    w.AddVideo(0, 7, kFrameKey, frames.at(0).bytes, MakeTime(2023, 6, 14, 17, 58, 30, 0), 7);
    w.AddVideo(0, 7, kFrameDependent, frames.at(1).bytes, SystemTime{65535, 12, 0, 31, 0, 0, 0, 0}, 7);
    const std::string path = dir.File("damaged.MP4");
    w.WriteFile(path);
    const ProbeRun listing = RunProbe({path}, false), summary = RunProbe({"--summary", path}, false);
    EXPECT_NE(listing.out.find("65535-12-31 00:00:00  000 (damaged)"), std::string::npos) << listing.out;
    EXPECT_NE(summary.out.find("65535-12-31 00:00:00.000 (damaged)"), std::string::npos) << summary.out;
    const std::size_t first = summary.out.find("2023-06-14 17:58:30.000");
    ASSERT_NE(first, std::string::npos) << summary.out;
    EXPECT_TRUE(ParseCaptureTime(summary.out.substr(first, 23)));
}

TEST(Probe, CommandLineAndUnreadableFiles) {
    TempDir dir;
    const std::string stub = dir.Write("stub.MP4", std::vector<std::uint8_t>(583, 0));
    RecordingWriter w(kFileKind514);
    w.SetDataEnd(600);
    const std::string beyond = dir.Write("beyond.MP4", w.Bytes());
    // out: how it starts; err: a part of it
    const struct { std::vector<std::string> args; bool colour; int status; std::string out, err; } cases[] = {
        {{"--help"}, false, 0, "Usage: korvane-probe FILE [--json] [--camera N]\n       korvane-probe --summary", ""},
        {{"x.MP4", "--camera", "0"}, false, 2, "", "--camera wants a camera number from 1 to 256"},
        {{}, false, 2, "", "Usage: korvane-probe FILE [--json]"},
        {{"x.MP4", "--jsn"}, false, 2, "", "korvane-probe: Unknown option 'jsn'.\n\nUsage:"},
        {{"--version"}, false, 0, "korvane-probe ", ""},
        {{"a.MP4", "b.MP4"}, false, 2, "", "korvane-probe: one recording at a time (several only with --summary)\n\nUsage:"},
        {{dir.File("missing.MP4")}, false, 2, "", "korvane-probe: cannot open " + dir.File("missing.MP4") + ": "},
        {{stub, "--json"}, false, 2, "", stub + " is 583 bytes, shorter than the 584-byte file header\n"},
        {{beyond}, true, 1, "Recording       " + beyond, "\033[1;31m600 (16 bytes beyond the end of the file)\033[0m\n"},
        {{beyond, "--json"}, true, 1, "{", ""}};
    for (const auto& c : cases) {
        const ProbeRun run = RunProbe(c.args, c.colour);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out.substr(0, c.out.size()), c.out);
        if (c.out.empty()) { EXPECT_EQ(run.out, ""); }
        if (c.err.empty()) { EXPECT_EQ(run.err, ""); }
        EXPECT_NE((c.colour ? run.out : run.err).find(c.err), std::string::npos) << run.out << run.err;
        EXPECT_EQ(run.out.find('\033') != std::string::npos, c.colour && c.args.size() == 1);
    }
}

}  // namespace
}  // namespace korvane::testing
