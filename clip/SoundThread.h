// A clip's sound made on threads of its own, so that the thread muxing the
// clip only writes the packets: one thread decodes the records, the next
// places the samples at their times (and for MP4 encodes AAC), so that
// decoding and encoding run side by side. The muxing thread hands the sound
// records over and, now and then, writes the packets made so far. At most a
// few records wait at each step; the packets made wait only until the next
// Drain.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <utility>
#include <vector>

#include "audio/AudioRecordDecoder.h"
#include "clip/ClipMuxer.h"
#include "clip/ClipSound.h"
#include "clip/WorkThread.h"

namespace korvane {

class SoundThread {
public:
    // aac: nothing for PCM as it is; it belongs to the threads until Finish.
    SoundThread(AacEncoder* aac, std::int64_t firstMs, std::int64_t lastMs, int rate);

    void Add(const FrameHeader& header, std::vector<std::uint8_t> data) { m_decoding.Hand({header, std::move(data)}); }
    // Writes the packets made so far; false when the muxer refuses one.
    bool Drain(ClipMuxer& muxer);
    // Makes the rest of the sound and writes it; false when anything failed.
    bool Finish(ClipMuxer& muxer);

    // After Finish.
    std::uint64_t Samples() const { return m_track.Samples(); }
    std::size_t UnfilledGaps() const { return m_track.UnfilledGaps(); }
    std::size_t OutOfOrder() const { return m_track.OutOfOrder(); }

private:
    struct Packet {
        std::vector<std::uint8_t> bytes;
        std::int64_t pts = 0, duration = 0;
    };
    using Record = std::pair<FrameHeader, std::vector<std::uint8_t>>;
    struct Decoded {
        std::int64_t ms = 0;  // capture time
        std::vector<std::int16_t> samples;
    };
    void Decode(Record& record);

    static constexpr std::size_t kRecordsAhead = 16;
    std::mutex m_mutex;
    std::deque<Packet> m_packets;  // under m_mutex: made on the placing thread, written by Drain
    // The placing thread's own until it is joined.
    SoundTrack m_track;
    bool m_ok = true;
    WorkThread<Decoded> m_placing{kRecordsAhead, [this](Decoded& d) { m_ok = m_ok && m_track.Add(d.ms, d.samples); },
                                  [this] { m_ok = m_ok && m_track.Finish(); }};
    // The decoding thread's own until it is joined; it ends the placing thread when it ends.
    AudioRecordDecoder m_decoder;
    WorkThread<Record> m_decoding{kRecordsAhead, [this](Record& r) { Decode(r); }, [this] { m_placing.Finish(); }};
};

}  // namespace korvane
