#include "search/MotionScan.h"

#include <cstring>
#include <optional>
#include <vector>

#include "decode/VideoCodec.h"
#include "recording/CameraTrack.h"
#include "recording/RecordKind.h"
#include "recording/RecordReader.h"
#include "recording/RecordingSet.h"
#include "search/MotionAnalyzer.h"
#include "search/MotionDecoder.h"

namespace korvane {
namespace {

// Progress is reported after this many records.
constexpr std::int64_t kProgressEvery = 64;

ScanOutcome Refused(ScanStatus status, std::string message) {
    ScanOutcome outcome;
    outcome.status = status;
    outcome.message = std::move(message);
    return outcome;
}

// The video records to feed, in play order: from the key record of the
// first picture in the span; only key pictures in the quick mode.
std::vector<RecordRef> RecordsToFeed(const CameraTrack& track, const MotionRequest& request) {
    std::optional<RecordRef> at = track.Front();
    if (request.fromMs) {
        if (auto picture = track.PictureAt(*request.fromMs)) at = track.KeyOf(*picture);
    }
    if (at && track.Entry(*at).mediaKind != kMediaVideo) at = track.NextVideo(*at, false);
    std::vector<RecordRef> feed;
    for (; at; at = track.NextVideo(*at, false)) {
        const IndexEntry& e = track.Entry(*at);
        if (request.toMs && GivesPicture(e.mediaKind, e.frameType) && e.time > *request.toMs) break;
        if (request.settings.keysOnly && e.frameType != kFrameKey) continue;
        feed.push_back(*at);
    }
    return feed;
}

}  // namespace

ScanOutcome ScanForMotion(const MotionRequest& request, const std::atomic<bool>& cancel,
                          const ScanCallbacks& callbacks) {
    const std::vector<std::string> paths = RecordingPaths(request.paths);
    if (paths.empty()) return Refused(ScanStatus::CannotOpen, "No recording was found to search.");
    std::optional<RecordingSet> set = RecordingSet::Build(paths, &cancel);
    if (cancel.load()) return Refused(ScanStatus::Cancelled, "The search was cancelled.");
    bool readable = false;
    for (std::uint32_t f = 0; set && f < set->FileCount(); ++f) readable = readable || set->Index(f) != nullptr;
    if (!set || !readable) return Refused(ScanStatus::CannotOpen, "Cannot read " + paths.front() + " as a recording.");

    int camera = request.camera;
    if (camera < 0) {
        const std::vector<int> cameras = set->Cameras();
        if (cameras.empty()) return Refused(ScanStatus::NoPictures, "The recordings hold no picture.");
        camera = cameras.front();
    }
    const std::string noPictures = "Camera " + std::to_string(camera + 1) + " has no picture in the span searched.";
    const CameraTrack* track = set->Track(camera);
    if (track == nullptr) return Refused(ScanStatus::NoPictures, noPictures);

    const std::vector<RecordRef> feed = RecordsToFeed(*track, request);
    MotionAnalyzer analyzer(request.settings);
    MotionDecoder decoder;
    RecordReader reader(paths);
    RecordBuffers buffers;
    ScanOutcome outcome;
    MotionResult& result = outcome.result;
    result.keysOnly = request.settings.keysOnly;
    auto take = [&](std::optional<MotionEvent> event) {
        if (!event) return;
        result.events.push_back(*event);
        if (callbacks.found) callbacks.found(*event);
    };
    const MotionDecoder::Sink sink = [&](const LumaPlane& luma, std::int64_t tag) {
        if (tag < 0 || static_cast<std::size_t>(tag) >= feed.size()) return;
        const IndexEntry& e = track->Entry(feed[static_cast<std::size_t>(tag)]);
        if (!GivesPicture(e.mediaKind, e.frameType)) return;  // fed only to keep the decoder current
        if ((request.fromMs && e.time < *request.fromMs) || (request.toMs && e.time > *request.toMs)) return;
        if (result.pictures++ == 0) result.firstMs = e.time;
        result.lastMs = e.time;
        take(analyzer.Add(luma, DisplayWidth(decoder.Codec(), luma.width), e.time));
    };

    const auto total = static_cast<std::int64_t>(feed.size());
    for (std::int64_t n = 0; n < total; ++n) {
        if (cancel.load(std::memory_order_relaxed)) return Refused(ScanStatus::Cancelled, "The search was cancelled.");
        const RecordRef ref = feed[static_cast<std::size_t>(n)];
        // A record that cannot be read is passed over like one the decoder refuses.
        if (!reader.Read(ref.file, track->Entry(ref).offset, buffers)) continue;
        const VideoCodec codec = VideoCodecFromRecord(buffers.header.codec);
        if (!decoder.IsOpen() || decoder.Codec() != codec) {
            decoder.Drain(sink);
            if (!decoder.Open(codec, request.threads)) {
                return Refused(ScanStatus::Failed, "The pictures of camera " + std::to_string(camera + 1) +
                                                       " are in a format that cannot be decoded here.");
            }
        }
        const std::span<const std::uint8_t> body = buffers.Body();
        const auto fill = [&](std::span<std::uint8_t> out) {
            std::memcpy(out.data(), body.data(), out.size());
            return true;
        };
        if (!decoder.Send(body.size(), fill, n, sink)) {
            return Refused(ScanStatus::Failed, "The search ran out of memory.");
        }
        if (callbacks.progress && (n + 1) % kProgressEvery == 0) callbacks.progress(n + 1, total);
    }
    decoder.Drain(sink);
    take(analyzer.Finish());
    if (callbacks.progress) callbacks.progress(total, total);
    if (result.pictures == 0) return Refused(ScanStatus::NoPictures, noPictures);
    return outcome;
}

}  // namespace korvane
