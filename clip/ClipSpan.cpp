#include "clip/ClipSpan.h"

namespace korvane {
namespace {

// The first or last picture in play order from `ref` on, walking with `step`.
template <typename Step>
std::optional<RecordRef> PictureFrom(const CameraTrack& track, std::optional<RecordRef> ref, Step step) {
    while (ref && !track.Entry(*ref).IsPicture()) ref = step(*ref);
    return ref;
}

}  // namespace

std::optional<FrameHeader> HeadOf(const ClipRecord& record, std::span<const std::uint8_t, kRecordHeadSize> bytes) {
    const FrameHeader head = DecodeFrameHeader(bytes.last<kFrameHeaderSize>());
    if (EntryOf(head, record.entry.offset) != record.entry) return std::nullopt;
    return head;
}

ClipSpan SpanOnTrack(const RecordingSet& set, const SpanLimits& limits) {
    ClipSpan span;
    const CameraTrack* track = set.Track(limits.camera);
    if (track == nullptr) return span;
    const auto next = [&](RecordRef r) { return track->Next(r); };
    const auto previous = [&](RecordRef r) { return track->Previous(r); };

    // The last picture: the latest at or before the end time, or the last in play order.
    std::optional<RecordRef> last;
    if (limits.toMs) {
        const std::optional<RecordRef> first = track->First();
        if (!first || track->Entry(*first).time > *limits.toMs) return span;
        last = track->PictureAt(*limits.toMs);
    } else {
        last = PictureFrom(*track, track->Back(), previous);
    }
    const std::optional<RecordRef> start =
        limits.fromMs ? track->PictureAt(*limits.fromMs) : PictureFrom(*track, track->Front(), next);
    if (!last || !start) return span;

    // From the start picture's key record, with the decoder-only records right in front of it.
    RecordRef from = track->KeyOf(*start);
    for (auto r = track->PreviousVideo(from, false); r && FeedsDecoderOnly(track->Entry(*r).mediaKind, track->Entry(*r).frameType);
         r = track->PreviousVideo(*r, false))
        from = *r;

    bool passedLast = false;
    for (std::optional<RecordRef> r = from; r; r = track->Next(*r)) {
        const IndexEntry& entry = track->Entry(*r);
        // After the last picture only its sound, up to the camera's next video record.
        if (passedLast && entry.mediaKind != kMediaAudio) break;
        if (entry.mediaKind == kMediaVideo || entry.mediaKind == kMediaAudio) {
            (entry.mediaKind == kMediaVideo ? span.video : span.audio).push_back({r->file, entry});
            if (entry.IsPicture()) ++span.pictures;
        }
        if (*r == *last) passedLast = true;
    }
    if (!passedLast) return ClipSpan{};  // the end picture lies before the start in play order
    return span;
}

}  // namespace korvane
