// The sound of play with sound: the camera's audio records, read ahead of
// the pictures along the camera's track, decoded and queued on the output,
// and the clock set from the output, so that the picture shown is the one
// recorded with the sound heard.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "audio/SoundPlayback.h"
#include "playback/PlaybackClock.h"
#include "recording/CameraTrack.h"
#include "recording/RecordReader.h"

namespace korvane {

class SoundFeed {
public:
    // `opened` runs each time the output has been opened for a run.
    SoundFeed(SoundPlayback& audio, RecordReader& reader, std::function<void()> opened)
        : m_audio(audio), m_reader(reader), m_opened(std::move(opened)) {}

    // Readies the output and starts reading after the record `from`.
    void Start(const CameraTrack& track, RecordRef from);
    // Queues the audio records up to `until` (capture ms), and sets the
    // clock from the output: the first queued sound that has begun to play
    // gives the capture time of the moment it plays.
    void QueueUntil(std::int64_t until, PlaybackClock& clock);

private:
    SoundPlayback& m_audio;
    RecordReader& m_reader;
    std::function<void()> m_opened;
    const CameraTrack* m_track = nullptr;
    std::optional<RecordRef> m_at;  // the last record looked at
    bool m_ended = false;
    RecordBuffers m_buffers;
};

}  // namespace korvane
