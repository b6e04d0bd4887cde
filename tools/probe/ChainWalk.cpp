#include "tools/probe/ChainWalk.h"

#include <array>
#include <cstdio>

#include "recording/RecordReader.h"
#include "decode/VideoCodec.h"
#include "tools/probe/Probe.h"

namespace korvane::probe {

const char* codecName(std::uint8_t mediaKind, std::uint8_t codec) {
    if (mediaKind == kMediaVideo) return VideoCodecName(VideoCodecFromRecord(codec));
    if (mediaKind == kMediaAudio) {
        switch (codec) {
            case 1: return "PCM";
            case 8: case 10: case 13: return "G.721";
            default: return "IMA ADPCM";
        }
    }
    return "unknown";
}

const char* frameTypeName(std::uint8_t frameType) {
    switch (frameType) {
        case kFrameDependent: return "dependent";
        case kFrameKey: return "key";
        case kFrameDecoderOnly: case kFrameDecoderOnly4: return "decoder-only";
        case kFrameGroup: return "group";
        default: return "unknown";
    }
}

const char* mediaName(std::uint8_t mediaKind) {
    switch (mediaKind) {
        case kMediaVideo: return "video";
        case kMediaAudio: return "audio";
        default: return "unknown";
    }
}

std::string cameraLabel(int camera) { return "CAM " + std::to_string(camera + 1); }

std::string hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

std::string recordProblem(const RecordInfo& info) {
    if (info.status == RecordStatus::BadMarker)
        return "record marker is " + std::to_string(info.record.header.marker) + " (" +
               hex(info.record.header.marker, 4) + "), not 514";
    if (info.status == RecordStatus::CutShort) return Describe(info.located);
    return {};
}

namespace {

class ChainWalker {
public:
    ChainWalker(const RecordFile& file, const FileInfo& info, ReportWriter& writer)
        : m_file(file), m_info(info), m_writer(writer) {
        const int camera = info.header.headerCamera();
        m_summary.play.camera = camera >= 0 ? camera : 0;
    }

    Summary run() {
        m_writer.writeHeader(m_info);
        const std::uint64_t dataEnd = m_info.header.dataEnd();
        ChainWalk walk(m_file, m_info.header);
        while (walk.Next()) {
            RecordInfo info;
            info.index = walk.Count();
            info.first = walk.Count() == 0;
            info.record = walk.Record();
            readCaptionText(info);
            info.exceedsDataBuffer = info.record.header.dataLength > kFrameDataCapacity;
            info.exceedsCaptionBuffer =
                info.record.captionMarked() && info.record.caption.textLength > kCaptionTextCapacity;
            m_writer.writeRecord(info);
            count(info);
        }
        const std::uint64_t at = walk.EndOffset();
        RecordInfo refused;
        refused.index = walk.Count();
        refused.first = walk.Count() == 0;
        refused.record = walk.Refused();
        refused.located = walk.RefusedBecause();
        switch (walk.End()) {
            case ChainEnd::Empty: stop(walk.End(), at, {}); break;
            case ChainEnd::DataEndBeforeFirst:
                stop(walk.End(), at, "dataEnd " + std::to_string(dataEnd) + " lies before the first record");
                break;
            case ChainEnd::HeadOutsideFile:
                stop(walk.End(), at,
                     std::string(Describe(walk.RefusedBecause())) + " (the file is " + std::to_string(m_info.fileSize) +
                         " bytes)");
                stopPlay(at, "the record cannot be read");
                break;
            case ChainEnd::BadMarker:
                // The marker is all that tells a record from stray bytes; the
                // lengths of a record without it mean nothing, and play stops there too.
                refused.status = RecordStatus::BadMarker;
                m_writer.writeRecord(refused);
                stop(walk.End(), at, recordProblem(refused) + "; the player's reading stops here, and so does the probe");
                stopPlay(at, "the record has no marker");
                break;
            case ChainEnd::CutShort:
                refused.status = RecordStatus::CutShort;
                m_writer.writeRecord(refused);
                stop(walk.End(), at, recordProblem(refused) + " (the file is " + std::to_string(m_info.fileSize) + " bytes)");
                stopPlay(at, "the record is cut short");
                break;
            case ChainEnd::PastDataEnd: {
                const std::uint64_t next = walk.Record().nextOffset();
                stop(walk.End(), at,
                     "the record runs " + std::to_string(next - dataEnd) + " bytes past dataEnd " +
                         std::to_string(dataEnd) + " (it would be followed at " + std::to_string(next) + ")");
                break;
            }
            default: stop(ChainEnd::DataEnd, at, {}); break;
        }
        m_writer.writeSummary(m_info, m_summary);
        return m_summary;
    }

private:
    // The text is shown up to the player's buffer size: more is never drawn.
    void readCaptionText(RecordInfo& info) {
        const auto length = m_file.ReadCaptionText(info.record, m_captionText);
        if (!length) return;
        info.captionText.assign(m_captionText.begin(), m_captionText.begin() + *length);
        info.captionTextRead = true;
    }

    void count(const RecordInfo& info) {
        const FrameHeader& h = info.record.header;
        ++m_summary.records;
        CameraCount& count = m_summary.cameras[h.camera];
        if (h.mediaKind == kMediaVideo)
            ++count.video;
        else if (h.mediaKind == kMediaAudio)
            ++count.audio;
        else
            ++count.other;

        // The player's forward play: every record of its camera, as long as each fits its buffers.
        ForwardPlay& p = m_summary.play;
        if (p.stopped || h.camera != p.camera) return;
        std::string refusal;
        if (info.exceedsDataBuffer)
            refusal = "its data exceed the player's buffer";
        else if (info.exceedsCaptionBuffer)
            refusal = "its caption text exceeds the player's buffer";
        if (!refusal.empty()) {
            stopPlay(info.record.offset, refusal);
            return;
        }
        if (p.records == 0) p.firstOffset = info.record.offset;
        p.lastOffset = info.record.offset;
        ++p.records;
    }

    void stopPlay(std::uint64_t offset, const std::string& reason) {
        ForwardPlay& p = m_summary.play;
        if (p.stopped) return;
        p.stopped = true;
        p.stopOffset = offset;
        p.reason = reason;
    }

    void stop(ChainEnd end, std::uint64_t offset, const std::string& reason) {
        m_summary.end = end;
        m_summary.stopOffset = offset;
        m_summary.reason = reason;
        m_summary.exitStatus =
            end == ChainEnd::DataEnd || end == ChainEnd::Empty ? kChainComplete : kChainBroken;
    }

    const RecordFile& m_file;
    const FileInfo& m_info;
    ReportWriter& m_writer;
    Summary m_summary;
    std::array<std::uint8_t, kCaptionTextCapacity> m_captionText{};
};

}  // namespace

Summary walkChain(const RecordFile& file, const FileInfo& info, ReportWriter& writer) {
    return ChainWalker(file, info, writer).run();
}

}  // namespace korvane::probe
