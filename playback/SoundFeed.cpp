#include "playback/SoundFeed.h"

namespace korvane {

void SoundFeed::Start(const CameraTrack& track, RecordRef from) {
    m_track = &track;
    m_at = from;
    m_ended = false;
    m_audio.PrepareAudio();
    if (m_opened) m_opened();
}

void SoundFeed::QueueUntil(std::int64_t until, PlaybackClock& clock) {
    while (m_track && !m_ended) {
        const auto next = m_track->Next(*m_at);
        if (!next) {
            m_ended = true;
            break;
        }
        const IndexEntry& e = m_track->Entry(*next);
        if (e.mediaKind == kMediaAudio && e.time > until) break;
        m_at = next;
        if (e.mediaKind != kMediaAudio || !m_reader.Read(next->file, e.offset, m_buffers)) continue;
        m_audio.PlayAudioRecord(m_buffers.header, m_buffers.Body());
        // Where this record's sound starts on the output's clock: the capture time heard then.
        // The output reckons on the steady clock; the session clock may run on another time source.
        if (const auto when = m_audio.WhenPlayed(std::chrono::milliseconds(0)))
            clock.Anchor(e.time, clock.Source().Now() + (*when - std::chrono::steady_clock::now()));
    }
}

}  // namespace korvane
