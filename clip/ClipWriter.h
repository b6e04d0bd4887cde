// Writes one camera's span of records, read from its recordings in play
// order, into a clip (or several, one more each time the video's codec
// changes: OUT, then OUT-2, OUT-3 ... before the extension), each with its
// times CSV. The files are created in an OutputSet; the caller commits them
// once everything else of the export is written too.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "clip/ClipExporter.h"
#include "clip/ClipMuxer.h"
#include "clip/ClipReport.h"
#include "clip/ClipSpan.h"
#include "clip/OutputSet.h"
#include "clip/SourceSet.h"

namespace korvane {

struct ClipJob {
    Container container = Container::Matroska;
    std::string output;  // the first clip's name
    std::string title;
};

struct ClipOutcome {
    ExportStatus status = ExportStatus::Written;
    std::string message;  // for people, when not written
    std::vector<ClipPart> parts;
};

// The name of the clip after `part` more codec changes: "a.mkv", "a-2.mkv", ...
std::string PartPath(const std::string& output, std::size_t part);

// `cancelled` is asked after every record.
ClipOutcome WriteClip(const ClipJob& job, const ClipSpan& span, SourceSet& sources, OutputSet& outputs,
                      const std::function<bool()>& cancelled);

}  // namespace korvane
