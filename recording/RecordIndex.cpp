#include "recording/RecordIndex.h"

#include <algorithm>

#include "recording/ChainWalk.h"
#include "recording/RecordKind.h"
#include "recording/TimeStamp.h"

namespace korvane {
namespace {

constexpr std::size_t kCheckEvery = 1024;     // records between looks at the cancel flag
constexpr std::size_t kProgressEvery = 8192;  // records between progress reports

}  // namespace

IndexEntry EntryOf(const FrameHeader& head, std::uint32_t offset) {
    IndexEntry e;
    e.time = CaptureMilliseconds(head.timeStamp);
    e.offset = offset;
    e.keyOffset = head.keyFrameOffset;
    e.camera = head.camera;
    e.mediaKind = head.mediaKind;
    e.frameType = head.frameType;
    e.codec = head.codec;
    return e;
}

FrameHeader IndexEntry::KnownHead() const {
    FrameHeader head;
    head.keyFrameOffset = keyOffset;
    head.camera = camera;
    head.mediaKind = mediaKind;
    head.frameType = frameType;
    head.codec = codec;
    return head;
}

std::optional<RecordIndex> RecordIndex::Build(const RecordFile& file, const std::atomic<bool>* cancel,
                                              const Progress& progress, std::size_t limit) {
    RecordingFileHeader header;
    if (!file.ReadAt(0, header.bytes)) return std::nullopt;
    ChainWalk walk(file, header);
    RecordIndex index;
    for (std::size_t count = 0;; ++count) {
        if (count % kCheckEvery == 0 && cancel && cancel->load(std::memory_order_relaxed)) return std::nullopt;
        if (progress && count % kProgressEvery == 0) progress(walk.Walked(), walk.Total());
        if ((limit != 0 && count == limit) || !walk.Next()) break;
        const LocatedRecord& record = walk.Record();
        index.Append(EntryOf(record.header, static_cast<std::uint32_t>(record.offset)));
    }
    switch (walk.End()) {
        case ChainEnd::HeadOutsideFile:
        case ChainEnd::CutShort: index.m_end = IndexEnd::Unreadable; break;
        case ChainEnd::BadMarker: index.m_end = IndexEnd::MarkerMissing; break;
        default: index.m_end = IndexEnd::DataEnd; break;
    }
    index.m_endOffset = walk.End() == ChainEnd::PastDataEnd ? walk.Record().nextOffset() : walk.EndOffset();
    if (progress) progress(walk.Total(), walk.Total());
    index.Finish();
    return index;
}

void RecordIndex::Append(const IndexEntry& entry) {
    if (m_size % kBlock == 0) m_blocks.push_back(std::make_unique_for_overwrite<IndexEntry[]>(kBlock));
    m_blocks.back()[m_size % kBlock] = entry;
    ++m_size;
}

void RecordIndex::Finish() {
    std::vector<std::size_t> counts;
    for (std::size_t i = 0; i < m_size; ++i) {
        const IndexEntry& e = (*this)[i];
        if (!e.IsPicture()) continue;
        if (counts.size() <= e.camera) counts.resize(e.camera + 1u);
        ++counts[e.camera];
    }
    m_cameras.resize(counts.size());
    for (std::size_t c = 0; c < counts.size(); ++c) m_cameras[c].byTime.reserve(counts[c]);
    for (std::size_t i = 0; i < m_size; ++i) {
        const IndexEntry& e = (*this)[i];
        if (!e.IsPicture()) continue;
        CameraPictures& pictures = m_cameras[e.camera];
        if (!pictures.byTime.empty() && e.time < (*this)[pictures.byTime.back()].time) ++pictures.setBacks;
        if (e.frameType == kFrameKey) ++pictures.keys;
        pictures.byTime.push_back(static_cast<std::uint32_t>(i));
    }
    // Entry numbers grow with chain order, so (time, number) orders equal times by the chain.
    for (CameraPictures& pictures : m_cameras) {
        if (pictures.setBacks == 0) continue;  // already in time order
        std::sort(pictures.byTime.begin(), pictures.byTime.end(), [this](std::uint32_t a, std::uint32_t b) {
            const std::int64_t ta = (*this)[a].time, tb = (*this)[b].time;
            return ta != tb ? ta < tb : a < b;
        });
    }
}

const RecordIndex::CameraPictures* RecordIndex::Pictures(int camera) const {
    if (camera < 0 || static_cast<std::size_t>(camera) >= m_cameras.size()) return nullptr;
    const CameraPictures& pictures = m_cameras[static_cast<std::size_t>(camera)];
    return pictures.byTime.empty() ? nullptr : &pictures;
}

std::vector<int> RecordIndex::Cameras() const {
    std::vector<int> cameras;
    for (std::size_t c = 0; c < m_cameras.size(); ++c)
        if (!m_cameras[c].byTime.empty()) cameras.push_back(static_cast<int>(c));
    return cameras;
}

std::size_t RecordIndex::PictureCount(int camera) const {
    const CameraPictures* p = Pictures(camera);
    return p ? p->byTime.size() : 0;
}

std::size_t RecordIndex::KeyCount(int camera) const {
    const CameraPictures* p = Pictures(camera);
    return p ? p->keys : 0;
}

std::size_t RecordIndex::ClockSetBacks(int camera) const {
    const CameraPictures* p = Pictures(camera);
    return p ? p->setBacks : 0;
}

std::optional<IndexEntry> RecordIndex::First(int camera) const {
    const CameraPictures* p = Pictures(camera);
    if (!p) return std::nullopt;
    return (*this)[p->byTime.front()];
}

std::optional<IndexEntry> RecordIndex::Last(int camera) const {
    const CameraPictures* p = Pictures(camera);
    if (!p) return std::nullopt;
    const std::int64_t latest = (*this)[p->byTime.back()].time;
    return PictureAt(camera, latest);
}

std::optional<IndexEntry> RecordIndex::PictureAt(int camera, std::int64_t time) const {
    const CameraPictures* p = Pictures(camera);
    if (!p) return std::nullopt;
    const auto timeOf = [this](std::uint32_t i) { return (*this)[i].time; };
    // The first picture later than `time`; the one before it has the latest time at or before.
    auto after = std::upper_bound(p->byTime.begin(), p->byTime.end(), time,
                                  [&](std::int64_t t, std::uint32_t i) { return t < timeOf(i); });
    if (after == p->byTime.begin()) return (*this)[p->byTime.front()];
    const std::int64_t found = timeOf(*std::prev(after));
    auto first = std::lower_bound(p->byTime.begin(), after, found,
                                  [&](std::uint32_t i, std::int64_t t) { return timeOf(i) < t; });
    return (*this)[*first];
}

std::optional<IndexEntry> RecordIndex::PictureAfter(int camera, std::int64_t time) const {
    const CameraPictures* p = Pictures(camera);
    if (!p) return std::nullopt;
    auto after = std::upper_bound(p->byTime.begin(), p->byTime.end(), time,
                                  [this](std::int64_t t, std::uint32_t i) { return t < (*this)[i].time; });
    if (after == p->byTime.end()) return std::nullopt;
    return (*this)[*after];
}

std::vector<TimeGap> RecordIndex::Gaps(int camera) const {
    std::vector<TimeGap> gaps;
    const CameraPictures* p = Pictures(camera);
    if (!p) return gaps;
    for (std::size_t i = 1; i < p->byTime.size(); ++i) {
        const std::int64_t from = (*this)[p->byTime[i - 1]].time, to = (*this)[p->byTime[i]].time;
        if (to - from > kGapMilliseconds) gaps.push_back({from, to});
    }
    return gaps;
}

std::optional<std::size_t> RecordIndex::Find(std::uint32_t offset) const {
    // Offsets grow along the physical chain.
    std::size_t low = 0, high = m_size;
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        if ((*this)[mid].offset < offset) low = mid + 1;
        else high = mid;
    }
    if (low < m_size && (*this)[low].offset == offset) return low;
    return std::nullopt;
}

std::size_t RecordIndex::MemoryBytes() const {
    std::size_t bytes = m_blocks.capacity() * sizeof(m_blocks[0]) + m_blocks.size() * kBlock * sizeof(IndexEntry) +
                        m_cameras.capacity() * sizeof(CameraPictures);
    for (const CameraPictures& p : m_cameras) bytes += p.byTime.capacity() * sizeof(std::uint32_t);
    return bytes;
}

}  // namespace korvane
