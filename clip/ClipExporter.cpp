#include "clip/ClipExporter.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include "clip/ClipMuxer.h"
#include "clip/ClipReport.h"
#include "clip/ClipSound.h"
#include "clip/ClipSpan.h"
#include "clip/HashingSource.h"
#include "clip/VideoSetup.h"
#include "recording/RecordFile.h"
#include "recording/SiteInfo.h"
#include "recording/TimeStamp.h"

namespace korvane {
namespace {

constexpr std::int64_t kTicksPerMs = kVideoTicksPerSecond / 1000;

// The three output files, removed together unless the export completes.
class OutputFiles {
public:
    explicit OutputFiles(const std::string& output) : m_paths{output, TimesPath(output), ReportPath(output)} {}
    ~OutputFiles() {
        if (m_kept) return;
        std::error_code ignored;
        for (const std::string& path : m_paths) std::filesystem::remove(path, ignored);
    }
    OutputFiles(const OutputFiles&) = delete;
    OutputFiles& operator=(const OutputFiles&) = delete;
    void Keep() { m_kept = true; }

private:
    std::string m_paths[3];
    bool m_kept = false;
};

ExportResult Failure(ExportStatus status, std::string message) {
    ExportResult result;
    result.status = status;
    result.message = std::move(message);
    return result;
}

// Video timestamps in ticks: a picture at its capture time after the first
// picture's (never before the packet ahead of it), a record that only feeds
// the decoder one tick before the picture that follows it.
std::vector<std::int64_t> VideoTicks(const std::vector<ClipRecord>& video, std::int64_t firstMs) {
    std::vector<std::int64_t> ticks(video.size(), 0);
    std::optional<std::int64_t> previous;
    for (std::size_t i = 0; i < video.size(); ++i) {
        if (!video[i].presentsPicture()) continue;
        std::int64_t t = (CaptureMilliseconds(video[i].header.timeStamp) - firstMs) * kTicksPerMs;
        if (previous && t <= *previous) t = *previous + kTicksPerMs;
        ticks[i] = t;
        previous = t;
    }
    // The span ends on a picture, so every other record has one after it.
    std::int64_t following = ticks.back();
    for (std::size_t i = video.size(); i-- > 0;) {
        if (video[i].presentsPicture()) following = ticks[i];
        else ticks[i] = --following;
    }
    return ticks;
}

// "YYYY-MM-DDTHH:MM:SS.mmm000Z", as containers take a creation time.
std::string IsoTime(const SystemTime& t) {
    std::string text = FormatCaptureTime(t);
    text[10] = 'T';
    return text + "000Z";
}

// Writes the sound: Matroska takes the PCM at its recorded times, MP4 the AAC
// of a continuous stream whose gaps are filled with silence.
class SoundTrack {
public:
    SoundTrack(ClipMuxer& muxer, Container container, std::int64_t firstMs, int rate)
        : m_muxer(muxer), m_aac(container == Container::Mp4), m_firstMs(firstMs), m_rate(rate) {}

    bool Open(AacEncoder* encoder) {
        m_encoder = encoder;
        return true;
    }
    bool Add(const ClipRecord& record, std::span<const std::uint8_t> data) {
        m_pcm.clear();
        if (!m_decoder.Decode(record.header, data, m_pcm) || m_pcm.empty()) return true;  // nothing to play
        m_samples += m_pcm.size();
        const std::int64_t at = (CaptureMilliseconds(record.header.timeStamp) - m_firstMs) * m_rate / 1000;
        const std::int64_t start = std::max(at, m_next);
        if (!m_aac) {
            m_next = start + static_cast<std::int64_t>(m_pcm.size());
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(m_pcm.data());
            return m_muxer.WriteAudio({bytes, m_pcm.size() * 2}, start, static_cast<std::int64_t>(m_pcm.size()));
        }
        if (start > m_next && !m_encoder->Encode(std::vector<std::int16_t>(std::size_t(start - m_next), 0), Sink()))
            return false;
        m_next = start + static_cast<std::int64_t>(m_pcm.size());
        return m_encoder->Encode(m_pcm, Sink());
    }
    bool Finish() { return !m_aac || m_encoder == nullptr || m_encoder->Flush(Sink()); }
    std::uint64_t Samples() const { return m_samples; }

private:
    AacEncoder::PacketSink Sink() {
        return [this](std::span<const std::uint8_t> bytes, std::int64_t pts, std::int64_t duration) {
            return m_muxer.WriteAudio(bytes, pts, duration);
        };
    }

    ClipMuxer& m_muxer;
    bool m_aac;
    std::int64_t m_firstMs;
    int m_rate;
    SoundDecoder m_decoder;
    AacEncoder* m_encoder = nullptr;
    std::vector<std::int16_t> m_pcm;
    std::int64_t m_next = 0;
    std::uint64_t m_samples = 0;
};

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
    return "exported " + std::to_string(r.pictures) + " pictures of CAM" + std::to_string(r.camera) + " from " +
           r.firstTime + " to " + r.lastTime + ", " + std::to_string(r.audioSamples) + " audio samples (" +
           r.audioCodec + ") to " + request.output + " sha256 " + r.outputSha256;
}

ExportResult ExportClip(const ExportRequest& request, const ExportProgress& progress) {
    const std::optional<Container> container = ContainerForPath(request.output);
    if (!container) return Failure(ExportStatus::BadName, "the clip's name must end in .mkv or .mp4: " + request.output);

    RecordFile file;
    RecordingFileHeader header;
    if (file.Open(request.source) != 0 || !file.ReadAt(0, header.bytes))
        return Failure(ExportStatus::CannotOpen, "cannot open " + request.source);
    const int camera = request.camera ? *request.camera - 1 : std::max(header.headerCamera(), 0);
    if (camera < 0 || camera > 255) return Failure(ExportStatus::NoPicture, "no such camera");

    SpanLimits limits;
    limits.camera = camera;
    if (request.from) limits.fromMs = CaptureMilliseconds(*request.from);
    if (request.to) limits.toMs = CaptureMilliseconds(*request.to);
    const ClipSpan span = SelectSpan(file, header, limits);
    if (span.pictures == 0)
        return Failure(ExportStatus::NoPicture, "no picture of CAM" + std::to_string(camera + 1) + " in the span");

    HashingSource source;
    if (!source.Open(request.source)) return Failure(ExportStatus::CannotOpen, "cannot open " + request.source);
    const AVCodecID codec = ContainerCodec(span.video.front().header.codec);
    if (codec == AV_CODEC_ID_NONE) return Failure(ExportStatus::Unsupported, "the camera's video codec is unknown");

    // The records up to the first picture set the container's video track up.
    std::vector<std::vector<std::uint8_t>> opening;
    std::size_t firstPicture = 0;
    for (;; ++firstPicture) {
        const ClipRecord& r = span.video[firstPicture];
        opening.emplace_back(r.header.dataLength);
        if (!source.Copy(r.dataAt(), opening.back())) return Failure(ExportStatus::CannotOpen, "cannot read the recording");
        if (r.presentsPicture()) break;
    }
    const std::optional<VideoTrack> track = ProbeVideo(codec, opening);
    if (!track) return Failure(ExportStatus::Unsupported, "the first picture of the span does not decode");

    const SystemTime firstTime = span.video[firstPicture].header.timeStamp;
    const std::int64_t firstMs = CaptureMilliseconds(firstTime);
    SystemTime lastTime = firstTime;
    for (const ClipRecord& r : span.video)
        if (r.presentsPicture()) lastTime = r.header.timeStamp;

    const std::string site = SiteName(request.source), cameraName = CameraName(request.source, camera);
    ExportResult result;
    result.camera = camera + 1;
    result.firstTime = FormatCaptureTime(firstTime);
    result.lastTime = FormatCaptureTime(lastTime);
    result.pictures = span.pictures;
    result.records = span.video.size();

    const int rate = span.audio.empty() ? 8000 : SoundDecoder::SampleRate(span.audio.front().header);
    std::optional<AudioTrack> audioTrack;
    AacEncoder aac;
    if (!span.audio.empty()) {
        audioTrack = AudioTrack{AV_CODEC_ID_PCM_S16LE, rate, 0, {}};
        if (*container == Container::Mp4) {
            if (!aac.Open(rate)) return Failure(ExportStatus::Unsupported, "no AAC encoder");
            audioTrack = AudioTrack{AV_CODEC_ID_AAC, rate, aac.FrameSize(), aac.Extradata()};
        }
    }
    result.audioCodec = !audioTrack ? "none" : *container == Container::Mp4 ? "aac" : "pcm_s16le";

    OutputFiles outputs(request.output);
    ClipMuxer muxer;
    ClipTags tags;
    tags.title = (site.empty() ? std::string() : site + " ") + "CAM" + std::to_string(camera + 1) +
                 (cameraName.empty() ? std::string() : " " + cameraName);
    tags.creationTime = IsoTime(firstTime);
    if (!muxer.Open(request.output, *container, *track, audioTrack, tags))
        return Failure(ExportStatus::CannotWrite, "cannot write " + request.output);
    TimesFile times;
    if (!times.Open(TimesPath(request.output)))
        return Failure(ExportStatus::CannotWrite, "cannot write " + TimesPath(request.output));

    std::vector<std::int64_t> ticks = VideoTicks(span.video, firstMs);
    // Pictures in front of the first shown one move everything on by their ticks: no time is negative.
    std::int64_t lowest = 0;
    for (std::size_t i = 0; i < firstPicture; ++i)
        if (HoldsPicture(codec, opening[i])) lowest = std::min(lowest, ticks[i]);
    for (std::int64_t& t : ticks) t -= lowest;
    SoundTrack sound(muxer, *container, firstMs, rate);
    sound.Open(audioTrack ? &aac : nullptr);
    std::vector<std::uint8_t> data, packet;
    std::vector<TimesRow> rows;  // the records of the packet being gathered
    bool keyPending = false;
    const auto cancelled = [&] {
        return progress && !progress(source.Size() ? double(source.Position()) / double(source.Size()) : 1.0);
    };
    // Video and audio records in file order, as the source is read.
    std::size_t v = 0, a = 0;
    while (v < span.video.size() || a < span.audio.size()) {
        const bool isVideo = a >= span.audio.size() || (v < span.video.size() && span.video[v].offset < span.audio[a].offset);
        const ClipRecord& r = isVideo ? span.video[v] : span.audio[a];
        if (isVideo && v < opening.size()) {
            data = opening[v];
        } else {
            data.resize(r.header.dataLength);
            if (!source.Copy(r.dataAt(), data)) return Failure(ExportStatus::CannotOpen, "cannot read the recording");
        }
        if (isVideo) {
            rows.push_back({v, FormatCaptureTime(r.header.timeStamp), 0, r.offset, r.header.frameType, Sha256Of(data)});
            packet.insert(packet.end(), data.begin(), data.end());
            // Headers alone are no packet a decoder takes: they go in front of the next record's data.
            if (r.presentsPicture() || HoldsPicture(codec, data) || v + 1 == span.video.size()) {
                // A packet lasts until the next one; the last picture as long as the one before it.
                const std::int64_t duration = v + 1 < ticks.size() ? ticks[v + 1] - ticks[v]
                                              : v > 0                 ? ticks[v] - ticks[v - 1]
                                                                      : kVideoTicksPerSecond / 10;
                if (!muxer.WriteVideo(packet, ticks[v], std::max<std::int64_t>(duration, 1), keyPending ||
                                      r.header.frameType == kFrameKey || v == 0))
                    return Failure(ExportStatus::CannotWrite, "cannot write " + request.output);
                for (TimesRow& row : rows) {
                    row.ptsMs = std::llround(double(ticks[v]) / double(kTicksPerMs));
                    if (!times.Add(row)) return Failure(ExportStatus::CannotWrite, "cannot write " + TimesPath(request.output));
                }
                rows.clear();
                packet.clear();
                keyPending = false;
            } else {
                keyPending = keyPending || v == 0;
            }
            ++v;
        } else {
            if (!sound.Add(r, data)) return Failure(ExportStatus::CannotWrite, "cannot write the sound");
            ++a;
        }
        if (cancelled()) return Failure(ExportStatus::Cancelled, "cancelled");
    }
    if (!sound.Finish() || !muxer.Finish() || !times.Close())
        return Failure(ExportStatus::CannotWrite, "cannot write " + request.output);
    result.audioSamples = sound.Samples();

    // The rest of the source, for its hash.
    while (source.Position() < source.Size()) {
        if (!source.ReadAhead()) return Failure(ExportStatus::CannotOpen, "cannot read the recording");
        if (cancelled()) return Failure(ExportStatus::Cancelled, "cancelled");
    }
    ClipReport report;
    report.sourcePath = request.source;
    report.sourceSize = source.Size();
    report.sourceSha256 = source.FinishHash();
    report.site = site;
    report.camera = camera + 1;
    report.cameraName = cameraName;
    report.firstCaptureTime = result.firstTime;
    report.lastCaptureTime = result.lastTime;
    report.pictures = result.pictures;
    report.audioSamples = result.audioSamples;
    report.audioCodec = result.audioCodec;
    if (audioTrack && *container == Container::Mp4)
        report.audioNote = "MP4 carries no 16-bit PCM here: the sound was encoded to AAC";
    report.outputPath = request.output;
    report.outputSha256 = Sha256OfFile(request.output);
    if (report.sourceSha256.isEmpty() || report.outputSha256.isEmpty() ||
        !WriteReport(ReportPath(request.output), report))
        return Failure(ExportStatus::CannotWrite, "cannot write " + ReportPath(request.output));
    result.outputSha256 = report.outputSha256.toStdString();
    result.status = ExportStatus::Written;
    outputs.Keep();
    return result;
}

}  // namespace korvane
