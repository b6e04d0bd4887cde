#include "clip/IncidentExport.h"

#include <QDateTime>

#include <algorithm>
#include <filesystem>
#include <new>

#include "clip/ClipMuxer.h"
#include "clip/ClipSpan.h"
#include "clip/ClipWriter.h"
#include "clip/IncidentPictures.h"
#include "clip/IncidentReport.h"
#include "clip/OutputSet.h"
#include "clip/SourceSet.h"
#include "recording/TimeStamp.h"

namespace korvane {
namespace {

IncidentResult IncidentFailure(ExportStatus status, std::string message) {
    return FailedWith<IncidentResult>(status, std::move(message));
}

std::string TimeText(std::int64_t ms) { return FormatCaptureTime(FromCaptureMilliseconds(ms)); }
std::string Name(const std::string& path) { return std::filesystem::path(path).filename().string(); }

// Removes the folder again when the export made it and nothing is left in it.
class MadeFolder {
public:
    explicit MadeFolder(std::filesystem::path path) : m_path(std::move(path)) {
        std::error_code error;
        m_made = std::filesystem::create_directories(m_path, error);
        m_ok = !error && std::filesystem::is_directory(m_path, error);
    }
    ~MadeFolder() {
        std::error_code error;
        if (m_made && !m_kept) std::filesystem::remove(m_path, error);  // only when empty
    }
    MadeFolder(const MadeFolder&) = delete;
    MadeFolder& operator=(const MadeFolder&) = delete;
    bool Ok() const { return m_ok; }
    void Keep() { m_kept = true; }

private:
    std::filesystem::path m_path;
    bool m_made = false, m_ok = false, m_kept = false;
};

struct CameraClip {
    int camera = 0;  // 0-based
    std::vector<ClipPart> parts;
    std::int64_t firstMs = 0, lastMs = 0;
};

IncidentResult Export(const IncidentRequest& request, const ExportProgress& progress) {
    const std::optional<Container> container = ContainerForPath("x" + request.extension);
    if (!container) return IncidentFailure(ExportStatus::BadName, "clips are .mkv or .mp4, not " + request.extension);
    const std::vector<std::string> paths = RecordingPaths(request.paths);
    if (paths.empty()) return IncidentFailure(ExportStatus::CannotOpen, "no recording among the paths given");
    for (const std::string& path : paths)
        if (!IsRecordingFile(path))
            return IncidentFailure(ExportStatus::CannotOpen, "cannot open " + path + " as a recording");
    std::optional<RecordingSet> set = RecordingSet::Build(paths);
    if (!set) return IncidentFailure(ExportStatus::CannotOpen, "the recordings cannot be opened");
    for (std::uint32_t f = 0; f < set->FileCount(); ++f)
        if (set->Index(f) == nullptr) return IncidentFailure(ExportStatus::CannotOpen, "cannot open " + set->Path(f));

    std::vector<int> cameras;
    for (int camera : set->Cameras())
        if (!request.cameras || std::count(request.cameras->begin(), request.cameras->end(), camera + 1) > 0)
            cameras.push_back(camera);

    // Which cameras have pictures in the span, before anything is written.
    std::vector<std::pair<int, ClipSpan>> spans;
    for (int camera : cameras) {
        ClipSpan span = SpanOnTrack(*set, {camera, request.fromMs, request.toMs});
        if (span.pictures > 0) spans.emplace_back(camera, std::move(span));
    }
    if (spans.empty())
        return IncidentFailure(ExportStatus::NoPicture, "no picture of the cameras asked for in the span");

    MadeFolder folder(request.folder);
    if (!folder.Ok()) return IncidentFailure(ExportStatus::CannotWrite, "cannot make the folder " + request.folder);
    SourceSet sources;
    if (!sources.Open(paths)) return IncidentFailure(ExportStatus::CannotOpen, sources.Error());
    // The clips take nine tenths of the progress, the sources' remaining hashing and the report the rest.
    const auto cancelled = [&] { return progress && !progress(0.9 * sources.Done()); };

    OutputSet outputs;
    std::vector<CameraClip> clips;
    for (const auto& [camera, span] : spans) {
        ClipJob job;
        job.container = *container;
        job.output = (std::filesystem::path(request.folder) / ("CAM" + std::to_string(camera + 1) + request.extension)).string();
        const std::string name = set->CameraName(camera);
        job.title = (set->SiteName().empty() ? "" : set->SiteName() + " ") + "CAM" + std::to_string(camera + 1) +
                    (name.empty() ? "" : " " + name);
        ClipOutcome outcome = WriteClip(job, span, sources, outputs, cancelled);
        if (outcome.status != ExportStatus::Written) return IncidentFailure(outcome.status, outcome.message);
        CameraClip clip{camera, std::move(outcome.parts), 0, 0};
        clips.push_back(std::move(clip));
    }
    if (!sources.Finish(cancelled))
        return IncidentFailure(sources.Error() == "cancelled" ? ExportStatus::Cancelled : ExportStatus::CannotOpen,
                               sources.Error());

    // The manifest.
    Manifest manifest;
    manifest.program = "Korvane " KORVANE_VERSION;
    manifest.made = QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toStdString();
    manifest.site = set->SiteName();
    manifest.note = request.note;
    std::vector<ReportCamera> report;
    std::int64_t from = INT64_MAX, to = INT64_MIN;
    IncidentResult result;
    for (const CameraClip& clip : clips) {
        ReportCamera entry;
        ManifestCamera& c = entry.camera;
        c.camera = clip.camera + 1;
        c.name = set->CameraName(clip.camera);
        c.firstTime = clip.parts.front().firstTime;
        c.lastTime = clip.parts.back().lastTime;
        c.audioCodec = clip.parts.front().audioCodec;
        entry.soundNote = clip.parts.front().soundNote;
        for (const ClipPart& part : clip.parts) {
            c.pictures += part.pictures;
            c.picturesOutOfOrder += part.picturesOutOfOrder;
            c.clips.push_back(Name(part.clip.path));
            for (const WrittenFile* f : {&part.clip, &part.times}) {
                const ManifestFile listed{Name(f->path), f->size, f->sha256.toStdString()};
                manifest.files.push_back(listed);
                entry.files.push_back(listed);
            }
        }
        const std::int64_t firstMs = CaptureMilliseconds(*ParseCaptureTime(c.firstTime));
        const std::int64_t lastMs = CaptureMilliseconds(*ParseCaptureTime(c.lastTime));
        from = std::min(from, firstMs);
        to = std::max(to, lastMs);
        for (const TimeGap& gap : set->Track(clip.camera)->Gaps())
            if (gap.to > firstMs && gap.from < lastMs) c.gaps.push_back({TimeText(gap.from), TimeText(gap.to)});
        // Pictures: first, middle and last of the span, and one at each of the camera's bookmarks in it.
        const struct { const char* label; std::int64_t ms; } wanted[] = {
            {"first", firstMs}, {"middle", firstMs + (lastMs - firstMs) / 2}, {"last", lastMs}};
        std::vector<std::pair<std::string, std::int64_t>> at;
        for (const auto& w : wanted) at.emplace_back(w.label, w.ms);
        for (const ManifestBookmark& b : request.bookmarks) {
            const auto t = ParseCaptureTime(b.time);
            if (b.camera != c.camera || !t || CaptureMilliseconds(*t) < firstMs || CaptureMilliseconds(*t) > lastMs) continue;
            at.emplace_back("bookmark: " + b.note, CaptureMilliseconds(*t));
            manifest.bookmarks.push_back(b);
        }
        for (const auto& [label, ms] : at) {
            std::int64_t shown = ms;
            QImage image = PictureAt(*set, clip.camera, ms, shown);
            entry.pictures.push_back({label, TimeText(shown), std::move(image)});
        }
        result.pictures += c.pictures;
        manifest.cameras.push_back(c);
        report.push_back(std::move(entry));
        if (progress && !progress(0.9 + 0.1 * double(report.size()) / double(clips.size())))
            return IncidentFailure(ExportStatus::Cancelled, "cancelled");
    }
    manifest.from = request.fromMs ? TimeText(*request.fromMs) : TimeText(from);
    manifest.to = request.toMs ? TimeText(*request.toMs) : TimeText(to);
    for (const SourceFile& s : sources.Files()) manifest.sources.push_back({s.path, s.size, s.sha256.toStdString()});

    const std::filesystem::path dir(request.folder);
    HashedOutput* manifestFile = outputs.Add((dir / "manifest.json").string());
    if (manifestFile == nullptr || !manifestFile->Write(ManifestJson(manifest)) || !manifestFile->Close())
        return IncidentFailure(ExportStatus::CannotWrite, manifestFile ? manifestFile->Error() : outputs.Error());
    result.manifestSha256 = manifestFile->Sha256Hex().toStdString();
    const QByteArray pdf = IncidentPdf(manifest, result.manifestSha256, report);
    if (pdf.isEmpty()) return IncidentFailure(ExportStatus::CannotWrite, "the report cannot be made");
    HashedOutput* pdfFile = outputs.Add((dir / "report.pdf").string());
    if (pdfFile == nullptr || !pdfFile->Write(pdf) || !pdfFile->Close())
        return IncidentFailure(ExportStatus::CannotWrite, pdfFile ? pdfFile->Error() : outputs.Error());
    if (!outputs.Commit()) return IncidentFailure(ExportStatus::CannotWrite, outputs.Error());
    folder.Keep();
    result.status = ExportStatus::Written;
    result.cameras = clips.size();
    return result;
}

}  // namespace

IncidentResult ExportIncident(const IncidentRequest& request, const ExportProgress& progress) {
    try {
        return Export(request, progress);
    } catch (const std::bad_alloc&) {
        return IncidentFailure(ExportStatus::CannotWrite, "not enough memory for the export");
    }
}

std::string IncidentSummary(const IncidentRequest& request, const IncidentResult& r) {
    if (r.status != ExportStatus::Written) return "incident export failed: " + r.message;
    return "exported " + std::to_string(r.pictures) + " pictures of " + std::to_string(r.cameras) + " cameras to " +
           request.folder + " manifest sha256 " + r.manifestSha256;
}

}  // namespace korvane
