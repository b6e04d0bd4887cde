// Decoded pictures (as the decoder gave them, converted only when shown) kept
// for backward moves, by record (recording and entry) and grouped by the key record they were decoded from. A group is decoded once, forward
// from its key record, and its pictures are then handed out as the reader
// moves back through it.
//
// Memory is bounded: when a new picture would take the cache past its bound,
// the least recently used groups go first, down to the two most recent (the
// one being filled and, in back play, the one being shown). If those two are
// still too big, the pictures of its group after the one last looked up go
// (back play has shown them), then the lowest records, of the filled group first: a walk
// from the key record makes them again most cheaply, and back play reaches
// them last. With several streams, each keeps its two groups that way.
// The streams of a session share it from their threads: every call takes its lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <mutex>

#include "decode/DecodedPicture.h"
#include "recording/CameraTrack.h"

namespace korvane {

inline constexpr std::size_t kDefaultPictureCacheBytes = 768u << 20;

class PictureCache {
public:
    explicit PictureCache(std::size_t bound = kDefaultPictureCacheBytes) : m_bound(bound) {}

    // Keeps the picture of the record at `offset`, decoded from the key record at `group`.
    void Put(RecordRef group, RecordRef offset, DecodedHandle picture);
    // The picture of the record at `offset`, or null; its group becomes the most recently used.
    DecodedHandle Find(RecordRef offset);
    // Bytes the pictures of a group take.
    std::size_t GroupBytes(RecordRef group) const;
    void Clear();
    // The streams filling it: each keeps its two most recent groups.
    void SetStreams(std::size_t streams);

    // Also starts the peak again from what is kept now.
    void SetBound(std::size_t bytes);
    std::size_t Bound() const;
    // A stream's part of the bound.
    std::size_t StreamShare() const;
    std::size_t Bytes() const;
    std::size_t PeakBytes() const;
    static std::size_t SizeOf(const DecodedPicture& picture) { return sizeof(DecodedPicture) + picture.Bytes(); }

private:
    struct Group {
        RecordRef key;
        std::map<RecordRef, DecodedHandle> pictures;
    };
    using Groups = std::list<Group>;  // most recently used first

    Groups::iterator Touch(Groups::iterator group);
    void MakeRoom(std::size_t wanted);
    bool Over(std::size_t wanted) const { return m_bytes + wanted > m_bound; }
    // Drops a group's picture at its lowest or highest offset.
    void DropLowest(Group& group);
    void DropHighest(Group& group);
    void DropGroup(Groups::iterator group);

    mutable std::mutex m_mutex;  // guards everything below
    Groups m_groups;
    std::size_t m_kept = 2;  // groups never dropped for room: two a stream
    std::map<RecordRef, Groups::iterator> m_byOffset;
    std::size_t m_bound;
    std::size_t m_bytes = 0;
    std::size_t m_peak = 0;
    RecordRef m_lastFound{~0u, ~0u};
};

}  // namespace korvane
