#include "playback/KeyPictures.h"

#include "playback/ShownCameras.h"

namespace korvane {

void KeyPictures::Open(std::vector<std::string> paths) {
    m_paths = std::move(paths);
    m_streams.clear();
}

PictureHandle KeyPictures::Near(const CameraTrack& track, std::int64_t time, QSize size,
                                std::chrono::steady_clock::time_point presentedAt) {
    const auto at = track.PictureAt(time);
    if (!at || size.isEmpty()) return nullptr;
    const RecordRef key = track.KeyOf(*at);
    const auto picture = track.Entry(key).IsPicture() ? std::optional(key) : track.NextVideo(key, true);
    if (!picture) return nullptr;
    auto& stream = m_streams[track.Camera()];
    if (!stream) stream = std::make_unique<CameraStream>(m_paths, track.Camera(), m_cache, m_neverStopped);
    stream->SetTrack(&track);
    int status = 0;
    const DecodedHandle decoded = stream->Exact(*picture, CameraStream::Walk::TargetOnly, status);
    if (!decoded) return nullptr;
    const PictureSize fitted = FitInto(decoded->Shown(), size);
    return fitted == decoded->Shown() ? m_converter.Convert(*decoded, presentedAt)
                                      : m_converter.Convert(*decoded, fitted, presentedAt);
}

}  // namespace korvane
