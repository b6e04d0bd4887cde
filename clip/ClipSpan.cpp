#include "clip/ClipSpan.h"

#include <algorithm>

#include "recording/TimeStamp.h"

namespace korvane {
namespace {

std::int64_t Ms(const ClipRecord& r) { return CaptureMilliseconds(r.header.timeStamp); }

// Index of the record a picture is decoded from: the key record its header
// names when that is an earlier key or decoder-only record of the camera,
// else the nearest key picture before it, else the picture itself.
std::size_t KeyOf(const std::vector<ClipRecord>& video, std::size_t picture) {
    const std::uint32_t named = video[picture].header.keyFrameOffset;
    const auto it = std::lower_bound(video.begin(), video.begin() + static_cast<std::ptrdiff_t>(picture) + 1, named,
                                     [](const ClipRecord& r, std::uint64_t offset) { return r.offset < offset; });
    if (it != video.end() && it->offset == named &&
        (it->header.frameType == kFrameKey || it->header.frameType == kFrameDecoderOnly))
        return static_cast<std::size_t>(it - video.begin());
    for (std::size_t i = picture + 1; i-- > 0;)
        if (video[i].header.frameType == kFrameKey) return i;
    return picture;
}

}  // namespace

ClipSpan SelectSpan(const RecordFile& file, const RecordingFileHeader& header, const SpanLimits& limits) {
    std::vector<ClipRecord> video, audio;
    const std::uint64_t end = header.dataEnd();
    std::uint64_t offset = header.firstRecordOffset();
    while (offset < end) {
        LocatedRecord record;
        if (file.Locate(offset, record) != LocateResult::Ok || record.header.marker != kRecordMarker) break;
        if (record.header.camera == limits.camera) {
            const ClipRecord clip{0, offset, record.header};
            if (record.header.mediaKind == kMediaVideo) video.push_back(clip);
            else if (record.header.mediaKind == kMediaAudio) audio.push_back(clip);
        }
        const std::uint64_t next = record.nextOffset();
        if (next <= offset) break;
        offset = next;
    }

    ClipSpan span;
    std::optional<std::size_t> firstPicture, from, to;
    for (std::size_t i = 0; i < video.size(); ++i) {
        if (!video[i].presentsPicture()) continue;
        if (!firstPicture) firstPicture = i;
        if (limits.fromMs && Ms(video[i]) <= *limits.fromMs) from = i;
        if (!limits.toMs || Ms(video[i]) <= *limits.toMs) to = i;
    }
    // Without a start time, or one before the first picture, the first picture starts.
    if (!from) from = firstPicture;
    if (!from || !to) return span;
    std::size_t first = KeyOf(video, *from);
    // Decoder-only records right in front of the key record feed it.
    while (first > 0 && !video[first - 1].presentsPicture()) --first;
    if (first > *to) return span;

    span.video.assign(video.begin() + static_cast<std::ptrdiff_t>(first),
                      video.begin() + static_cast<std::ptrdiff_t>(*to) + 1);
    span.pictures = static_cast<std::size_t>(
        std::count_if(span.video.begin(), span.video.end(), [](const ClipRecord& r) { return r.presentsPicture(); }));
    if (span.pictures == 0) return ClipSpan{};
    // The sound recorded with the span: from its first record to the camera's next video record.
    const std::uint64_t audioFrom = span.video.front().offset;
    const std::uint64_t audioTo = *to + 1 < video.size() ? video[*to + 1].offset : end;
    for (const ClipRecord& r : audio)
        if (r.offset >= audioFrom && r.offset < audioTo) span.audio.push_back(r);
    const ClipRecord& last = span.audio.empty() || span.audio.back().offset < span.video.back().offset
                                 ? span.video.back()
                                 : span.audio.back();
    span.spanBytes = last.dataAt() + last.header.dataLength - audioFrom;
    return span;
}

}  // namespace korvane
