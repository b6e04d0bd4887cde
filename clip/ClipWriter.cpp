#include "clip/ClipWriter.h"

#include <array>
#include <filesystem>
#include <map>
#include <memory>

#include "clip/ClipPartWriter.h"
#include "clip/ClipSound.h"
#include "clip/VideoSetup.h"

namespace korvane {
namespace {

// The sample rate most of the sound records have.
std::optional<int> SoundRate(const std::vector<ClipRecord>& audio) {
    std::map<int, std::size_t> counts;
    for (const ClipRecord& r : audio) ++counts[SampleRateOf(r.entry.KnownHead())];
    std::optional<int> rate;
    std::size_t most = 0;
    for (const auto& [r, n] : counts)
        if (n > most) most = n, rate = r;
    return rate;
}

// Where each part starts in the span's video: a part holds one codec and at least one picture.
std::vector<std::size_t> PartStarts(const std::vector<ClipRecord>& video) {
    std::vector<std::size_t> starts{0};
    for (std::size_t i = 1; i < video.size(); ++i)
        if (ContainerCodec(video[i].entry.codec) != ContainerCodec(video[i - 1].entry.codec)) starts.push_back(i);
    return starts;
}

bool Before(const ClipRecord& a, const ClipRecord& b) {
    return a.file != b.file ? a.file < b.file : a.offset() < b.offset();
}

// Reads a record's head and data in the pass over its recording; false (with
// the sources' error) when they cannot be read or the head is not the one indexed.
bool ReadRecord(SourceSet& sources, const ClipRecord& r, FrameHeader& head, std::vector<std::uint8_t>& data) {
    std::array<std::uint8_t, kRecordHeadSize> bytes;
    if (!sources.Read(r.file, r.offset(), bytes)) return false;
    const std::optional<FrameHeader> read = HeadOf(r, bytes);
    if (!read || read->dataLength > sources.Files()[r.file].size - std::min(sources.Files()[r.file].size, r.dataAt()))
        return sources.Fail(r.file, "it changed while it was read");
    head = *read;
    data.resize(head.dataLength);
    return sources.Read(r.file, r.dataAt(), data);
}

}  // namespace

std::string PartPath(const std::string& output, std::size_t part) {
    if (part == 0) return output;
    const std::filesystem::path path(output);
    return (path.parent_path() / (path.stem().string() + "-" + std::to_string(part + 1) + path.extension().string()))
        .string();
}

ClipOutcome WriteClip(const ClipJob& job, const ClipSpan& span, SourceSet& sources, OutputSet& outputs,
                      const std::function<bool()>& cancelled) {
    ClipOutcome outcome;
    const auto fail = [&](ExportStatus status, std::string message) {
        outcome.status = status;
        outcome.message = std::move(message);
        return outcome;
    };
    const std::optional<int> rate = SoundRate(span.audio);
    // Matroska takes the sound as recorded when every record has the same coding and rate.
    const std::optional<RecordedFormat> recorded =
        job.container == Container::Matroska ? SharedFormat(span.audio) : std::nullopt;
    std::vector<std::string> names;
    for (const SourceFile& file : sources.Files()) names.push_back(std::filesystem::path(file.path).filename().string());

    // The parts, each with its video records; a stretch of records without a picture joins none.
    const std::vector<std::size_t> starts = PartStarts(span.video);
    std::vector<std::unique_ptr<ClipPartWriter>> parts;
    std::vector<int> partOf(span.video.size(), -1);
    for (std::size_t p = 0; p < starts.size(); ++p) {
        const std::size_t begin = starts[p], end = p + 1 < starts.size() ? starts[p + 1] : span.video.size();
        std::vector<ClipRecord> video(span.video.begin() + std::ptrdiff_t(begin), span.video.begin() + std::ptrdiff_t(end));
        if (std::none_of(video.begin(), video.end(), [](const ClipRecord& r) { return r.givesPicture(); })) continue;
        const AVCodecID codec = ContainerCodec(video.front().entry.codec);
        if (codec == AV_CODEC_ID_NONE) return fail(ExportStatus::Unsupported, "the camera's video codec is unknown");
        for (std::size_t i = begin; i < end; ++i) partOf[i] = int(parts.size());
        PartSetup setup{job.container, codec, PartPath(job.output, parts.size()), job.title, rate, recorded, names};
        parts.push_back(std::make_unique<ClipPartWriter>(std::move(setup), std::move(video)));
    }
    for (auto& part : parts)
        if (!part->Begin(outputs)) return fail(ExportStatus::CannotWrite, part->Error());

    // Video and sound records in play order; the sound goes with the part whose video came last.
    FrameHeader head;
    std::vector<std::uint8_t> data;
    int current = parts.empty() ? -1 : 0;
    std::size_t v = 0, a = 0;
    while (v < span.video.size() || a < span.audio.size()) {
        const bool isVideo = a >= span.audio.size() || (v < span.video.size() && Before(span.video[v], span.audio[a]));
        const ClipRecord& r = isVideo ? span.video[v] : span.audio[a];
        const int part = isVideo ? partOf[v] : current;
        if (part >= 0) {
            if (!ReadRecord(sources, r, head, data)) return fail(ExportStatus::CannotOpen, sources.Error());
            ClipPartWriter& writer = *parts[std::size_t(part)];
            if (!(isVideo ? writer.AddVideo(head, std::move(data)) : writer.AddSound(head, std::move(data))))
                return fail(writer.Unsupported() ? ExportStatus::Unsupported : ExportStatus::CannotWrite, writer.Error());
            data = {};
            if (isVideo) current = part;
        }
        (isVideo ? v : a)++;
        if (cancelled && cancelled()) return fail(ExportStatus::Cancelled, "cancelled");
    }
    for (auto& part : parts) {
        if (!part->Finish()) return fail(ExportStatus::CannotWrite, part->Error());
        outcome.parts.push_back(part->Part());
    }
    return outcome;
}

}  // namespace korvane
