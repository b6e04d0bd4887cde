// An incident package: the same span from several cameras of a set of
// recordings, written into one folder: a lossless clip per camera (across
// its recordings, with its times CSV), manifest.json (every file and source
// with its SHA-256) and report.pdf (for people). A failed or cancelled export
// leaves nothing of what it wrote; the recordings are only read. The report
// is painted with Qt: a QGuiApplication must exist (offscreen is enough).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "clip/ClipExporter.h"
#include "clip/Manifest.h"

namespace korvane {

struct IncidentRequest {
    std::string folder;
    std::vector<std::string> paths;  // recordings or folders of them
    std::optional<std::int64_t> fromMs, toMs;
    std::optional<std::vector<int>> cameras;  // 1-based; nothing: every camera
    std::string note;
    std::string extension = ".mkv";
    std::vector<ManifestBookmark> bookmarks;  // those in the span go into the package
};

struct IncidentResult {
    ExportStatus status = ExportStatus::CannotOpen;
    std::string message;
    std::size_t cameras = 0, pictures = 0;
    std::string manifestSha256;
};

IncidentResult ExportIncident(const IncidentRequest& request, const ExportProgress& progress = {});

// One line that says what was written, or why not.
std::string IncidentSummary(const IncidentRequest& request, const IncidentResult& result);

}  // namespace korvane
