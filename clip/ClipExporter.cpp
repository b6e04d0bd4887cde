#include "clip/ClipExporter.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <new>

#include "clip/ClipSpan.h"
#include "clip/ClipWriter.h"
#include "clip/OutputSet.h"
#include "clip/QtText.h"
#include "clip/SourceSet.h"
#include "recording/RecordFile.h"
#include "recording/SiteInfo.h"
#include "recording/TimeStamp.h"

namespace korvane {
namespace {

ExportResult Failure(ExportStatus status, std::string message) { return FailedWith<ExportResult>(status, std::move(message)); }


ExportResult Export(const ExportRequest& request, const ExportProgress& progress) {
    const std::optional<Container> container = ContainerForPath(request.output);
    if (!container) return Failure(ExportStatus::BadName, "the clip's name must end in .mkv or .mp4: " + request.output);

    RecordFile file;
    RecordingFileHeader header;
    if (file.Open(request.source) != 0 || !file.ReadAt(0, header.bytes))
        return Failure(ExportStatus::CannotOpen, "cannot open " + request.source);
    const int camera = request.camera ? *request.camera - 1 : std::max(header.headerCamera(), 0);
    if (camera < 0 || camera > 255) return Failure(ExportStatus::NoPicture, "no such camera");

    const std::optional<RecordingSet> set = RecordingSet::Build({request.source});
    if (!set || set->Index(0) == nullptr) return Failure(ExportStatus::CannotOpen, "cannot open " + request.source);
    SpanLimits limits;
    limits.camera = camera;
    if (request.from) limits.fromMs = CaptureMilliseconds(*request.from);
    if (request.to) limits.toMs = CaptureMilliseconds(*request.to);
    const ClipSpan span = SpanOnTrack(*set, limits);
    if (span.pictures == 0)
        return Failure(ExportStatus::NoPicture, "no picture of CAM" + std::to_string(camera + 1) + " in the span");

    SourceSet sources;
    if (!sources.Open({request.source})) return Failure(ExportStatus::CannotOpen, sources.Error());
    const auto cancelled = [&] { return progress && !progress(sources.Done()); };

    const std::string site = SiteName(request.source), cameraName = CameraName(request.source, camera);
    ClipJob job;
    job.container = *container;
    job.output = request.output;
    job.title = (site.empty() ? std::string() : site + " ") + "CAM" + std::to_string(camera + 1) +
                (cameraName.empty() ? std::string() : " " + cameraName);
    OutputSet outputs;
    const ClipOutcome clip = WriteClip(job, span, sources, outputs, cancelled);
    if (clip.status != ExportStatus::Written) return Failure(clip.status, clip.message);
    if (!sources.Finish(cancelled))
        return Failure(sources.Error() == "cancelled" ? ExportStatus::Cancelled : ExportStatus::CannotOpen,
                       sources.Error());

    const ClipPart& first = clip.parts.front();
    ExportResult result;
    result.camera = camera + 1;
    result.firstTime = first.firstTime;
    result.lastTime = clip.parts.back().lastTime;
    result.audioCodec = first.audioCodec;
    result.outputSha256 = first.clip.sha256.toStdString();
    QJsonArray parts;
    for (const ClipPart& part : clip.parts) {
        result.pictures += part.pictures;
        result.records += part.records;
        result.audioSamples += part.audioSamples;
        result.picturesOutOfOrder += part.picturesOutOfOrder;
        if (&part != &first) result.moreClips.push_back(part.clip.path);
        parts.append(PartJson(part));
    }

    const SourceFile& source = sources.Files().front();
    QJsonObject report{{QStringLiteral("source"), ToQt(source.path)},
                       {QStringLiteral("source_size"), static_cast<qint64>(source.size)},
                       {QStringLiteral("source_sha256"), QString::fromLatin1(source.sha256)},
                       {QStringLiteral("site"), ToQt(site)},
                       {QStringLiteral("camera"), camera + 1},
                       {QStringLiteral("camera_name"), ToQt(cameraName)},
                       {QStringLiteral("first_capture_time"), ToQt(result.firstTime)},
                       {QStringLiteral("last_capture_time"), ToQt(result.lastTime)},
                       {QStringLiteral("pictures"), static_cast<qint64>(result.pictures)},
                       {QStringLiteral("audio_samples"), static_cast<qint64>(result.audioSamples)},
                       {QStringLiteral("audio_codec"), ToQt(result.audioCodec)},
                       {QStringLiteral("output"), ToQt(request.output)},
                       {QStringLiteral("output_sha256"), QString::fromLatin1(first.clip.sha256)},
                       {QStringLiteral("clips"), parts},
                       {QStringLiteral("program"), QStringLiteral("Korvane " KORVANE_VERSION)}};
    if (!first.soundNote.empty()) report[QStringLiteral("audio_note")] = ToQt(first.soundNote);
    HashedOutput* reportFile = outputs.Add(ReportPath(request.output));
    if (reportFile == nullptr || !WriteJson(*reportFile, report) || !reportFile->Close())
        return Failure(ExportStatus::CannotWrite, reportFile ? reportFile->Error() : outputs.Error());
    if (!outputs.Commit()) return Failure(ExportStatus::CannotWrite, outputs.Error());
    result.status = ExportStatus::Written;
    return result;
}

}  // namespace

std::string TimesPath(const std::string& output) { return output + ".times.csv"; }
std::string ReportPath(const std::string& output) { return output + ".report.json"; }

int ExitStatus(ExportStatus status) {
    switch (status) {
        case ExportStatus::Written: return 0;
        case ExportStatus::NoPicture: return 1;
        default: return 2;
    }
}

std::string SummaryLine(const ExportRequest& request, const ExportResult& r) {
    if (r.status != ExportStatus::Written) return "export failed: " + r.message;
    std::string line = "exported " + std::to_string(r.pictures) + " pictures of CAM" + std::to_string(r.camera) +
                       " from " + r.firstTime + " to " + r.lastTime + ", " + std::to_string(r.audioSamples) +
                       " audio samples (" + r.audioCodec + ") to " + request.output + " sha256 " + r.outputSha256;
    for (const std::string& more : r.moreClips) line += ", after a codec change to " + more;
    if (r.picturesOutOfOrder > 0)
        line += ", " + std::to_string(r.picturesOutOfOrder) + " pictures with capture times out of order (see the CSV)";
    return line;
}

ExportResult ExportClip(const ExportRequest& request, const ExportProgress& progress) {
    // Whatever fails, the files written so far go with the stack; running out of memory is one more failure.
    try {
        return Export(request, progress);
    } catch (const std::bad_alloc&) {
        return Failure(ExportStatus::CannotWrite, "not enough memory for the export");
    }
}

}  // namespace korvane
