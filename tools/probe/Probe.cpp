#include "tools/probe/Probe.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <ostream>
#include <string_view>
#include <vector>

#include "recording/FrameReader.h"
#include "recording/RecordFile.h"
#include "recording/RecordLayout.h"
#include "recording/TimeStamp.h"

namespace korvane::probe {
namespace {

// Caption text shown in full in JSON, cut short in the table.
constexpr std::size_t kCaptionTextShown = kCaptionTextCapacity;
constexpr std::size_t kCaptionColumnChars = 40;
constexpr std::size_t kExtensionNameChars = 16;

// ---------------------------------------------------------------------------
// What the walk finds.

struct FileInfo {
    std::string path;
    std::uint64_t fileSize = 0;
    RecordingFileHeader header;
};

enum class RecordStatus { Ok, CutShort, BadMarker };

struct RecordInfo {
    std::uint64_t index = 0;
    LocatedRecord record;
    RecordStatus status = RecordStatus::Ok;
    LocateResult located = LocateResult::Ok;
    bool first = false;
    std::string captionText;      // up to kCaptionTextShown bytes of a marked caption
    bool captionTextRead = false;
    bool exceedsDataBuffer = false;
    bool exceedsCaptionBuffer = false;
};

enum class ChainEnd {
    DataEnd,             // the last record ends exactly at dataEnd
    Empty,               // dataEnd is the first record's offset: no records
    DataEndBeforeFirst,  // dataEnd lies before the first record
    HeadOutsideFile,     // the next record's 56-byte head is not in the file
    CutShort,            // a block the record declares runs past the end of the file
    BadMarker,           // a record after the first one without its marker
    PastDataEnd,         // the last record runs past dataEnd
};

struct CameraCount {
    std::uint64_t video = 0;
    std::uint64_t audio = 0;
    std::uint64_t other = 0;
};

// How far the player's forward reading gets: it starts at the first record
// and reads on while the records belong to its camera and fit its buffers.
struct ForwardPlay {
    int camera = 0;
    std::uint64_t records = 0;
    std::uint64_t firstOffset = 0;
    std::uint64_t lastOffset = 0;
    bool stopped = false;  // stopped on a record the chain itself passes
    std::uint64_t stopOffset = 0;
    std::string reason;
};

struct Summary {
    std::uint64_t records = 0;
    std::map<int, CameraCount> cameras;
    ChainEnd end = ChainEnd::DataEnd;
    std::uint64_t stopOffset = 0;
    std::string reason;
    ForwardPlay play;
    int exitStatus = kChainComplete;
};

// ---------------------------------------------------------------------------
// Names.

const char* CodecName(std::uint8_t mediaKind, std::uint8_t codec) {
    if (mediaKind == kMediaVideo) {
        switch (codec) {
            case 5: case 6: case 7: return "MPEG-4";
            case 8: return "MPEG-4 (second decoder)";
            case 9: return "JPEG";
            case 10: case 13: return "H.264";
            case 11: case 14: return "SDI";
            default: return "unknown";
        }
    }
    if (mediaKind == kMediaAudio) {
        switch (codec) {
            case 1: return "PCM";
            case 8: case 10: case 13: return "G.721";
            default: return "IMA ADPCM";
        }
    }
    return "unknown";
}

const char* FrameTypeName(std::uint8_t frameType) {
    switch (frameType) {
        case kFrameDependent: return "dependent";
        case kFrameKey: return "key";
        case kFrameDecoderOnly: case kFrameDecoderOnly4: return "decoder-only";
        case kFrameGroup: return "group";
        default: return "unknown";
    }
}

const char* MediaName(std::uint8_t mediaKind) {
    switch (mediaKind) {
        case kMediaVideo: return "video";
        case kMediaAudio: return "audio";
        default: return "unknown";
    }
}

std::string CameraLabel(int camera) { return "CAM " + std::to_string(camera + 1); }

const char* StatusName(RecordStatus status) {
    switch (status) {
        case RecordStatus::Ok: return "ok";
        case RecordStatus::CutShort: return "cut-short";
        case RecordStatus::BadMarker: return "bad-marker";
    }
    return "unknown";
}

const char* EndName(ChainEnd end) {
    switch (end) {
        case ChainEnd::DataEnd: return "data-end";
        case ChainEnd::Empty: return "empty";
        case ChainEnd::DataEndBeforeFirst: return "data-end-before-first-record";
        case ChainEnd::HeadOutsideFile: return "head-outside-file";
        case ChainEnd::CutShort: return "cut-short";
        case ChainEnd::BadMarker: return "bad-marker";
        case ChainEnd::PastDataEnd: return "past-data-end";
    }
    return "unknown";
}

std::string Hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

std::string FaceName(const LogFont& font) {
    auto end = std::find(font.faceName.begin(), font.faceName.end(), '\0');
    return std::string(font.faceName.begin(), end);
}

// The problem that stops the chain at a record, in words.
std::string RecordProblem(const RecordInfo& info) {
    if (info.status == RecordStatus::BadMarker)
        return "record marker is " + std::to_string(info.record.header.marker) + " (" +
               Hex(info.record.header.marker, 4) + "), not 514";
    if (info.status == RecordStatus::CutShort) return Describe(info.located);
    return {};
}

// ---------------------------------------------------------------------------
// Text escaping.

// Printable ASCII as it is; everything else as a C-style escape.
std::string EscapeForTable(std::string_view bytes, std::size_t maxChars, bool* cut = nullptr) {
    std::string out;
    if (cut) *cut = false;
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        std::string piece;
        switch (c) {
            case '"': piece = "\\\""; break;
            case '\\': piece = "\\\\"; break;
            case '\n': piece = "\\n"; break;
            case '\r': piece = "\\r"; break;
            case '\t': piece = "\\t"; break;
            case 0: piece = "\\0"; break;
            default:
                if (c >= 0x20 && c < 0x7F) {
                    piece = static_cast<char>(c);
                } else {
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "\\x%02X", c);
                    piece = hex;
                }
        }
        if (out.size() + piece.size() > maxChars) {
            if (cut) *cut = true;
            break;
        }
        out += piece;
    }
    return out;
}

// A JSON string literal. The recorder's text is in an unknown code page, so
// each byte becomes the code point of the same value (bytes read as Latin-1),
// which keeps every byte recoverable.
std::string JsonString(std::string_view bytes) {
    std::string out = "\"";
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char esc[8];
                    std::snprintf(esc, sizeof esc, "\\u%04x", c);
                    out += esc;
                } else if (c < 0x80) {
                    out += static_cast<char>(c);
                } else {
                    out += static_cast<char>(0xC0 | (c >> 6));
                    out += static_cast<char>(0x80 | (c & 0x3F));
                }
        }
    }
    out += '"';
    return out;
}

// Builds one flat or nested JSON object.
class JsonObject {
public:
    JsonObject& Number(const char* key, std::uint64_t value) { return Raw(key, std::to_string(value)); }
    JsonObject& Int(const char* key, std::int64_t value) { return Raw(key, std::to_string(value)); }
    JsonObject& String(const char* key, std::string_view value) { return Raw(key, JsonString(value)); }
    JsonObject& Bool(const char* key, bool value) { return Raw(key, value ? "true" : "false"); }
    JsonObject& Null(const char* key) { return Raw(key, "null"); }
    JsonObject& Raw(const char* key, const std::string& json) {
        m_text += m_text.empty() ? "{" : ",";
        m_text += JsonString(key);
        m_text += ':';
        m_text += json;
        return *this;
    }
    std::string Text() const { return m_text.empty() ? "{}" : m_text + "}"; }

private:
    std::string m_text;
};

std::string JsonCameraList(const RecordingFileHeader& header, bool playTable) {
    std::string out = "[";
    bool any = false;
    for (int i = 0; i < kCameraCount; ++i) {
        if ((playTable ? header.playCamera(i) : header.nameCamera(i)) == 0) continue;
        if (any) out += ',';
        out += std::to_string(i);
        any = true;
    }
    return out + "]";
}

std::string CameraList(const RecordingFileHeader& header, bool playTable) {
    std::string out;
    for (int i = 0; i < kCameraCount; ++i) {
        if ((playTable ? header.playCamera(i) : header.nameCamera(i)) == 0) continue;
        if (!out.empty()) out += ", ";
        out += CameraLabel(i);
    }
    return out.empty() ? "empty" : out;
}

// ---------------------------------------------------------------------------
// Output.

class Sink {
public:
    virtual ~Sink() = default;
    virtual void Header(const FileInfo& info) = 0;
    virtual void Record(const RecordInfo& info) = 0;
    virtual void Finish(const FileInfo& info, const Summary& summary) = 0;
};

// Fixed-width columns so that a long recording can be streamed.
class TextSink final : public Sink {
public:
    TextSink(std::ostream& out, bool colour) : m_out(out), m_colour(colour) {}

    void Header(const FileInfo& info) override {
        const RecordingFileHeader& h = info.header;
        Line("Recording", info.path);
        std::string kind = std::to_string(h.fileKind());
        if (h.fileKind() != kFileKind514 && h.fileKind() != kFileKind771)
            kind += " (not 514 or 771: the header names no camera)";
        Line("File kind", kind);
        if (h.fileKind() == kFileKind771) {
            const unsigned channels = h.channelCount();
            std::string text = std::to_string(channels);
            if (channels > 32) {
                const unsigned extra = channels - 32;
                text += " (" + std::to_string(extra) + " extra channel " +
                        (extra == 1 ? "entry" : "entries") + " of 20 bytes after the header)";
            } else {
                text += " (no extra channel entries)";
            }
            Line("Channels", text);
        }
        Line("File size", std::to_string(info.fileSize) + " bytes");
        std::string end = std::to_string(h.dataEnd());
        if (h.dataEnd() == info.fileSize) {
            end += " (the end of the file)";
        } else if (h.dataEnd() < info.fileSize) {
            end += " (" + std::to_string(info.fileSize - h.dataEnd()) +
                   " bytes before the end of the file; they are never read)";
        } else {
            end = Warn(end + " (" + std::to_string(h.dataEnd() - info.fileSize) +
                       " bytes beyond the end of the file)");
        }
        Line("dataEnd", end);
        const int camera = h.headerCamera();
        if (camera < 0) {
            Line("Camera", "none named by the header: the player keeps its previous camera (0 at start)");
        } else {
            const std::string from = h.fileKind() == kFileKind514
                                         ? "first entry of the play table"
                                         : "channel count " + std::to_string(h.channelCount()) + " - 1";
            Line("Camera", CameraLabel(camera) + " (camera " + std::to_string(camera) + "), " + from);
        }
        if (h.fileKind() == kFileKind514) Line("Play table", CameraList(h, true));
        Line("Name table", CameraList(h, false));
        Line("First record", "at " + std::to_string(h.firstRecordOffset()));
        m_out << '\n';
        m_out << TableRow({"OFFSET", "CAMERA", "MEDIA", "CODEC", "FRAME TYPE", "TIME", "DATA", "PREV",
                           "KEY / AUDIO", "EXTENSION", "CAPTION"})
              << '\n';
    }

    void Record(const RecordInfo& info) override {
        const LocatedRecord& r = info.record;
        const FrameHeader& h = r.header;
        const std::string media = h.mediaKind <= kMediaAudio ? MediaName(h.mediaKind)
                                                             : "kind " + std::to_string(h.mediaKind);
        char codec[64];
        std::snprintf(codec, sizeof codec, "%u %s", h.codec, CodecName(h.mediaKind, h.codec));
        char frameType[32];
        if (h.mediaKind == kMediaAudio)
            std::snprintf(frameType, sizeof frameType, "-");
        else
            std::snprintf(frameType, sizeof frameType, "%u %s", h.frameType, FrameTypeName(h.frameType));
        char keyOrAudio[32];
        if (h.mediaKind == kMediaAudio)
            std::snprintf(keyOrAudio, sizeof keyOrAudio, "%u-bit %u Hz", h.audioSampleBits(),
                          h.audioSampleRate());
        else
            std::snprintf(keyOrAudio, sizeof keyOrAudio, "%u", h.keyFrameOffset);

        m_out << TableRow({std::to_string(r.offset), CameraLabel(h.camera), media, codec, frameType,
                           FormatTimeStamp(h.timeStamp), std::to_string(h.dataLength),
                           std::to_string(r.prefix.prevOffset), keyOrAudio, ExtensionColumn(info),
                           CaptionColumn(info)})
              << '\n';

        if (info.first && h.marker != kRecordMarker)
            Note("marker is " + std::to_string(h.marker) +
                 ", not 514 (the player does not check the first record's marker)");
        if (info.exceedsDataBuffer)
            Note("data larger than the player's " + std::to_string(kFrameDataCapacity) +
                 "-byte buffer: the player does not read this record");
        if (info.exceedsCaptionBuffer)
            Note("caption text longer than the player's " + std::to_string(kCaptionTextCapacity) +
                 "-byte buffer: the player does not read this record");
        if (info.status != RecordStatus::Ok) Note(Warn(RecordProblem(info)));
    }

    void Finish(const FileInfo& info, const Summary& s) override {
        m_out << "\nSummary\n";
        CameraCount all;
        for (const auto& [camera, count] : s.cameras) {
            all.video += count.video;
            all.audio += count.audio;
            all.other += count.other;
        }
        Line("Records", std::to_string(s.records) + ": " + Counts(all), 2);
        for (const auto& [camera, count] : s.cameras) Line(CameraLabel(camera), Counts(count), 2);

        std::string end;
        switch (s.end) {
            case ChainEnd::DataEnd:
                end = "reached dataEnd at " + std::to_string(info.header.dataEnd());
                break;
            case ChainEnd::Empty:
                end = "no records: dataEnd is the first record's offset";
                break;
            default:
                end = Warn("stopped at offset " + std::to_string(s.stopOffset) + ": " + s.reason);
        }
        Line("Chain end", end, 2);

        const ForwardPlay& p = s.play;
        std::string play = CameraLabel(p.camera) + ": ";
        if (p.records == 0) {
            play += "no record is read";
        } else {
            play += p.records == 1 ? "1 record at " + std::to_string(p.firstOffset)
                                   : std::to_string(p.records) + " records, " +
                                         std::to_string(p.firstOffset) + " to " +
                                         std::to_string(p.lastOffset);
        }
        if (p.stopped)
            play += "; stops at " + std::to_string(p.stopOffset) + ": " + p.reason;
        else if (p.records > 0)
            play += "; reads to the end of the chain";
        Line("Forward play", play, 2);
    }

private:
    // Columns of the record table. A value wider than its column (stray bytes
    // read as a record) pushes the rest of the row right only as far as it
    // must: the next columns take back the slack and line up again.
    struct Column {
        std::size_t width;
        bool right;
    };
    static constexpr std::array<Column, 11> kColumns{{{10, true}, {7, false}, {8, false}, {27, false},
                                                      {14, false}, {24, false}, {10, true}, {10, true},
                                                      {16, true}, {34, false}, {0, false}}};
    static constexpr std::size_t kGap = 2;

    static std::string TableRow(const std::array<std::string, kColumns.size()>& values) {
        std::string line;
        std::size_t start = 0;  // where the column starts when nothing overflows
        for (std::size_t i = 0; i < kColumns.size(); ++i) {
            const Column& c = kColumns[i];
            const std::string& v = values[i];
            std::size_t at = c.right && v.size() < c.width ? start + c.width - v.size() : start;
            if (i > 0) at = std::max(at, line.size() + 1);
            line.append(at - line.size(), ' ');
            line += v;
            start += c.width + kGap;
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        return line;
    }

    void Line(const std::string& label, const std::string& value, int indent = 0) {
        m_out << std::string(indent, ' ') << label
              << std::string(label.size() + indent < 16 ? 16 - label.size() - indent : 1, ' ') << value
              << '\n';
    }
    void Note(const std::string& text) { m_out << std::string(12, ' ') << "note: " << text << '\n'; }
    std::string Warn(const std::string& text) const {
        return m_colour ? "\033[1;31m" + text + "\033[0m" : text;
    }
    static std::string Counts(const CameraCount& c) {
        std::string text = "video " + std::to_string(c.video) + ", audio " + std::to_string(c.audio);
        if (c.other != 0) text += ", other " + std::to_string(c.other);
        return text;
    }

    static std::string ExtensionColumn(const RecordInfo& info) {
        const LocatedRecord& r = info.record;
        const std::uint8_t flags = r.header.extFlags;
        if (!r.header.hasExtensionFlag())
            return flags == 0 ? "-" : "- (flags " + Hex(flags, 2) + ")";
        if (!r.extensionRead) return "? (not read)";
        if (!r.extension.hasMarker())
            return "flagged, no marker (" + Hex(r.extension.extMarker, 4) + ")";
        bool cut = false;
        std::string name = EscapeForTable(r.extension.name(), kExtensionNameChars, &cut);
        return std::to_string(r.extension.extWidth) + "x" + std::to_string(r.extension.extHeight) +
               " \"" + name + (cut ? "...\"" : "\"");
    }

    static std::string CaptionColumn(const RecordInfo& info) {
        const LocatedRecord& r = info.record;
        if (!r.header.hasCaption()) return "-";
        if (!r.captionRead) return "? (not read)";
        if (!r.captionMarked())
            return "dropped: marker " + Hex(r.caption.captionMarker, 4) + ", not 514";
        std::string text = std::to_string(r.caption.textLength) + " B ";
        if (r.caption.captionEnabled != 1) text += "(disabled) ";
        if (!info.captionTextRead) return text + "? (not read)";
        bool cut = false;
        text += "\"" + EscapeForTable(info.captionText, kCaptionColumnChars, &cut) + "\"";
        if (cut || info.captionText.size() < r.caption.textLength) text += "...";
        return text;
    }

    std::ostream& m_out;
    bool m_colour;
};

class JsonSink final : public Sink {
public:
    explicit JsonSink(std::ostream& out) : m_out(out) {}

    void Header(const FileInfo& info) override {
        const RecordingFileHeader& h = info.header;
        JsonObject o;
        o.String("type", "header").String("path", info.path).Number("fileSize", info.fileSize);
        o.Number("fileKind", h.fileKind());
        o.Number("channelCount", h.channelCount());
        o.Number("extraChannelEntries",
                 (h.firstRecordOffset() - kFirstRecordOffset) / kChannelEntrySize);
        o.Number("dataEnd", h.dataEnd());
        o.String("dataEndVsFileSize", h.dataEnd() == info.fileSize  ? "equal"
                                      : h.dataEnd() < info.fileSize ? "smaller"
                                                                    : "larger");
        const int camera = h.headerCamera();
        if (camera < 0) {
            o.Null("camera").Null("cameraLabel").String("cameraSource", "none");
        } else {
            o.Int("camera", camera).String("cameraLabel", CameraLabel(camera));
            o.String("cameraSource", h.fileKind() == kFileKind514 ? "play-table" : "channel-count");
        }
        o.Raw("playTable", JsonCameraList(h, true)).Raw("nameTable", JsonCameraList(h, false));
        o.Number("firstRecordOffset", h.firstRecordOffset());
        m_out << o.Text() << '\n';
    }

    void Record(const RecordInfo& info) override {
        const LocatedRecord& r = info.record;
        const FrameHeader& h = r.header;
        JsonObject o;
        o.String("type", "record").Number("index", info.index).Number("offset", r.offset);
        o.String("status", StatusName(info.status));
        if (info.status != RecordStatus::Ok) o.String("problem", RecordProblem(info));
        o.Number("marker", h.marker).Int("camera", h.camera).String("cameraLabel", CameraLabel(h.camera));
        o.String("media", MediaName(h.mediaKind)).Number("mediaKind", h.mediaKind);
        o.Number("codec", h.codec).String("codecName", CodecName(h.mediaKind, h.codec));
        o.Number("resolution", h.resolution);
        o.Number("frameType", h.frameType).String("frameTypeName", FrameTypeName(h.frameType));
        o.String("time", FormatTimeStamp(h.timeStamp));
        o.Number("dataLength", h.dataLength).Number("totalLength", h.totalLength);
        o.Number("prevOffset", r.prefix.prevOffset);
        if (h.mediaKind == kMediaAudio)
            o.Number("audioSampleBits", h.audioSampleBits()).Number("audioSampleRate", h.audioSampleRate());
        else
            o.Number("keyFrameOffset", h.keyFrameOffset);
        o.Number("extFlags", h.extFlags);
        o.Raw("caption", Caption(info)).Raw("extension", Extension(r));
        o.Bool("exceedsPlayerBuffers", info.exceedsDataBuffer || info.exceedsCaptionBuffer);
        if (info.status == RecordStatus::Ok) o.Number("nextOffset", r.nextOffset());
        m_out << o.Text() << '\n';
    }

    void Finish(const FileInfo&, const Summary& s) override {
        JsonObject o;
        o.String("type", "summary").Number("records", s.records);
        std::string cameras = "[";
        for (const auto& [camera, count] : s.cameras) {
            if (cameras.size() > 1) cameras += ',';
            JsonObject c;
            c.Int("camera", camera).String("cameraLabel", CameraLabel(camera));
            c.Number("video", count.video).Number("audio", count.audio).Number("other", count.other);
            cameras += c.Text();
        }
        o.Raw("cameras", cameras + "]");
        o.String("end", EndName(s.end));
        const bool stopped = s.end != ChainEnd::DataEnd && s.end != ChainEnd::Empty;
        if (stopped)
            o.Number("stopOffset", s.stopOffset).String("reason", s.reason);
        else
            o.Null("stopOffset").Null("reason");

        const ForwardPlay& p = s.play;
        JsonObject play;
        play.Int("camera", p.camera).String("cameraLabel", CameraLabel(p.camera)).Number("records", p.records);
        if (p.records > 0)
            play.Number("firstOffset", p.firstOffset).Number("lastOffset", p.lastOffset);
        else
            play.Null("firstOffset").Null("lastOffset");
        if (p.stopped)
            play.Number("stopOffset", p.stopOffset).String("reason", p.reason);
        else
            play.Null("stopOffset").Null("reason");
        o.Raw("forwardPlay", play.Text());
        o.Int("exitStatus", s.exitStatus);
        m_out << o.Text() << '\n';
    }

private:
    static std::string Caption(const RecordInfo& info) {
        const LocatedRecord& r = info.record;
        if (!r.captionRead) return "null";
        const CaptionDescriptor& c = r.caption;
        JsonObject o;
        o.Number("marker", c.captionMarker).Bool("marked", r.captionMarked());
        o.Number("textLength", c.textLength);
        if (info.captionTextRead) {
            o.String("text", info.captionText);
            o.Bool("textComplete", info.captionText.size() == c.textLength);
        } else {
            o.Null("text").Bool("textComplete", false);
        }
        o.Bool("enabled", c.captionEnabled == 1);
        o.Number("x", c.textX).Number("y", c.textY).Number("color", c.textColor);
        o.String("font", FaceName(c.font)).Int("fontHeight", c.font.height);
        return o.Text();
    }

    static std::string Extension(const LocatedRecord& r) {
        if (!r.extensionRead) return "null";
        const FrameExtension& e = r.extension;
        JsonObject o;
        o.Number("marker", e.extMarker).Bool("marked", e.hasMarker());
        o.Number("width", e.extWidth).Number("height", e.extHeight).String("name", e.name());
        return o.Text();
    }

    std::ostream& m_out;
};

// ---------------------------------------------------------------------------
// The walk.

class Prober {
public:
    Prober(const RecordFile& file, const FileInfo& info, Sink& sink)
        : m_file(file), m_info(info), m_sink(sink) {
        const int camera = info.header.headerCamera();
        m_summary.play.camera = camera >= 0 ? camera : 0;
    }

    Summary Run() {
        m_sink.Header(m_info);
        const std::uint64_t dataEnd = m_info.header.dataEnd();
        const std::uint64_t first = m_info.header.firstRecordOffset();
        if (first == dataEnd) {
            Stop(ChainEnd::Empty, first, {});
        } else if (first > dataEnd) {
            Stop(ChainEnd::DataEndBeforeFirst, first,
                 "dataEnd " + std::to_string(dataEnd) + " lies before the first record");
        } else {
            Walk(first, dataEnd);
        }
        m_sink.Finish(m_info, m_summary);
        return m_summary;
    }

private:
    // Every step moves forward by at least one record head and stays below
    // dataEnd, a 32-bit value, so the walk ends on any input.
    void Walk(std::uint64_t offset, std::uint64_t dataEnd) {
        for (std::uint64_t index = 0;; ++index) {
            RecordInfo info;
            info.index = index;
            info.first = index == 0;
            info.located = m_file.Locate(offset, info.record);
            if (info.located == LocateResult::HeadOutsideFile) {
                Stop(ChainEnd::HeadOutsideFile, offset,
                     std::string(Describe(info.located)) + " (the file is " +
                         std::to_string(m_info.fileSize) + " bytes)");
                StopPlay(offset, "the record cannot be read");
                return;
            }
            const FrameHeader& h = info.record.header;
            if (!info.first && h.marker != kRecordMarker) {
                // The marker is all that tells a record from stray bytes; the
                // lengths of a record without it mean nothing, and the player
                // stops there too.
                info.status = RecordStatus::BadMarker;
                m_sink.Record(info);
                Stop(ChainEnd::BadMarker, offset,
                     RecordProblem(info) + "; the player's reading stops here, and so does the probe");
                StopPlay(offset, "the record has no marker");
                return;
            }
            if (info.located != LocateResult::Ok) {
                info.status = RecordStatus::CutShort;
                m_sink.Record(info);
                Stop(ChainEnd::CutShort, offset,
                     RecordProblem(info) + " (the file is " + std::to_string(m_info.fileSize) + " bytes)");
                StopPlay(offset, "the record is cut short");
                return;
            }

            ReadCaptionText(info);
            info.exceedsDataBuffer = h.dataLength > kFrameDataCapacity;
            info.exceedsCaptionBuffer =
                info.record.captionMarked() && info.record.caption.textLength > kCaptionTextCapacity;
            m_sink.Record(info);
            Count(info);

            const std::uint64_t next = info.record.nextOffset();
            if (next == dataEnd) {
                Stop(ChainEnd::DataEnd, next, {});
                return;
            }
            if (next > dataEnd) {
                Stop(ChainEnd::PastDataEnd, offset,
                     "the record runs " + std::to_string(next - dataEnd) + " bytes past dataEnd " +
                         std::to_string(dataEnd) + " (it would be followed at " + std::to_string(next) +
                         ")");
                return;
            }
            offset = next;
        }
    }

    void ReadCaptionText(RecordInfo& info) const {
        const LocatedRecord& r = info.record;
        if (!r.captionMarked()) return;
        const std::size_t n = std::min<std::size_t>(r.caption.textLength, kCaptionTextShown);
        std::vector<std::uint8_t> text(n);
        if (!m_file.ReadAt(r.captionTextAt(), text)) return;
        info.captionText.assign(text.begin(), text.end());
        info.captionTextRead = true;
    }

    void Count(const RecordInfo& info) {
        const FrameHeader& h = info.record.header;
        ++m_summary.records;
        CameraCount& count = m_summary.cameras[h.camera];
        if (h.mediaKind == kMediaVideo)
            ++count.video;
        else if (h.mediaKind == kMediaAudio)
            ++count.audio;
        else
            ++count.other;

        // The player's forward reading: the first record and every one after
        // it, as long as each is of its camera and fits its buffers.
        ForwardPlay& p = m_summary.play;
        if (p.stopped) return;
        std::string refusal;
        if (h.camera != p.camera)
            refusal = "a record of " + CameraLabel(h.camera);
        else if (info.exceedsDataBuffer)
            refusal = "its data exceed the player's buffer";
        else if (info.exceedsCaptionBuffer)
            refusal = "its caption text exceeds the player's buffer";
        if (!refusal.empty()) {
            StopPlay(info.record.offset, refusal);
            return;
        }
        if (p.records == 0) p.firstOffset = info.record.offset;
        p.lastOffset = info.record.offset;
        ++p.records;
    }

    void StopPlay(std::uint64_t offset, const std::string& reason) {
        ForwardPlay& p = m_summary.play;
        if (p.stopped) return;
        p.stopped = true;
        p.stopOffset = offset;
        p.reason = reason;
    }

    void Stop(ChainEnd end, std::uint64_t offset, const std::string& reason) {
        m_summary.end = end;
        m_summary.stopOffset = offset;
        m_summary.reason = reason;
        m_summary.exitStatus =
            end == ChainEnd::DataEnd || end == ChainEnd::Empty ? kChainComplete : kChainBroken;
    }

    const RecordFile& m_file;
    const FileInfo& m_info;
    Sink& m_sink;
    Summary m_summary;
};

void PrintUsage(std::ostream& out) {
    out << "Usage: korvane-probe FILE [--json]\n"
           "\n"
           "Lists the file header of a recording and every record of its chain, of all\n"
           "cameras, and says where the chain ends.\n"
           "\n"
           "  --json   one JSON object a line: the header, each record, a summary\n"
           "  --help   show this text\n"
           "\n"
           "Exit status: 0 when the chain reaches dataEnd, 1 when it stops early,\n"
           "2 when the file cannot be read or is shorter than its header.\n";
}

}  // namespace

int ProbeRecording(const std::string& path, const ProbeOptions& options, std::ostream& out,
                   std::ostream& err) {
    RecordFile file;
    if (const int error = file.Open(path); error != 0) {
        err << "korvane-probe: cannot open " << path << ": " << std::strerror(error) << '\n';
        return kCannotRead;
    }
    FileInfo info;
    info.path = path;
    info.fileSize = file.Size();
    if (!file.ReadAt(0, info.header.bytes)) {
        err << "korvane-probe: " << path << " is " << info.fileSize << " bytes, shorter than the "
            << kFileHeaderSize << "-byte file header\n";
        return kCannotRead;
    }
    TextSink text(out, options.colour);
    JsonSink json(out);
    Sink& sink = options.format == OutputFormat::Json ? static_cast<Sink&>(json) : text;
    return Prober(file, info, sink).Run().exitStatus;
}

int RunProbeCommand(std::span<const std::string> args, bool colour, std::ostream& out,
                    std::ostream& err) {
    ProbeOptions options;
    options.colour = colour;
    std::string path;
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            PrintUsage(out);
            return 0;
        }
        if (arg == "--json") {
            options.format = OutputFormat::Json;
        } else if (arg.size() > 1 && arg[0] == '-') {
            err << "korvane-probe: unknown option " << arg << "\n\n";
            PrintUsage(err);
            return kCannotRead;
        } else if (path.empty()) {
            path = arg;
        } else {
            err << "korvane-probe: one recording at a time\n\n";
            PrintUsage(err);
            return kCannotRead;
        }
    }
    if (path.empty()) {
        PrintUsage(err);
        return kCannotRead;
    }
    if (options.format == OutputFormat::Json) options.colour = false;
    return ProbeRecording(path, options, out, err);
}

}  // namespace korvane::probe
