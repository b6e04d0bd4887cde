#include "search/MotionScan.h"

#include <cstring>
#include <optional>
#include <vector>

#include "decode/VideoCodec.h"
#include "recording/FrameReader.h"
#include "recording/RecordFile.h"
#include "recording/RecordIndex.h"
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

// The entries to feed, in chain order: from the key record of the first
// picture in the span; only key records in the quick mode.
std::vector<std::uint32_t> RecordsToFeed(const RecordIndex& index, const MotionRequest& request) {
    std::size_t first = 0;
    if (request.fromMs) {
        if (auto picture = index.PictureAt(request.camera, *request.fromMs)) {
            first = index.Find(picture->keyOffset).value_or(index.Find(picture->offset).value_or(0));
        }
    }
    std::vector<std::uint32_t> feed;
    for (std::size_t i = first; i < index.Size(); ++i) {
        const IndexEntry& e = index[i];
        if (e.camera != request.camera || e.mediaKind != kMediaVideo) continue;
        if (request.toMs && e.IsPicture() && e.time > *request.toMs) break;
        if (request.settings.keysOnly && e.frameType != kFrameKey) continue;
        feed.push_back(static_cast<std::uint32_t>(i));
    }
    return feed;
}

}  // namespace

ScanOutcome ScanForMotion(const MotionRequest& request, const std::atomic<bool>& cancel,
                          const ScanCallbacks& callbacks) {
    RecordFile file;
    if (const int error = file.Open(request.path); error != 0) {
        return Refused(ScanStatus::CannotOpen,
                       "Cannot open " + request.path + ": " + std::strerror(error) + ".");
    }
    std::optional<RecordIndex> index = RecordIndex::Build(file, &cancel);
    if (cancel.load()) return Refused(ScanStatus::Cancelled, "The search was cancelled.");
    if (!index) return Refused(ScanStatus::CannotOpen, request.path + " is not a recording.");

    MotionRequest asked = request;
    if (asked.camera < 0) {
        const std::vector<int> cameras = index->Cameras();
        if (cameras.empty()) return Refused(ScanStatus::NoPictures, request.path + " holds no picture.");
        asked.camera = cameras.front();
    }
    const std::vector<std::uint32_t> feed = RecordsToFeed(*index, asked);
    MotionAnalyzer analyzer(request.settings);
    MotionDecoder decoder;
    ScanOutcome outcome;
    MotionResult& result = outcome.result;
    result.keysOnly = request.settings.keysOnly;
    auto take = [&](std::optional<MotionEvent> event) {
        if (!event) return;
        result.events.push_back(*event);
        if (callbacks.found) callbacks.found(*event);
    };
    const MotionDecoder::Sink sink = [&](const LumaPlane& luma, std::int64_t tag) {
        if (tag < 0 || static_cast<std::uint64_t>(tag) >= index->Size()) return;
        const IndexEntry& e = (*index)[static_cast<std::size_t>(tag)];
        if (!e.IsPicture()) return;  // fed only to keep the decoder current
        if ((request.fromMs && e.time < *request.fromMs) || (request.toMs && e.time > *request.toMs)) return;
        if (result.pictures++ == 0) result.firstMs = e.time;
        result.lastMs = e.time;
        take(analyzer.Add(luma, DisplayWidth(decoder.Codec(), luma.width), e.time));
    };

    const auto total = static_cast<std::int64_t>(feed.size());
    for (std::int64_t n = 0; n < total; ++n) {
        if (cancel.load(std::memory_order_relaxed)) return Refused(ScanStatus::Cancelled, "The search was cancelled.");
        const std::uint32_t entryNumber = feed[static_cast<std::size_t>(n)];
        const IndexEntry& e = (*index)[entryNumber];
        LocatedRecord record;
        if (file.Locate(e.offset, record) != LocateResult::Ok || record.header.dataLength > kFrameDataCapacity) {
            continue;  // a damaged record is skipped like one the decoder refuses
        }
        const VideoCodec codec = VideoCodecFromRecord(e.codec);
        if (!decoder.IsOpen() || decoder.Codec() != codec) {
            decoder.Drain(sink);
            if (!decoder.Open(codec, request.threads)) {
                return Refused(ScanStatus::Failed, "The pictures of this camera cannot be decoded here.");
            }
        }
        const auto fill = [&](std::span<std::uint8_t> out) { return file.ReadAt(record.dataAt(), out); };
        if (!decoder.Send(record.header.dataLength, fill, entryNumber, sink)) {
            return Refused(ScanStatus::Failed, "The search ran out of memory or could not read " + request.path + ".");
        }
        if (callbacks.progress && (n + 1) % kProgressEvery == 0) callbacks.progress(n + 1, total);
    }
    decoder.Drain(sink);
    take(analyzer.Finish());
    if (callbacks.progress) callbacks.progress(total, total);
    if (result.pictures == 0) {
        return Refused(ScanStatus::NoPictures, "Camera " + std::to_string(asked.camera + 1) +
                                                   " has no picture in the span searched.");
    }
    return outcome;
}

}  // namespace korvane
