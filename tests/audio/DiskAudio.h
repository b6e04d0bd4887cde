// Plays through SDL's disk audio driver into a file of the test's own and
// reads back what the output callback produced, plus the ffmpeg tool's
// decodings that played sound is compared with.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/ScopedEnv.h"
#include "authoring/TempDir.h"

namespace korvane::testing {

// While it lives, SDL's audio goes to a file in a fresh folder through the
// disk driver, one buffer every delayMs milliseconds (a buffer lasts 32 ms at
// 8 kHz; kRealTime waits as long as each buffer lasts). The variables it
// found are put back afterwards.
class DiskAudio {
public:
    static constexpr int kRealTime = 0;
    explicit DiskAudio(int delayMs = 1);

    // The left or right channel of what was played; read once the output is
    // closed, when SDL has flushed the file. Each open starts the file again.
    std::vector<std::int16_t> Left() const { return Channel(0); }
    std::vector<std::int16_t> Right() const { return Channel(1); }
    const TempDir& Dir() const { return m_dir; }

private:
    std::vector<std::int16_t> Channel(int which) const;

    TempDir m_dir;
    std::string m_played;
    ScopedEnv m_driver, m_file, m_delay;
};

// Holds SDL's lock on a device's callback, so that blocks written meanwhile
// play back to back without silence between them.
class CallbackHeld {
public:
    explicit CallbackHeld(SDL_AudioDeviceID device) : m_device(device) { SDL_LockAudioDevice(m_device); }
    ~CallbackHeld() { SDL_UnlockAudioDevice(m_device); }
    CallbackHeld(const CallbackHeld&) = delete;
    CallbackHeld& operator=(const CallbackHeld&) = delete;

private:
    SDL_AudioDeviceID m_device;
};

std::vector<std::int16_t> SamplesFromBytes(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> BytesFromSamples(std::span<const std::int16_t> samples);

// The 16-bit samples the ffmpeg tool decodes from `path`, read with the
// input options given before it (none for a WAV file). Fails the test and
// returns nothing when ffmpeg fails.
std::vector<std::int16_t> FfmpegSamples(const std::string& inputOptions, const std::string& path,
                                        const TempDir& scratch);

// Where `expected` starts in `played`, found by lining up the first sample
// that is not zero in each; nothing when either is all zero or `expected`
// would start before the file.
std::optional<std::size_t> FindStart(std::span<const std::int16_t> played,
                                     std::span<const std::int16_t> expected);

// `played` holds silence, then exactly `expected`, then silence.
::testing::AssertionResult PlayedExactly(std::span<const std::int16_t> played,
                                         std::span<const std::int16_t> expected);

}  // namespace korvane::testing
