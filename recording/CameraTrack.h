// The one record walk of a camera: its records, video and audio, in the
// order they play, across every recording of a set. The recordings that hold
// the camera are ordered by the capture time of its first picture in each
// (whatever their names), and each plays whole, in chain order: the record
// after the last of one recording is the first of the next, and a record of
// another camera interleaved in a chain is passed over.
//
// Times are capture milliseconds (CaptureMilliseconds). The time lookups
// order the camera's pictures by time and, among equal times, by play order.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "recording/RecordIndex.h"

namespace korvane {

// A record of a set: the recording it is in and its entry in that recording's index.
struct RecordRef {
    std::uint32_t file = 0;
    std::uint32_t entry = 0;
    auto operator<=>(const RecordRef&) const = default;
};

class CameraTrack {
public:
    // One recording's part of the track: its records of the camera, in chain order.
    struct Segment {
        std::uint32_t file = 0;
        std::shared_ptr<const RecordIndex> index;
        std::vector<std::uint32_t> entries;
        std::int64_t firstPicture = 0;  // capture time of its first picture in chain order
        std::int64_t lastPicture = 0;   // latest capture time of its pictures
    };

    // segments: each recording that has pictures of the camera (any order; sorted here).
    CameraTrack(int camera, std::vector<Segment> segments);

    int Camera() const { return m_camera; }
    const std::vector<Segment>& Segments() const { return m_segments; }
    const IndexEntry& Entry(RecordRef ref) const;

    // The first and last record in play order (of any kind).
    std::optional<RecordRef> Front() const;
    std::optional<RecordRef> Back() const;
    // The record that plays after or before `ref` (a record of this track).
    std::optional<RecordRef> Next(RecordRef ref) const;
    std::optional<RecordRef> Previous(RecordRef ref) const;
    // The next or previous video record; a picture-giving one with `picturesOnly`.
    std::optional<RecordRef> NextVideo(RecordRef ref, bool picturesOnly) const;
    std::optional<RecordRef> PreviousVideo(RecordRef ref, bool picturesOnly) const;
    // The record a picture is decoded from: its key (or decoder-only) record
    // when the header names one of this camera before it in its recording,
    // else the nearest key picture before it, else the picture itself; with
    // the decoder-only records right in front of it (stream headers).
    RecordRef KeyOf(RecordRef picture) const;

    // The earliest picture, and the latest (the first in play order among equals).
    std::optional<RecordRef> First() const;
    std::optional<RecordRef> Last() const;
    // The picture with the latest capture time at or before `time`, the
    // first in play order of those sharing it; before the first picture, the first.
    std::optional<RecordRef> PictureAt(std::int64_t time) const;
    // The earliest picture later than `time`; nothing after the last.
    std::optional<RecordRef> PictureAfter(std::int64_t time) const;
    // The spans longer than RecordIndex::kGapMilliseconds without a picture, in time order.
    std::vector<TimeGap> Gaps() const;
    std::size_t PictureCount() const;
    std::size_t KeyCount() const;

private:
    struct Place {
        std::size_t segment = 0;
        std::size_t position = 0;
    };
    std::optional<Place> Find(RecordRef ref) const;
    RecordRef At(Place place) const { return {m_segments[place.segment].file, m_segments[place.segment].entries[place.position]}; }
    std::optional<Place> After(Place place) const;
    std::optional<Place> Before(Place place) const;

    int m_camera;
    std::vector<Segment> m_segments;  // in play order
};

}  // namespace korvane
