// One camera's pictures, decoded exactly: every picture is the one forward
// play shows for its record, however it is reached. A picture is taken from
// the session's cache, decoded directly when the decoder was last fed the
// camera's video record before it, or else decoded by a walk from its key
// record forward. The stream reads its records through its own reader and
// has its own decoder, so streams never share decoder state.
//
// One thread uses a stream at a time (the engine's worker, or its owning
// thread while no mode plays).
#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "decode/PicturePipeline.h"
#include "playback/PictureCache.h"
#include "recording/CameraTrack.h"
#include "recording/RecordReader.h"

namespace korvane {

class CameraStream {
public:
    // A walk moving backward keeps every picture of the group for the moves
    // that follow; forward moves and seeks make only their target.
    enum class Walk { KeepGroup, TargetOnly };

    // `stop` ends a walk early (a stop request of the worker).
    CameraStream(std::vector<std::string> paths, int camera, PictureCache& cache, const std::atomic<bool>& stop);

    int Camera() const { return m_camera; }
    // The camera's track in the current set (it grows as the index does); null while it has none.
    void SetTrack(const CameraTrack* track) { m_track = track; }
    const CameraTrack* Track() const { return m_track; }

    // The exact picture of `ref`; a record that gives no picture only feeds
    // the decoder and gives null. `status` is the decoder's answer
    // (kCodecUnknown for a codec the player does not know).
    DecodedHandle Exact(RecordRef ref, Walk walk, int& status);
    // The picture of `ref` only when it costs one decode at most: from the
    // cache, or a key picture on its own.
    DecodedHandle Quick(RecordRef ref, int& status);
    bool Cached(RecordRef ref) { return m_cache.Find(ref) != nullptr; }

    // Back play's decoding ahead: one record of the group before the one
    // `shown` belongs to, decoded into the cache. False when there is
    // nothing (more) to decode or the cache cannot hold both groups.
    bool FillStep(RecordRef shown);
    // The decoder's state is unknown from now on (a record may have been skipped).
    void Forget() { m_decoderAt.reset(); }
    // How many threads decode this camera's slices (1 while other cameras
    // are shown beside it: they share the cores then). The decoder is set
    // up again for the next picture, which is walked to from its key.
    void SetDecoderThreads(int count);

    // The camera-and-time line written for the last record decoded.
    std::string Caption() const { return m_pipeline.Caption(); }

private:
    DecodedHandle Decode(RecordRef ref, bool keep, int& status, bool cache = true);
    DecodedHandle WalkFrom(RecordRef key, RecordRef target, Walk walk, int& status);

    int m_camera;
    PictureCache& m_cache;
    const std::atomic<bool>& m_stop;
    const CameraTrack* m_track = nullptr;
    RecordReader m_reader;
    RecordBuffers m_buffers;
    PicturePipeline m_pipeline;
    std::optional<RecordRef> m_decoderAt;  // the video record the decoder was fed last
    int m_decoderThreads = 1;

    struct Fill {
        RecordRef group{~0u, ~0u};  // key record of the group shown when the fill began
        std::optional<RecordRef> at; // the last record decoded, or the fill has not begun
        RecordRef end;               // the last picture of the group being filled
        bool active = false;
    };
    Fill m_fill;
};

}  // namespace korvane
