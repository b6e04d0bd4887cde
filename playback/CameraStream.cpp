#include "playback/CameraStream.h"

namespace korvane {

CameraStream::CameraStream(std::vector<std::string> paths, int camera, PictureCache& cache,
                           const std::atomic<bool>& stop)
    : m_camera(camera), m_cache(cache), m_stop(stop), m_reader(std::move(paths)) {}

DecodedHandle CameraStream::Decode(RecordRef ref, bool keep, int& status, bool cache) {
    status = 0;
    const IndexEntry& e = m_track->Entry(ref);
    if (!m_reader.Read(ref.file, e.offset, m_buffers)) return nullptr;
    const DecodeResult result = m_pipeline.Decode(m_buffers.header, m_buffers.extension, m_buffers.Body(),
                                                  &m_buffers.caption, m_buffers.captionText, keep);
    status = result.status;
    if (e.mediaKind == kMediaVideo) m_decoderAt = ref;
    if (result.picture && cache) m_cache.Put(m_track->KeyOf(ref), ref, result.picture);
    return result.picture;
}

DecodedHandle CameraStream::Exact(RecordRef ref, Walk walk, int& status) {
    status = 0;
    if (!m_track) return nullptr;
    const IndexEntry& e = m_track->Entry(ref);
    if (!e.IsPicture()) {
        if (e.mediaKind == kMediaVideo) Decode(ref, false, status);
        return nullptr;
    }
    if (DecodedHandle cached = m_cache.Find(ref)) {
        status = 1;
        return cached;
    }
    const bool follows = m_decoderAt && m_decoderAt == m_track->PreviousVideo(ref, false);
    // Moving forward in order, a picture is not kept: the cache serves backward
    // moves, and a decoded picture it holds keeps its decoder's buffer from reuse.
    if (follows) return Decode(ref, true, status, walk == Walk::KeepGroup);
    const RecordRef key = m_track->KeyOf(ref);
    if (key == ref) return Decode(ref, true, status);
    if (DecodedHandle walked = WalkFrom(key, ref, walk, status)) return walked;
    // The key record cannot be followed: the record on its own is the best there is.
    return m_stop.load() ? nullptr : Decode(ref, true, status);
}

DecodedHandle CameraStream::WalkFrom(RecordRef key, RecordRef target, Walk walk, int& status) {
    std::optional<RecordRef> at = key;
    while (at && !m_stop.load()) {
        if (*at == target) return Decode(*at, true, status);
        const bool keep = walk == Walk::KeepGroup && m_track->Entry(*at).IsPicture() && !m_cache.Find(*at);
        Decode(*at, keep, status);
        if (status == kCodecUnknown) return nullptr;
        at = m_track->NextVideo(*at, false);
    }
    return nullptr;
}

DecodedHandle CameraStream::Quick(RecordRef ref, int& status) {
    status = 0;
    if (!m_track) return nullptr;
    if (DecodedHandle cached = m_cache.Find(ref)) {
        status = 1;
        return cached;
    }
    return m_track->Entry(ref).frameType == kFrameKey ? Decode(ref, true, status) : nullptr;
}

void CameraStream::SetDecoderThreads(int count) {
    if (count == m_decoderThreads) return;
    m_decoderThreads = count;
    m_pipeline.SetDecoderThreads(count);
    Forget();
}

bool CameraStream::FillStep(RecordRef shown) {
    if (!m_track) return false;
    const RecordRef group = m_track->KeyOf(shown);
    // Only while the stream's part of the cache can hold the older group beside the shown one:
    // else the fill would push out the pictures back play is about to show.
    if (2 * m_cache.GroupBytes(group) > m_cache.StreamShare()) return false;
    if (m_fill.group != group) {
        m_fill = Fill{group, std::nullopt, {}, false};
        const auto end = m_track->PreviousVideo(group, true);
        if (!end || m_cache.Find(*end)) return false;
        m_fill.end = *end;
        m_fill.active = true;
    }
    if (!m_fill.active) return false;
    const std::optional<RecordRef> next = m_fill.at ? m_track->NextVideo(*m_fill.at, false) : m_track->KeyOf(m_fill.end);
    if (!next) {
        m_fill.active = false;
        return false;
    }
    int status = 0;
    Exact(*next, Walk::KeepGroup, status);
    m_fill.at = *next;
    m_fill.active = !(*next == m_fill.end) && status != kCodecUnknown;
    return m_fill.active;
}

}  // namespace korvane
