#include "tests/audio/PlayedStream.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace korvane::testing {

namespace {

constexpr std::size_t kFrameBytes = 4;  // 16-bit stereo

}  // namespace

PlayedStream::PlayedStream()
    : m_pipe(m_dir.File("played.pipe")),
      m_driver("SDL_AUDIODRIVER", "disk"),
      m_file("SDL_DISKAUDIOFILE", m_pipe),
      m_delay("SDL_DISKAUDIODELAY", std::nullopt) {  // each buffer as long as it lasts
    if (::mkfifo(m_pipe.c_str(), 0600) != 0) throw std::runtime_error("mkfifo: " + std::string(std::strerror(errno)));
    // Opened for reading and writing, so that opening it never waits for the
    // other side and the driver's reopening never ends the stream.
    m_fd = ::open(m_pipe.c_str(), O_RDWR | O_CLOEXEC);
    m_stopFd = ::eventfd(0, EFD_CLOEXEC);
    if (m_fd < 0 || m_stopFd < 0) throw std::runtime_error("cannot open the played stream's pipe");
    m_reader = std::thread([this] { Read(); });
}

PlayedStream::~PlayedStream() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(m_stopFd, &one, sizeof one);
    m_reader.join();
    ::close(m_stopFd);
    ::close(m_fd);
}

void PlayedStream::Read() {
    std::vector<std::uint8_t> chunk(1 << 16);
    pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_stopFd, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents != 0) return;
        const ssize_t got = ::read(m_fd, chunk.data(), chunk.size());
        const auto at = Clock::now();
        if (got <= 0) continue;
        std::lock_guard lock(m_mutex);
        m_bytes.insert(m_bytes.end(), chunk.begin(), chunk.begin() + got);
        m_arrivals.push_back({at, m_bytes.size() / kFrameBytes});
    }
}

std::vector<std::int16_t> PlayedStream::Left() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::int16_t> left(m_bytes.size() / kFrameBytes);
    for (std::size_t k = 0; k < left.size(); ++k) std::memcpy(&left[k], &m_bytes[k * kFrameBytes], 2);
    return left;
}

std::optional<PlayedStream::Clock::time_point> PlayedStream::PlayedAt(std::size_t frame, int rate) const {
    std::lock_guard lock(m_mutex);
    const auto arrival = std::upper_bound(m_arrivals.begin(), m_arrivals.end(), frame,
                                          [](std::size_t f, const Arrival& a) { return f < a.endFrame; });
    if (arrival == m_arrivals.end()) return std::nullopt;
    const auto framesBeforeEnd = static_cast<std::int64_t>(arrival->endFrame - frame);
    return arrival->at - std::chrono::microseconds(framesBeforeEnd * 1'000'000 / rate);
}

}  // namespace korvane::testing
