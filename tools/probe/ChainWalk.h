// The probe's report of the physical record chain: every record in file
// order, whatever its camera, until dataEnd or the first record that cannot
// be followed (the recording layer's ChainWalk), told to a ReportWriter.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "recording/ChainWalk.h"
#include "recording/RecordFile.h"
#include "recording/RecordLayout.h"

namespace korvane::probe {

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
    std::string captionText;  // up to kCaptionTextCapacity bytes of a marked caption
    bool captionTextRead = false;
    bool exceedsDataBuffer = false;
    bool exceedsCaptionBuffer = false;
};

struct CameraCount {
    std::uint64_t video = 0;
    std::uint64_t audio = 0;
    std::uint64_t other = 0;
};

// How far the player's forward play of the header's camera gets along the
// chain: it passes over other cameras' records and reads on while its
// camera's records fit its buffers.
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
    int exitStatus = 0;
};

// Receives the walk as it goes: the header, each record, the summary.
class ReportWriter {
public:
    virtual ~ReportWriter() = default;
    virtual void writeHeader(const FileInfo& info) = 0;
    virtual void writeRecord(const RecordInfo& info) = 0;
    virtual void writeSummary(const FileInfo& info, const Summary& summary) = 0;
};

// Walks the chain of an open file whose header is in info.
Summary walkChain(const RecordFile& file, const FileInfo& info, ReportWriter& writer);

// Names and descriptions both reports share.
const char* codecName(std::uint8_t mediaKind, std::uint8_t codec);
const char* frameTypeName(std::uint8_t frameType);
const char* mediaName(std::uint8_t mediaKind);
std::string cameraLabel(int camera);
std::string hex(std::uint32_t value, int digits);
// The problem that stops the chain at a record, in words; empty for a good record.
std::string recordProblem(const RecordInfo& info);

}  // namespace korvane::probe
