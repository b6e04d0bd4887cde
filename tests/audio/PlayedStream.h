// Plays through SDL's disk driver into a named pipe that a thread of its own
// reads, noting when each piece of the played stream arrived. The driver's
// stdio buffer passes a buffer on only at its next write, after sleeping as
// long as that buffer lasts: the last frame of each arrival has just played,
// the ones before it at the sample rate before that.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/ScopedEnv.h"
#include "authoring/TempDir.h"

namespace korvane::testing {

class PlayedStream {
public:
    using Clock = std::chrono::steady_clock;

    // SDL's audio goes into the pipe at real-time speed until this goes.
    PlayedStream();
    ~PlayedStream();
    PlayedStream(const PlayedStream&) = delete;
    PlayedStream& operator=(const PlayedStream&) = delete;

    // The left channel of every 16-bit stereo frame that has arrived.
    std::vector<std::int16_t> Left() const;
    // When frame `frame` of a stream of `rate` frames a second was played; nothing before it arrived.
    std::optional<Clock::time_point> PlayedAt(std::size_t frame, int rate) const;

private:
    TempDir m_dir;
    std::string m_pipe;
    int m_fd = -1;
    std::atomic<bool> m_stop{false};
    ScopedEnv m_driver, m_file, m_delay;
    mutable std::mutex m_mutex;
    std::vector<std::uint8_t> m_bytes;
    std::vector<std::pair<Clock::time_point, std::size_t>> m_arrivals;  // when, and frames by then
    std::thread m_reader;
};

}  // namespace korvane::testing
