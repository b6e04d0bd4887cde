// A clip's sound made on a thread of its own (decoding the records, and for
// MP4 encoding AAC), so that the thread muxing the clip only writes the
// packets: it hands the sound records over and, now and then, writes the
// packets made so far. At most a few records wait; the packets made wait
// only until the next Drain.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "clip/ClipMuxer.h"
#include "clip/ClipSound.h"

namespace korvane {

class SoundThread {
public:
    // aac: nothing for PCM as it is; it belongs to the thread until Finish.
    SoundThread(AacEncoder* aac, std::int64_t firstMs, std::int64_t lastMs, int rate);
    ~SoundThread();
    SoundThread(const SoundThread&) = delete;
    SoundThread& operator=(const SoundThread&) = delete;

    void Add(const FrameHeader& header, std::vector<std::uint8_t> data);
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
    void Loop();
    void Stop();

    static constexpr std::size_t kRecordsAhead = 16;
    SoundTrack m_track;  // the thread's own until it is joined
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::pair<FrameHeader, std::vector<std::uint8_t>>> m_records;  // under m_mutex
    std::deque<Packet> m_packets;                                             // under m_mutex
    bool m_ending = false, m_failed = false;                                  // under m_mutex
    std::thread m_thread;  // declared last: started last, joined first
};

}  // namespace korvane
