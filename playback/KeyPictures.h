// Small pictures of the session's cameras for the owning thread (the
// timeline's hover): a camera's key picture near a time, fitted into a size.
// Each camera has a stream of its own here, apart from the streams that
// play, so that a small picture never disturbs a decoder's state; decoded
// pictures go through the session's one cache.
#pragma once

#include <QSize>

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "decode/PictureConverter.h"
#include "playback/CameraStream.h"

namespace korvane {

class KeyPictures {
public:
    explicit KeyPictures(PictureCache& cache) : m_cache(cache) {}

    // The recordings of a new session: the streams of the last one go.
    void Open(std::vector<std::string> paths);
    // The key picture of `track` at or before `time` (or its first), fitted
    // into `size` in its proportions; null when there is none.
    PictureHandle Near(const CameraTrack& track, std::int64_t time, QSize size,
                       std::chrono::steady_clock::time_point presentedAt);

private:
    PictureCache& m_cache;
    std::vector<std::string> m_paths;
    std::map<int, std::unique_ptr<CameraStream>> m_streams;
    PictureConverter m_converter;
    std::atomic<bool> m_neverStopped{false};
};

}  // namespace korvane
