// An index of a recording: one compact entry for every record on the
// physical chain, of every camera, made from the record heads alone (the
// pictures and sound are not read). It answers where the pictures of a
// camera lie in capture time: the picture at or before a time, the first and
// the last, the gaps, the key pictures.
//
// Capture times are the recorder's clock and need not grow along the chain
// (a clock set back): the time lookups order a camera's pictures by time
// and, among pictures that share a time, by their place in the chain.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "recording/RecordFile.h"
#include "recording/RecordKind.h"
#include "recording/RecordLayout.h"

namespace korvane {

struct IndexEntry {
    std::int64_t time = 0;          // capture time, milliseconds (CaptureMilliseconds)
    std::uint32_t offset = 0;       // of the record
    std::uint32_t keyOffset = 0;    // video: the key record's offset; audio: its format word
    std::uint8_t camera = 0;
    std::uint8_t mediaKind = 0;
    std::uint8_t frameType = 0;
    std::uint8_t codec = 0;

    // A record that shows a picture when decoded (decoder-only records do not).
    bool IsPicture() const { return GivesPicture(mediaKind, frameType); }
    // The head as far as the entry knows it (camera, kind, type, codec, the
    // key's offset or the sound's format): no time fields, no lengths.
    FrameHeader KnownHead() const;
    bool operator==(const IndexEntry&) const = default;
};

// The entry of the record at `offset` whose head is `head`.
IndexEntry EntryOf(const FrameHeader& head, std::uint32_t offset);

struct TimeGap {
    std::int64_t from = 0;  // the last picture before the gap
    std::int64_t to = 0;    // the first picture after it
};

// How the walk along the chain ended.
enum class IndexEnd {
    DataEnd,        // the next record would begin at or past dataEnd
    Unreadable,     // a record does not fit in the file (its head, caption or body)
    MarkerMissing,  // a record after the first lacks its marker: the chain is broken there
};

class RecordIndex {
public:
    static constexpr std::int64_t kGapMilliseconds = 1000;

    // Called now and then while building, with the bytes of the chain walked
    // and the length of the chain.
    using Progress = std::function<void(std::uint64_t walked, std::uint64_t total)>;

    // Walks the chain of an open recording from its first record. Returns
    // nothing when `cancel` became true before the walk was done, or when
    // the file header cannot be read.
    // With a limit, only the first `limit` records are taken (a quick look
    // at where a recording begins).
    static std::optional<RecordIndex> Build(const RecordFile& file, const std::atomic<bool>* cancel = nullptr,
                                            const Progress& progress = {}, std::size_t limit = 0);

    std::size_t Size() const { return m_size; }
    const IndexEntry& operator[](std::size_t i) const { return m_blocks[i / kBlock][i % kBlock]; }
    IndexEnd End() const { return m_end; }
    // Where the walk stopped (the offset of the record it could not take, or the chain's end).
    std::uint64_t EndOffset() const { return m_endOffset; }

    // The cameras that have at least one picture, lowest first (0-based).
    std::vector<int> Cameras() const;
    std::size_t PictureCount(int camera) const;
    std::size_t KeyCount(int camera) const;
    // A camera's pictures by capture time: the earliest and the latest (the
    // first in chain order among equals).
    std::optional<IndexEntry> First(int camera) const;
    std::optional<IndexEntry> Last(int camera) const;
    // The picture with the latest capture time at or before `time`, the
    // first in chain order of those sharing it; before the first picture,
    // the first. Nothing when the camera has no picture.
    std::optional<IndexEntry> PictureAt(int camera, std::int64_t time) const;
    // The earliest picture later than `time` (the first in chain order among equals); nothing after the last.
    std::optional<IndexEntry> PictureAfter(int camera, std::int64_t time) const;
    // The spans longer than kGapMilliseconds with no picture of the camera, in time order.
    std::vector<TimeGap> Gaps(int camera) const;
    // How often the capture time goes back from one picture of the camera to the next in the chain.
    std::size_t ClockSetBacks(int camera) const;
    // The entry of the record at `offset`, when one was indexed there.
    std::optional<std::size_t> Find(std::uint32_t offset) const;
    // Bytes held, for the memory measure.
    std::size_t MemoryBytes() const;

private:
    static constexpr std::size_t kBlock = 8192;  // entries per block: no copy of all entries as they grow

    struct CameraPictures {
        std::vector<std::uint32_t> byTime;  // entry numbers, by (time, chain order)
        std::size_t keys = 0;
        std::size_t setBacks = 0;
    };

    void Append(const IndexEntry& entry);
    void Finish();
    const CameraPictures* Pictures(int camera) const;

    std::vector<std::unique_ptr<IndexEntry[]>> m_blocks;
    std::size_t m_size = 0;
    std::vector<CameraPictures> m_cameras;  // by camera number
    IndexEnd m_end = IndexEnd::DataEnd;
    std::uint64_t m_endOffset = 0;
};

}  // namespace korvane
