// Plays through SDL's disk audio driver into a file of the test's own and reads back what was played.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/ScopedEnv.h"
#include "authoring/TempDir.h"

namespace korvane::testing {

// While it lives, SDL's audio goes to a file in a fresh folder, one buffer every delayMs
// milliseconds (kRealTime: as long as each buffer lasts, 32 ms at 8 kHz).
class DiskAudio {
public:
    static constexpr int kRealTime = 0;
    explicit DiskAudio(int delayMs = 1);

    // A channel of what was played, read once the output closed (SDL has flushed the file then).
    std::vector<std::int16_t> Left() const { return Channel(0); }
    std::vector<std::int16_t> Right() const { return Channel(1); }
    const TempDir& Dir() const { return m_dir; }

private:
    std::vector<std::int16_t> Channel(int which) const;
    TempDir m_dir;
    std::string m_played;
    ScopedEnv m_driver, m_file, m_delay;
};

// Holds SDL's lock on a device's callback until the result goes: blocks written meanwhile play back to back.
[[nodiscard]] inline std::shared_ptr<void> HoldCallback(SDL_AudioDeviceID device) {
    SDL_LockAudioDevice(device);
    return {nullptr, [device](void*) { SDL_UnlockAudioDevice(device); }};
}

std::vector<std::int16_t> SamplesFromBytes(std::span<const std::uint8_t> bytes);
std::vector<std::uint8_t> BytesFromSamples(std::span<const std::int16_t> samples);
// The samples the ffmpeg tool decodes from `path` with the input options given; fails the test when it fails.
std::vector<std::int16_t> FfmpegSamples(const std::string& inputOptions, const std::string& path,
                                        const TempDir& scratch);

// Where `expected` starts in `played`, lining up the first sample that is not zero in each.
std::optional<std::size_t> FindStart(std::span<const std::int16_t> played, std::span<const std::int16_t> expected);
// `played` holds `expected` times `gain` (to within rounding) from `start` (FindStart's when not
// given), then silence; at gain 0, only silence at least as long as `expected`.
::testing::AssertionResult PlayedExactly(std::span<const std::int16_t> played, std::span<const std::int16_t> expected,
                                         double gain = 1.0, std::optional<std::size_t> start = std::nullopt);

}  // namespace korvane::testing
