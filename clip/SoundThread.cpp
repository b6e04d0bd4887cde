#include "clip/SoundThread.h"

namespace korvane {

SoundThread::SoundThread(AacEncoder* aac, std::int64_t firstMs, std::int64_t lastMs, int rate)
    : m_track(
          [this](std::span<const std::uint8_t> bytes, std::int64_t pts, std::int64_t duration) {
              const std::lock_guard lock(m_mutex);
              m_packets.push_back({{bytes.begin(), bytes.end()}, pts, duration});
              return true;
          },
          aac, firstMs, lastMs, rate),
      m_thread([this] { Loop(); }) {}

SoundThread::~SoundThread() { Stop(); }

void SoundThread::Stop() {
    if (!m_thread.joinable()) return;
    {
        const std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void SoundThread::Add(const FrameHeader& header, std::vector<std::uint8_t> data) {
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_records.size() < kRecordsAhead; });
        m_records.emplace_back(header, std::move(data));
    }
    m_changed.notify_all();
}

void SoundThread::Loop() {
    bool ok = true;
    for (;;) {
        std::pair<FrameHeader, std::vector<std::uint8_t>> record;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return !m_records.empty() || m_ending; });
            if (m_records.empty()) break;
            record = std::move(m_records.front());
            m_records.pop_front();
        }
        m_changed.notify_all();
        ok = ok && m_track.Add(record.first, record.second);
    }
    ok = ok && m_track.Finish();
    const std::lock_guard lock(m_mutex);
    m_failed = !ok;
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
    Stop();
    bool failed = false;
    {
        const std::lock_guard lock(m_mutex);
        failed = m_failed;
    }
    return Drain(muxer) && !failed;
}

}  // namespace korvane
