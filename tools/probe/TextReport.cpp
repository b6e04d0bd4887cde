#include "tools/probe/TextReport.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ostream>
#include <string_view>

#include "recording/RecordReader.h"
#include "recording/TimeStamp.h"

namespace korvane::probe {
namespace {

constexpr std::size_t kCaptionColumnChars = 40;
constexpr std::size_t kExtensionNameChars = 16;

// Columns of the record table. A value wider than its column (stray bytes
// read as a record) pushes the rest of the row right only as far as it must:
// the next columns take back the slack and line up again.
struct Column {
    std::size_t width;
    bool right;
};
constexpr std::array<Column, 11> kColumns{{{10, true}, {7, false}, {8, false}, {27, false},
                                           {14, false}, {24, false}, {10, true}, {10, true},
                                           {16, true}, {34, false}, {0, false}}};
constexpr std::size_t kGap = 2;
constexpr std::size_t kLabelWidth = 16;

std::string tableRow(const std::array<std::string, kColumns.size()>& values) {
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

// Printable ASCII as it is, everything else as a C-style escape, cut at
// maxChars characters; cut says whether anything was left out.
std::string escapeForTable(std::string_view bytes, std::size_t maxChars, bool& cut) {
    std::string out;
    cut = false;
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
                    char code[8];
                    std::snprintf(code, sizeof code, "\\x%02X", c);
                    piece = code;
                }
        }
        if (out.size() + piece.size() > maxChars) {
            cut = true;
            break;
        }
        out += piece;
    }
    return out;
}

std::string cameraList(const RecordingFileHeader& header, bool playTable) {
    std::string out;
    for (int i = 0; i < kCameraCount; ++i) {
        if ((playTable ? header.playCamera(i) : header.nameCamera(i)) == 0) continue;
        if (!out.empty()) out += ", ";
        out += cameraLabel(i);
    }
    return out.empty() ? "empty" : out;
}

std::string counts(const CameraCount& c) {
    std::string text = "video " + std::to_string(c.video) + ", audio " + std::to_string(c.audio);
    if (c.other != 0) text += ", other " + std::to_string(c.other);
    return text;
}

std::string extensionColumn(const LocatedRecord& r) {
    const std::uint8_t flags = r.header.extFlags;
    if (!r.header.hasExtensionFlag()) return flags == 0 ? "-" : "- (flags " + hex(flags, 2) + ")";
    if (!r.extensionRead) return "? (not read)";
    if (!r.extension.hasMarker()) return "flagged, no marker (" + hex(r.extension.extMarker, 4) + ")";
    bool cut = false;
    const std::string name = escapeForTable(r.extension.name(), kExtensionNameChars, cut);
    return std::to_string(r.extension.extWidth) + "x" + std::to_string(r.extension.extHeight) + " \"" +
           name + (cut ? "...\"" : "\"");
}

std::string captionColumn(const RecordInfo& info) {
    const LocatedRecord& r = info.record;
    if (!r.header.hasCaption()) return "-";
    if (!r.captionRead) return "? (not read)";
    if (!r.captionMarked()) return "dropped: marker " + hex(r.caption.captionMarker, 4) + ", not 514";
    std::string text = std::to_string(r.caption.textLength) + " B ";
    if (r.caption.captionEnabled != 1) text += "(disabled) ";
    if (!info.captionTextRead) return text + "? (not read)";
    bool cut = false;
    text += "\"" + escapeForTable(info.captionText, kCaptionColumnChars, cut) + "\"";
    if (cut || info.captionText.size() < r.caption.textLength) text += "...";
    return text;
}

std::string dataEndText(const RecordingFileHeader& h, std::uint64_t fileSize) {
    const std::string end = std::to_string(h.dataEnd());
    if (h.dataEnd() == fileSize) return end + " (the end of the file)";
    if (h.dataEnd() < fileSize)
        return end + " (" + std::to_string(fileSize - h.dataEnd()) +
               " bytes before the end of the file; they are never read)";
    return end + " (" + std::to_string(h.dataEnd() - fileSize) + " bytes beyond the end of the file)";
}

std::string forwardPlayText(const ForwardPlay& p) {
    std::string play = cameraLabel(p.camera) + ": ";
    if (p.records == 0)
        play += "no record is read";
    else if (p.records == 1)
        play += "1 record at " + std::to_string(p.firstOffset);
    else
        play += std::to_string(p.records) + " records, " + std::to_string(p.firstOffset) + " to " +
                std::to_string(p.lastOffset);
    if (p.stopped)
        play += "; stops at " + std::to_string(p.stopOffset) + ": " + p.reason;
    else if (p.records > 0)
        play += "; reads to the end of the chain";
    return play;
}

}  // namespace

void TextReportWriter::writeHeader(const FileInfo& info) {
    const RecordingFileHeader& h = info.header;
    writeLine("Recording", info.path);
    std::string kind = std::to_string(h.fileKind());
    if (h.fileKind() != kFileKind514 && h.fileKind() != kFileKind771)
        kind += " (not 514 or 771: the header names no camera)";
    writeLine("File kind", kind);
    if (h.fileKind() == kFileKind771) {
        const unsigned channels = h.channelCount();
        std::string text = std::to_string(channels);
        if (channels > 32) {
            const unsigned extra = channels - 32;
            text += " (" + std::to_string(extra) + " extra channel " + (extra == 1 ? "entry" : "entries") +
                    " of 20 bytes after the header)";
        } else {
            text += " (no extra channel entries)";
        }
        writeLine("Channels", text);
    }
    writeLine("File size", std::to_string(info.fileSize) + " bytes");
    const std::string end = dataEndText(h, info.fileSize);
    writeLine("dataEnd", h.dataEnd() > info.fileSize ? warn(end) : end);
    const int camera = h.headerCamera();
    if (camera < 0) {
        writeLine("Camera", "none named by the header: the player keeps its previous camera (0 at start)");
    } else {
        const std::string from = h.fileKind() == kFileKind514
                                     ? "first entry of the play table"
                                     : "channel count " + std::to_string(h.channelCount()) + " - 1";
        writeLine("Camera", cameraLabel(camera) + " (camera " + std::to_string(camera) + "), " + from);
    }
    if (h.fileKind() == kFileKind514) writeLine("Play table", cameraList(h, true));
    writeLine("Name table", cameraList(h, false));
    writeLine("First record", "at " + std::to_string(h.firstRecordOffset()));
    m_out << '\n'
          << tableRow({"OFFSET", "CAMERA", "MEDIA", "CODEC", "FRAME TYPE", "TIME", "DATA", "PREV", "KEY / AUDIO",
                       "EXTENSION", "CAPTION"})
          << '\n';
}

void TextReportWriter::writeRecord(const RecordInfo& info) {
    const LocatedRecord& r = info.record;
    const FrameHeader& h = r.header;
    const bool audio = h.mediaKind == kMediaAudio;
    const std::string media =
        h.mediaKind <= kMediaAudio ? mediaName(h.mediaKind) : "kind " + std::to_string(h.mediaKind);
    const std::string codec = std::to_string(h.codec) + " " + codecName(h.mediaKind, h.codec);
    const std::string frameType =
        audio ? "-" : std::to_string(h.frameType) + " " + frameTypeName(h.frameType);
    const std::string keyOrAudio = audio ? std::to_string(h.audioSampleBits()) + "-bit " +
                                               std::to_string(h.audioSampleRate()) + " Hz"
                                         : std::to_string(h.keyFrameOffset);

    m_out << tableRow({std::to_string(r.offset), cameraLabel(h.camera), media, codec, frameType,
                       FormatRecordedTime(h.timeStamp), std::to_string(h.dataLength),
                       std::to_string(r.prefix.prevOffset), keyOrAudio, extensionColumn(r), captionColumn(info)})
          << '\n';

    if (info.first && h.marker != kRecordMarker)
        writeNote("marker is " + std::to_string(h.marker) +
                  ", not 514 (the player does not check the first record's marker)");
    if (info.exceedsDataBuffer)
        writeNote("data larger than the player's " + std::to_string(kFrameDataCapacity) +
                  "-byte buffer: the player does not read this record");
    if (info.exceedsCaptionBuffer)
        writeNote("caption text longer than the player's " + std::to_string(kCaptionTextCapacity) +
                  "-byte buffer: the player does not read this record");
    if (info.status != RecordStatus::Ok) writeNote(warn(recordProblem(info)));
}

void TextReportWriter::writeSummary(const FileInfo& info, const Summary& s) {
    m_out << "\nSummary\n";
    CameraCount all;
    for (const auto& [camera, count] : s.cameras) {
        all.video += count.video;
        all.audio += count.audio;
        all.other += count.other;
    }
    writeLine("Records", std::to_string(s.records) + ": " + counts(all), 2);
    for (const auto& [camera, count] : s.cameras) writeLine(cameraLabel(camera), counts(count), 2);

    std::string end;
    switch (s.end) {
        case ChainEnd::DataEnd: end = "reached dataEnd at " + std::to_string(info.header.dataEnd()); break;
        case ChainEnd::Empty: end = "no records: dataEnd is the first record's offset"; break;
        default: end = warn("stopped at offset " + std::to_string(s.stopOffset) + ": " + s.reason);
    }
    writeLine("Chain end", end, 2);
    writeLine("Forward play", forwardPlayText(s.play), 2);
}

// A label padded to a fixed width (at least one space), then its value.
void TextReportWriter::writeLine(const std::string& label, const std::string& value, int indent) {
    const std::size_t used = label.size() + indent;
    m_out << std::string(indent, ' ') << label << std::string(used < kLabelWidth ? kLabelWidth - used : 1, ' ')
          << value << '\n';
}

void TextReportWriter::writeNote(const std::string& text) {
    m_out << std::string(12, ' ') << "note: " << text << '\n';
}

std::string TextReportWriter::warn(const std::string& text) const {
    return m_colour ? "\033[1;31m" + text + "\033[0m" : text;
}

}  // namespace korvane::probe
