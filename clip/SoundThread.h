// A clip's sound made on a thread of its own (decoding the records, and for
// MP4 encoding AAC), so that the thread muxing the clip only writes the
// packets: it hands the sound records over and, now and then, writes the
// packets made so far. At most a few records wait; the packets made wait
// only until the next Drain.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <utility>
#include <vector>

#include "clip/ClipMuxer.h"
#include "clip/ClipSound.h"
#include "clip/WorkThread.h"

namespace korvane {

class SoundThread {
public:
    // aac: nothing for PCM as it is; it belongs to the thread until Finish.
    SoundThread(AacEncoder* aac, std::int64_t firstMs, std::int64_t lastMs, int rate);

    void Add(const FrameHeader& header, std::vector<std::uint8_t> data) { m_work.Hand({header, std::move(data)}); }
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

    static constexpr std::size_t kRecordsAhead = 16;
    std::mutex m_mutex;
    std::deque<Packet> m_packets;  // under m_mutex: made on the thread, written by Drain
    // The thread's own until it is joined.
    SoundTrack m_track;
    bool m_ok = true;
    WorkThread<Record> m_work{kRecordsAhead, [this](Record& r) { m_ok = m_ok && m_track.Add(r.first, r.second); },
                              [this] { m_ok = m_ok && m_track.Finish(); }};
};

}  // namespace korvane
