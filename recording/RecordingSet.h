// A set of recordings opened together: one file, several, or a folder (every
// file in it whose header is a recording's, whatever its name). Each
// recording has its index; every camera of the set has its track, the one
// walk over its records across the recordings.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "recording/CameraTrack.h"
#include "recording/RecordIndex.h"

namespace korvane {

// Two consecutive recordings of a camera whose capture times overlap: the
// later one starts before the earlier one ends.
struct TrackOverlap {
    int camera = 0;
    std::uint32_t earlierFile = 0;
    std::uint32_t laterFile = 0;
    std::int64_t laterStarts = 0;   // its first picture
    std::int64_t earlierEnds = 0;   // the earlier one's latest picture
};

// Whether the file at path starts with a recording's file kind.
bool IsRecordingFile(const std::string& path);

// The recordings the paths name: a file as it is, a folder as the
// recordings in it (by header, sorted by name; not its subfolders).
std::vector<std::string> RecordingPaths(const std::vector<std::string>& paths);

class RecordingSet {
public:
    // Called now and then while building, with the whole percent done.
    using Progress = std::function<void(int percent)>;

    // Builds the index of every recording. Nothing when cancelled. A file
    // that cannot be read stays in the set with an empty index, so that
    // file numbers stay those of `paths`. With a limit, each index holds
    // only the first `limit` records of its recording (the references into
    // it stay those of the complete index).
    static std::optional<RecordingSet> Build(const std::vector<std::string>& paths,
                                             const std::atomic<bool>* cancel = nullptr, const Progress& progress = {},
                                             std::size_t limit = 0);

    std::size_t FileCount() const { return m_files.size(); }
    const std::string& Path(std::uint32_t file) const { return m_files[file].path; }
    // Null for a recording that could not be read.
    const std::shared_ptr<const RecordIndex>& Index(std::uint32_t file) const { return m_files[file].index; }
    const IndexEntry& Entry(RecordRef ref) const { return (*m_files[ref.file].index)[ref.entry]; }

    // The cameras with at least one picture, lowest first (0-based).
    std::vector<int> Cameras() const;
    // The camera's track; null for a camera without pictures.
    const CameraTrack* Track(int camera) const;
    const std::vector<TrackOverlap>& Overlaps() const { return m_overlaps; }

    // Names from the mp4info.txt beside the recordings: the site's, and a
    // camera's from the first recording of it that names it.
    std::string SiteName() const;
    std::string CameraName(int camera) const;

private:
    struct File {
        std::string path;
        std::shared_ptr<const RecordIndex> index;
    };
    void MakeTracks();

    std::vector<File> m_files;
    std::map<int, CameraTrack> m_tracks;
    std::vector<TrackOverlap> m_overlaps;
};

}  // namespace korvane
