#include "recording/RecordingSet.h"

#include <algorithm>
#include <filesystem>

#include "recording/RecordFile.h"
#include "recording/SiteInfo.h"

namespace korvane {

bool IsRecordingFile(const std::string& path) {
    RecordFile file;
    RecordingFileHeader header;
    if (file.Open(path) != 0 || !file.ReadAt(0, header.bytes)) return false;
    return header.fileKind() == kFileKind514 || header.fileKind() == kFileKind771;
}

std::vector<std::string> RecordingPaths(const std::vector<std::string>& paths) {
    std::vector<std::string> out;
    for (const std::string& path : paths) {
        std::error_code error;
        if (!std::filesystem::is_directory(path, error)) {
            out.push_back(path);
            continue;
        }
        std::vector<std::string> found;
        for (const auto& item : std::filesystem::directory_iterator(path, error)) {
            std::error_code itemError;
            if (item.is_regular_file(itemError) && IsRecordingFile(item.path().string()))
                found.push_back(item.path().string());
        }
        std::sort(found.begin(), found.end());
        out.insert(out.end(), found.begin(), found.end());
    }
    return out;
}

std::optional<RecordingSet> RecordingSet::Build(const std::vector<std::string>& paths,
                                                const std::atomic<bool>* cancel, const Progress& progress,
                                                std::size_t limit) {
    RecordingSet set;
    std::uint64_t total = 0;
    std::vector<std::uint64_t> sizes;
    for (const std::string& path : paths) {
        std::error_code error;
        const auto size = std::filesystem::file_size(path, error);
        sizes.push_back(error ? 0 : size);
        total += sizes.back();
    }
    std::uint64_t before = 0;
    int reported = -1;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        File file{paths[i], nullptr};
        RecordFile recording;
        if (recording.Open(paths[i]) == 0) {
            auto built = RecordIndex::Build(recording, cancel, [&](std::uint64_t walked, std::uint64_t length) {
                if (!progress || total == 0) return;
                const std::uint64_t part = length == 0 ? 0 : sizes[i] * std::min(walked, length) / length;
                const int percent = static_cast<int>(100 * (before + part) / total);
                if (percent != reported) progress(reported = percent);
            }, limit);
            if (!built && cancel && cancel->load()) return std::nullopt;
            if (built) file.index = std::make_shared<const RecordIndex>(std::move(*built));
        }
        before += sizes[i];
        set.m_files.push_back(std::move(file));
    }
    if (progress && reported != 100) progress(100);
    set.MakeTracks();
    return set;
}

void RecordingSet::MakeTracks() {
    std::map<int, std::vector<CameraTrack::Segment>> segments;
    for (std::uint32_t f = 0; f < m_files.size(); ++f) {
        const auto& index = m_files[f].index;
        if (!index) continue;
        std::map<int, CameraTrack::Segment> byCamera;
        for (std::size_t i = 0; i < index->Size(); ++i) {
            const IndexEntry& e = (*index)[i];
            CameraTrack::Segment& s = byCamera[e.camera];
            if (s.entries.empty() && !s.index) {
                s.file = f;
                s.index = index;
            }
            s.entries.push_back(static_cast<std::uint32_t>(i));
        }
        for (auto& [camera, s] : byCamera) {
            const auto first = std::find_if(s.entries.begin(), s.entries.end(),
                                            [&](std::uint32_t i) { return (*index)[i].IsPicture(); });
            if (first == s.entries.end()) continue;  // no picture of the camera in this recording
            s.firstPicture = (*index)[*first].time;
            s.lastPicture = index->Last(camera)->time;
            segments[camera].push_back(std::move(s));
        }
    }
    for (auto& [camera, list] : segments) {
        const CameraTrack& track = m_tracks.emplace(camera, CameraTrack(camera, std::move(list))).first->second;
        const auto& s = track.Segments();
        for (std::size_t i = 1; i < s.size(); ++i)
            if (s[i].firstPicture < s[i - 1].lastPicture)
                m_overlaps.push_back({camera, s[i - 1].file, s[i].file, s[i].firstPicture, s[i - 1].lastPicture});
    }
}

std::vector<int> RecordingSet::Cameras() const {
    std::vector<int> cameras;
    for (const auto& [camera, track] : m_tracks) cameras.push_back(camera);
    return cameras;
}

const CameraTrack* RecordingSet::Track(int camera) const {
    const auto it = m_tracks.find(camera);
    return it == m_tracks.end() ? nullptr : &it->second;
}

std::string RecordingSet::SiteName() const {
    for (const File& f : m_files)
        if (std::string name = korvane::SiteName(f.path); !name.empty()) return name;
    return {};
}

std::string RecordingSet::CameraName(int camera) const {
    if (const CameraTrack* track = Track(camera))
        for (const auto& s : track->Segments())
            if (std::string name = korvane::CameraName(m_files[s.file].path, camera); !name.empty()) return name;
    return {};
}

}  // namespace korvane
