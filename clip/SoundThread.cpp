#include "clip/SoundThread.h"

#include "recording/TimeStamp.h"

namespace korvane {

SoundThread::SoundThread(AacEncoder* aac, std::int64_t firstMs, std::int64_t lastMs, int rate)
    : m_track(
          [this](std::span<const std::uint8_t> bytes, std::int64_t pts, std::int64_t duration) {
              const std::lock_guard lock(m_mutex);
              m_packets.push_back({{bytes.begin(), bytes.end()}, pts, duration});
              return true;
          },
          aac, firstMs, lastMs, rate) {}

void SoundThread::Decode(Record& record) {
    const auto samples = m_decoder.Decode(record.first, record.second);
    if (samples && !samples->empty())
        m_placing.Hand({CaptureMilliseconds(record.first.timeStamp), {samples->begin(), samples->end()}});
}

bool SoundThread::Drain(ClipMuxer& muxer) {
    std::deque<Packet> packets;
    {
        const std::lock_guard lock(m_mutex);
        packets.swap(m_packets);
    }
    for (const Packet& p : packets)
        if (!muxer.WriteAudio(p.bytes, p.pts, p.duration)) return false;
    return true;
}

bool SoundThread::Finish(ClipMuxer& muxer) {
    m_decoding.Finish();
    return Drain(muxer) && m_ok;
}

}  // namespace korvane
