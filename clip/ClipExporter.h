// Lossless clip export: one camera's records of a span of a recording into a
// Matroska or MP4 file (video packets as recorded; the sound as recorded in
// Matroska, or decoded to 16-bit PCM when its records mix codings; AAC in
// MP4), with OUT.times.csv (one row per video record) and
// OUT.report.json (sources, times, counts and SHA-256 hashes) beside it. When
// the camera's codec changes inside the span, the records after the change go
// into OUT-2 (and so on), each with its own CSV. The recording is only read.
// A failed or cancelled export leaves no file: everything is written under
// temporary names and named only when complete.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "recording/RecordLayout.h"

namespace korvane {

struct ExportRequest {
    std::string source;
    std::string output;
    std::optional<SystemTime> from;  // the picture shown at this time starts, from its key record
    std::optional<SystemTime> to;    // the last picture at or before this time ends
    std::optional<int> camera;       // 1-based as shown; nothing: the camera the player would play
};

enum class ExportStatus {
    Written,
    NoPicture,       // the span holds no picture of the camera
    BadName,         // OUT names no container Korvane writes
    CannotOpen,      // the recording cannot be opened
    CannotWrite,     // OUT, its CSV or its report cannot be written
    Unsupported,     // the camera's video cannot go into a container
    Cancelled,
};

struct ExportResult {
    ExportStatus status = ExportStatus::CannotOpen;
    std::string message;  // for people, when not written
    int camera = 0;       // 1-based
    std::size_t pictures = 0;
    std::size_t records = 0;  // video records, pictures and the ones that only feed the decoder
    std::uint64_t audioSamples = 0;
    std::string audioCodec;  // libavcodec's name ("adpcm_g726", "pcm_s16le", "aac" ...) or "none"
    std::string firstTime, lastTime;
    std::string outputSha256;
    std::vector<std::string> moreClips;  // after codec changes
    std::size_t picturesOutOfOrder = 0;
};

// A result that says only why nothing was written (an ExportResult, an IncidentResult).
template <typename Result>
Result FailedWith(ExportStatus status, std::string message) {
    Result result;
    result.status = status;
    result.message = std::move(message);
    return result;
}

// Called now and then with the part done (0 to 1); returning false cancels.
using ExportProgress = std::function<bool(double)>;

ExportResult ExportClip(const ExportRequest& request, const ExportProgress& progress = {});

// The exit status of korvane --export: 0 written, 1 no picture, 2 otherwise.
int ExitStatus(ExportStatus status);
// One line that says what was written, or why not.
std::string SummaryLine(const ExportRequest& request, const ExportResult& result);

// Beside OUT.
std::string TimesPath(const std::string& output);
std::string ReportPath(const std::string& output);

}  // namespace korvane
