// The engine's sound: the output, the audio record path over it, the user's
// volume, and the feed that reads the camera's audio records ahead of the
// pictures. Play with sound runs it on the worker; the volume may be set
// from the owning thread at any time.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "audio/SoundPlayback.h"
#include "audio/WaveOutput.h"
#include "playback/SoundFeed.h"
#include "recording/RecordReader.h"

namespace korvane {

class SoundPath {
public:
    // Messages of the audio path (on the worker) go to `notifier`.
    explicit SoundPath(Notifier& notifier) : m_audio(m_waveOut, notifier) {}

    // The recordings the feed reads from (between runs only).
    void SetPaths(std::vector<std::string> paths) { m_reader = RecordReader(std::move(paths)); }
    SoundFeed& Feed() { return m_feed; }
    // Level 0 to 5; until one is set the output plays at full volume.
    void SetVolume(int level);
    // The output opened at full volume: the user's level is applied again.
    void ApplyVolume();
    // Plays out what is queued and closes the output (no run may play).
    void Close() { m_waveOut.CloseOutput(); }
    bool OutputOpen() const { return m_waveOut.IsOutputOpen(); }

private:
    WaveOutput m_waveOut;
    SoundPlayback m_audio;
    RecordReader m_reader{{}};
    SoundFeed m_feed{m_audio, m_reader, [this] { ApplyVolume(); }};
    std::atomic<int> m_volumeLevel{-1};  // -1: none set
};

}  // namespace korvane
