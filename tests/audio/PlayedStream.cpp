#include "tests/audio/PlayedStream.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace korvane::testing {

constexpr std::size_t kFrameBytes = 4;  // 16-bit stereo

PlayedStream::PlayedStream()
    : m_pipe(m_dir.File("played.pipe")),
      m_driver("SDL_AUDIODRIVER", "disk"),
      m_file("SDL_DISKAUDIOFILE", m_pipe),
      m_delay("SDL_DISKAUDIODELAY", std::nullopt) {
    // Opened for reading and writing: opening never waits, and the driver's reopening never ends the stream.
    if (::mkfifo(m_pipe.c_str(), 0600) == 0) m_fd = ::open(m_pipe.c_str(), O_RDWR | O_CLOEXEC);
    if (m_fd < 0) throw std::runtime_error("no played stream pipe: " + std::string(std::strerror(errno)));
    m_reader = std::thread([this] {
        std::vector<std::uint8_t> chunk(1 << 16);
        for (pollfd fd{m_fd, POLLIN, 0}; !m_stop;) {
            if (::poll(&fd, 1, 20) <= 0) continue;  // waits 20 ms at most to see the stop
            const ssize_t got = ::read(m_fd, chunk.data(), chunk.size());
            const auto at = Clock::now();
            if (got <= 0) continue;
            std::lock_guard lock(m_mutex);
            m_bytes.insert(m_bytes.end(), chunk.begin(), chunk.begin() + got);
            m_arrivals.emplace_back(at, m_bytes.size() / kFrameBytes);
        }
    });
}

PlayedStream::~PlayedStream() {
    m_stop = true;
    m_reader.join();
    ::close(m_fd);
}

std::vector<std::int16_t> PlayedStream::Left() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::int16_t> left(m_bytes.size() / kFrameBytes);
    for (std::size_t k = 0; k < left.size(); ++k) std::memcpy(&left[k], &m_bytes[k * kFrameBytes], 2);
    return left;
}

std::optional<PlayedStream::Clock::time_point> PlayedStream::PlayedAt(std::size_t frame, int rate) const {
    std::lock_guard lock(m_mutex);
    const auto arrival = std::ranges::upper_bound(m_arrivals, frame, {}, [](const auto& a) { return a.second; });
    if (arrival == m_arrivals.end()) return std::nullopt;
    const auto framesBeforeEnd = static_cast<std::int64_t>(arrival->second - frame);
    return arrival->first - std::chrono::microseconds(framesBeforeEnd * 1'000'000 / rate);
}

}  // namespace korvane::testing
