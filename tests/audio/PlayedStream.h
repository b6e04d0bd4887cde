// Plays through SDL's disk driver into a named pipe that a thread of its own
// reads, noting when each piece of the played stream arrived, so that a test
// can tell when each sample was played.
//
// The disk driver writes one buffer and then sleeps for as long as that
// buffer lasts: the buffer plays while the driver sleeps. Its writes go
// through a stdio buffer, which passes a full buffer on to the pipe only when
// the next write comes, that is when the last buffer it holds has just
// finished playing. So the last frame of each arrival has been played as it
// arrives, and the frames before it went at the sample rate before that.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "tests/support/ScopedEnv.h"
#include "authoring/TempDir.h"

namespace korvane::testing {

class PlayedStream {
public:
    using Clock = std::chrono::steady_clock;

    // From now on SDL's audio goes through the disk driver, at real-time
    // speed, into the pipe. The variables it found are put back afterwards.
    PlayedStream();
    ~PlayedStream();
    PlayedStream(const PlayedStream&) = delete;
    PlayedStream& operator=(const PlayedStream&) = delete;

    // The left channel of every 16-bit stereo frame that has arrived.
    std::vector<std::int16_t> Left() const;
    // When frame `frame` of a stream of `rate` frames a second was played;
    // nothing when it has not arrived.
    std::optional<Clock::time_point> PlayedAt(std::size_t frame, int rate) const;

private:
    struct Arrival {
        Clock::time_point at;
        std::size_t endFrame;  // frames that had arrived with this piece
    };
    void Read();

    TempDir m_dir;
    std::string m_pipe;
    int m_fd = -1;
    int m_stopFd = -1;
    ScopedEnv m_driver, m_file, m_delay;

    mutable std::mutex m_mutex;
    std::vector<std::uint8_t> m_bytes;
    std::vector<Arrival> m_arrivals;
    std::thread m_reader;
};

}  // namespace korvane::testing
