#include "recording/CameraTrack.h"

#include <algorithm>

#include "recording/RecordKind.h"

namespace korvane {

CameraTrack::CameraTrack(int camera, std::vector<Segment> segments)
    : m_camera(camera), m_segments(std::move(segments)) {
    std::stable_sort(m_segments.begin(), m_segments.end(), [](const Segment& a, const Segment& b) {
        return a.firstPicture != b.firstPicture ? a.firstPicture < b.firstPicture : a.file < b.file;
    });
}

const IndexEntry& CameraTrack::Entry(RecordRef ref) const {
    for (const Segment& s : m_segments)
        if (s.file == ref.file) return (*s.index)[ref.entry];
    return (*m_segments.front().index)[0];  // not reached for a record of the track
}

std::optional<CameraTrack::Place> CameraTrack::Find(RecordRef ref) const {
    for (std::size_t i = 0; i < m_segments.size(); ++i) {
        const Segment& s = m_segments[i];
        if (s.file != ref.file) continue;
        const auto it = std::lower_bound(s.entries.begin(), s.entries.end(), ref.entry);
        if (it == s.entries.end() || *it != ref.entry) return std::nullopt;
        return Place{i, static_cast<std::size_t>(it - s.entries.begin())};
    }
    return std::nullopt;
}

std::optional<CameraTrack::Place> CameraTrack::After(Place p) const {
    if (p.position + 1 < m_segments[p.segment].entries.size()) return Place{p.segment, p.position + 1};
    for (std::size_t s = p.segment + 1; s < m_segments.size(); ++s)
        if (!m_segments[s].entries.empty()) return Place{s, 0};
    return std::nullopt;
}

std::optional<CameraTrack::Place> CameraTrack::Before(Place p) const {
    if (p.position > 0) return Place{p.segment, p.position - 1};
    for (std::size_t s = p.segment; s-- > 0;)
        if (!m_segments[s].entries.empty()) return Place{s, m_segments[s].entries.size() - 1};
    return std::nullopt;
}

std::optional<RecordRef> CameraTrack::Front() const {
    for (const Segment& s : m_segments)
        if (!s.entries.empty()) return RecordRef{s.file, s.entries.front()};
    return std::nullopt;
}

std::optional<RecordRef> CameraTrack::Back() const {
    for (auto s = m_segments.rbegin(); s != m_segments.rend(); ++s)
        if (!s->entries.empty()) return RecordRef{s->file, s->entries.back()};
    return std::nullopt;
}

std::optional<RecordRef> CameraTrack::Next(RecordRef ref) const {
    const auto place = Find(ref);
    if (!place) return std::nullopt;
    const auto next = After(*place);
    return next ? std::optional<RecordRef>(At(*next)) : std::nullopt;
}

std::optional<RecordRef> CameraTrack::Previous(RecordRef ref) const {
    const auto place = Find(ref);
    if (!place) return std::nullopt;
    const auto previous = Before(*place);
    return previous ? std::optional<RecordRef>(At(*previous)) : std::nullopt;
}

std::optional<RecordRef> CameraTrack::NextVideo(RecordRef ref, bool picturesOnly) const {
    for (auto place = Find(ref); place && (place = After(*place));) {
        const IndexEntry& e = (*m_segments[place->segment].index)[At(*place).entry];
        if (picturesOnly ? e.IsPicture() : e.mediaKind == kMediaVideo) return At(*place);
    }
    return std::nullopt;
}

std::optional<RecordRef> CameraTrack::PreviousVideo(RecordRef ref, bool picturesOnly) const {
    for (auto place = Find(ref); place && (place = Before(*place));) {
        const IndexEntry& e = (*m_segments[place->segment].index)[At(*place).entry];
        if (picturesOnly ? e.IsPicture() : e.mediaKind == kMediaVideo) return At(*place);
    }
    return std::nullopt;
}

RecordRef CameraTrack::KeyOf(RecordRef picture) const {
    const auto place = Find(picture);
    if (!place) return picture;
    const Segment& s = m_segments[place->segment];
    const auto entry = [&](std::size_t position) -> const IndexEntry& { return (*s.index)[s.entries[position]]; };
    std::size_t key = place->position;
    const IndexEntry& e = entry(key);
    if (e.frameType != kFrameKey) {
        std::optional<std::size_t> found;
        if (e.keyOffset < e.offset) {
            // The key record the header names, when it is one of this camera's before the picture.
            const auto named = std::lower_bound(s.entries.begin(), s.entries.begin() + long(key), e.keyOffset,
                                                [&](std::uint32_t i, std::uint32_t offset) { return (*s.index)[i].offset < offset; });
            if (named != s.entries.begin() + long(key) && (*s.index)[*named].offset == e.keyOffset) {
                const IndexEntry& k = (*s.index)[*named];
                if (k.mediaKind == kMediaVideo && (k.frameType == kFrameKey || k.frameType == kFrameDecoderOnly))
                    found = static_cast<std::size_t>(named - s.entries.begin());
            }
        }
        for (std::size_t i = key; !found && i-- > 0;)
            if (entry(i).mediaKind == kMediaVideo && entry(i).frameType == kFrameKey) found = i;
        if (!found) return picture;
        key = *found;
    }
    // Decoder-only records right in front of the key record feed it (stream headers).
    for (std::size_t i = key; i-- > 0;) {
        const IndexEntry& before = entry(i);
        if (before.mediaKind != kMediaVideo) continue;
        if (!FeedsDecoderOnly(before.mediaKind, before.frameType)) break;
        key = i;
    }
    return {s.file, s.entries[key]};
}

namespace {

// The entry number of an indexed picture.
std::uint32_t EntryNumber(const RecordIndex& index, const IndexEntry& e) {
    return static_cast<std::uint32_t>(index.Find(e.offset).value_or(0));
}

}  // namespace

std::optional<RecordRef> CameraTrack::First() const {
    std::optional<RecordRef> best;
    std::int64_t bestTime = 0;
    for (const Segment& s : m_segments) {
        const auto e = s.index->First(m_camera);
        if (!e || (best && e->time >= bestTime)) continue;
        best = RecordRef{s.file, EntryNumber(*s.index, *e)};
        bestTime = e->time;
    }
    return best;
}

std::optional<RecordRef> CameraTrack::Last() const {
    std::optional<std::int64_t> latest;
    for (const Segment& s : m_segments)
        if (const auto e = s.index->Last(m_camera); e && (!latest || e->time > *latest)) latest = e->time;
    return latest ? PictureAt(*latest) : std::nullopt;
}

std::optional<RecordRef> CameraTrack::PictureAt(std::int64_t time) const {
    std::optional<RecordRef> best;
    std::int64_t bestTime = 0;
    for (const Segment& s : m_segments) {
        const auto e = s.index->PictureAt(m_camera, time);
        if (!e || e->time > time || (best && e->time <= bestTime)) continue;
        best = RecordRef{s.file, EntryNumber(*s.index, *e)};
        bestTime = e->time;
    }
    return best ? best : First();
}

std::optional<RecordRef> CameraTrack::PictureAfter(std::int64_t time) const {
    std::optional<RecordRef> best;
    std::int64_t bestTime = 0;
    for (const Segment& s : m_segments) {
        const auto e = s.index->PictureAfter(m_camera, time);
        if (!e || (best && e->time >= bestTime)) continue;
        best = RecordRef{s.file, EntryNumber(*s.index, *e)};
        bestTime = e->time;
    }
    return best;
}

std::vector<TimeGap> CameraTrack::Gaps() const {
    std::vector<std::int64_t> times;
    for (const Segment& s : m_segments)
        for (const std::uint32_t i : s.entries)
            if ((*s.index)[i].IsPicture()) times.push_back((*s.index)[i].time);
    std::sort(times.begin(), times.end());
    std::vector<TimeGap> gaps;
    for (std::size_t i = 1; i < times.size(); ++i)
        if (times[i] - times[i - 1] > RecordIndex::kGapMilliseconds) gaps.push_back({times[i - 1], times[i]});
    return gaps;
}

std::size_t CameraTrack::PictureCount() const {
    std::size_t n = 0;
    for (const Segment& s : m_segments) n += s.index->PictureCount(m_camera);
    return n;
}

std::size_t CameraTrack::KeyCount() const {
    std::size_t n = 0;
    for (const Segment& s : m_segments) n += s.index->KeyCount(m_camera);
    return n;
}

}  // namespace korvane
