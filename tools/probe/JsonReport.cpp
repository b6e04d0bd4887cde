#include "tools/probe/JsonReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <algorithm>
#include <ostream>
#include <string_view>

#include "recording/TimeStamp.h"

namespace korvane::probe {
namespace {

QJsonValue number(std::uint64_t value) { return QJsonValue(static_cast<qint64>(value)); }

QString latin1(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

const char* statusName(RecordStatus status) {
    switch (status) {
        case RecordStatus::Ok: return "ok";
        case RecordStatus::CutShort: return "cut-short";
        case RecordStatus::BadMarker: return "bad-marker";
    }
    return "unknown";
}

const char* endName(ChainEnd end) {
    switch (end) {
        case ChainEnd::DataEnd: return "data-end";
        case ChainEnd::Empty: return "empty";
        case ChainEnd::DataEndBeforeFirst: return "data-end-before-first-record";
        case ChainEnd::HeadOutsideFile: return "head-outside-file";
        case ChainEnd::CutShort: return "cut-short";
        case ChainEnd::BadMarker: return "bad-marker";
        case ChainEnd::PastDataEnd: return "past-data-end";
        case ChainEnd::None: break;
    }
    return "unknown";
}

QJsonArray cameraArray(const RecordingFileHeader& header, bool playTable) {
    QJsonArray cameras;
    for (int i = 0; i < kCameraCount; ++i)
        if ((playTable ? header.playCamera(i) : header.nameCamera(i)) != 0) cameras.append(i);
    return cameras;
}

std::string faceName(const LogFont& font) {
    const auto end = std::find(font.faceName.begin(), font.faceName.end(), '\0');
    return std::string(font.faceName.begin(), end);
}

QJsonValue caption(const RecordInfo& info) {
    const LocatedRecord& r = info.record;
    if (!r.captionRead) return QJsonValue::Null;
    const CaptionDescriptor& c = r.caption;
    QJsonObject o{{"marker", c.captionMarker},
                  {"marked", r.captionMarked()},
                  {"textLength", number(c.textLength)},
                  {"enabled", c.captionEnabled == 1},
                  {"x", c.textX},
                  {"y", c.textY},
                  {"color", number(c.textColor)},
                  {"font", latin1(faceName(c.font))},
                  {"fontHeight", c.font.height}};
    if (info.captionTextRead) {
        o.insert("text", latin1(info.captionText));
        o.insert("textComplete", info.captionText.size() == c.textLength);
    } else {
        o.insert("text", QJsonValue::Null);
        o.insert("textComplete", false);
    }
    return o;
}

QJsonValue extension(const LocatedRecord& r) {
    if (!r.extensionRead) return QJsonValue::Null;
    const FrameExtension& e = r.extension;
    return QJsonObject{{"marker", e.extMarker},
                       {"marked", e.hasMarker()},
                       {"width", e.extWidth},
                       {"height", e.extHeight},
                       {"name", latin1(e.name())}};
}

// An offset and its reason, or null for both when there is no stop.
void insertStop(QJsonObject& o, bool stopped, std::uint64_t offset, const std::string& reason) {
    o.insert("stopOffset", stopped ? number(offset) : QJsonValue(QJsonValue::Null));
    o.insert("reason", stopped ? QJsonValue(latin1(reason)) : QJsonValue(QJsonValue::Null));
}

}  // namespace

void JsonReportWriter::writeHeader(const FileInfo& info) {
    const RecordingFileHeader& h = info.header;
    const char* dataEndVsFileSize = h.dataEnd() == info.fileSize  ? "equal"
                                    : h.dataEnd() < info.fileSize ? "smaller"
                                                                  : "larger";
    QJsonObject o{{"type", "header"},
                  {"path", latin1(info.path)},
                  {"fileSize", number(info.fileSize)},
                  {"fileKind", number(h.fileKind())},
                  {"channelCount", h.channelCount()},
                  {"extraChannelEntries",
                   number((h.firstRecordOffset() - kFirstRecordOffset) / kChannelEntrySize)},
                  {"dataEnd", number(h.dataEnd())},
                  {"dataEndVsFileSize", dataEndVsFileSize},
                  {"playTable", cameraArray(h, true)},
                  {"nameTable", cameraArray(h, false)},
                  {"firstRecordOffset", number(h.firstRecordOffset())}};
    const int camera = h.headerCamera();
    if (camera < 0) {
        o.insert("camera", QJsonValue::Null);
        o.insert("cameraLabel", QJsonValue::Null);
        o.insert("cameraSource", "none");
    } else {
        o.insert("camera", camera);
        o.insert("cameraLabel", latin1(cameraLabel(camera)));
        o.insert("cameraSource", h.fileKind() == kFileKind514 ? "play-table" : "channel-count");
    }
    writeObject(o);
}

void JsonReportWriter::writeRecord(const RecordInfo& info) {
    const LocatedRecord& r = info.record;
    const FrameHeader& h = r.header;
    QJsonObject o{{"type", "record"},
                  {"index", number(info.index)},
                  {"offset", number(r.offset)},
                  {"status", statusName(info.status)},
                  {"marker", h.marker},
                  {"camera", h.camera},
                  {"cameraLabel", latin1(cameraLabel(h.camera))},
                  {"media", mediaName(h.mediaKind)},
                  {"mediaKind", h.mediaKind},
                  {"codec", h.codec},
                  {"codecName", codecName(h.mediaKind, h.codec)},
                  {"resolution", h.resolution},
                  {"frameType", h.frameType},
                  {"frameTypeName", frameTypeName(h.frameType)},
                  {"time", latin1(FormatRecordedTime(h.timeStamp))},
                  {"dataLength", number(h.dataLength)},
                  {"totalLength", number(h.totalLength)},
                  {"prevOffset", number(r.prefix.prevOffset)},
                  {"extFlags", h.extFlags},
                  {"caption", caption(info)},
                  {"extension", extension(r)},
                  {"exceedsPlayerBuffers", info.exceedsDataBuffer || info.exceedsCaptionBuffer}};
    if (info.status == RecordStatus::Ok)
        o.insert("nextOffset", number(r.nextOffset()));
    else
        o.insert("problem", latin1(recordProblem(info)));
    if (h.mediaKind == kMediaAudio) {
        o.insert("audioSampleBits", h.audioSampleBits());
        o.insert("audioSampleRate", h.audioSampleRate());
    } else {
        o.insert("keyFrameOffset", number(h.keyFrameOffset));
    }
    writeObject(o);
}

void JsonReportWriter::writeSummary(const FileInfo&, const Summary& s) {
    QJsonArray cameras;
    for (const auto& [camera, count] : s.cameras)
        cameras.append(QJsonObject{{"camera", camera},
                                   {"cameraLabel", latin1(cameraLabel(camera))},
                                   {"video", number(count.video)},
                                   {"audio", number(count.audio)},
                                   {"other", number(count.other)}});

    const ForwardPlay& p = s.play;
    QJsonObject play{{"camera", p.camera},
                     {"cameraLabel", latin1(cameraLabel(p.camera))},
                     {"records", number(p.records)}};
    play.insert("firstOffset", p.records > 0 ? number(p.firstOffset) : QJsonValue(QJsonValue::Null));
    play.insert("lastOffset", p.records > 0 ? number(p.lastOffset) : QJsonValue(QJsonValue::Null));
    insertStop(play, p.stopped, p.stopOffset, p.reason);

    QJsonObject o{{"type", "summary"},
                  {"records", number(s.records)},
                  {"cameras", cameras},
                  {"end", endName(s.end)},
                  {"forwardPlay", play},
                  {"exitStatus", s.exitStatus}};
    insertStop(o, s.end != ChainEnd::DataEnd && s.end != ChainEnd::Empty, s.stopOffset, s.reason);
    writeObject(o);
}

void JsonReportWriter::writeObject(const QJsonObject& object) {
    m_out << QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() << '\n';
}

}  // namespace korvane::probe
