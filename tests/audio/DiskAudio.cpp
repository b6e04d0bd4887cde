#include "tests/audio/DiskAudio.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "authoring/FrameSource.h"
#include "tests/decode/PeerDecode.h"

namespace korvane::testing {

DiskAudio::DiskAudio(int delayMs)
    : m_played(m_dir.File("played.raw")),
      m_driver("SDL_AUDIODRIVER", "disk"),
      m_file("SDL_DISKAUDIOFILE", m_played),
      m_delay("SDL_DISKAUDIODELAY", delayMs == kRealTime ? std::nullopt : std::optional(std::to_string(delayMs))) {}

std::vector<std::int16_t> DiskAudio::Channel(int which) const {
    const std::vector<std::int16_t> frames = SamplesFromBytes(ReadWholeFile(m_played));
    std::vector<std::int16_t> channel(frames.size() / 2);
    for (std::size_t k = 0; k < channel.size(); ++k) channel[k] = frames[2 * k + static_cast<std::size_t>(which)];
    return channel;
}

std::vector<std::int16_t> SamplesFromBytes(std::span<const std::uint8_t> bytes) {
    std::vector<std::int16_t> samples(bytes.size() / 2);  // little-endian, as the host's
    if (!samples.empty()) std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

std::vector<std::uint8_t> BytesFromSamples(std::span<const std::int16_t> samples) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(samples.data());
    return {bytes, bytes + samples.size_bytes()};
}

std::vector<std::int16_t> FfmpegSamples(const std::string& inputOptions, const std::string& path,
                                        const TempDir& scratch) {
    const std::string out = scratch.File("by-ffmpeg.raw");
    if (RunFfmpeg(inputOptions + " -i " + ShellQuote(path) + " -f s16le " + ShellQuote(out)))
        return SamplesFromBytes(ReadWholeFile(out));
    ADD_FAILURE() << "ffmpeg could not decode " << path;
    return {};
}

std::optional<std::size_t> FindStart(std::span<const std::int16_t> played, std::span<const std::int16_t> expected) {
    const auto loud = [](auto s) { return std::ranges::find_if(s, [](std::int16_t v) { return v != 0; }) - s.begin(); };
    const auto inPlayed = loud(played), inExpected = loud(expected);
    if (inPlayed == std::ssize(played) || inExpected == std::ssize(expected) || inPlayed < inExpected) return {};
    return static_cast<std::size_t>(inPlayed - inExpected);
}

::testing::AssertionResult PlayedExactly(std::span<const std::int16_t> played, std::span<const std::int16_t> expected,
                                         double gain, std::optional<std::size_t> start) {
    if (gain == 0)
        return played.size() >= expected.size() && std::ranges::count(played, 0) == std::ssize(played)
                   ? ::testing::AssertionSuccess()
                   : ::testing::AssertionFailure() << "not " << expected.size() << " samples of silence";
    if (!start) start = FindStart(played, expected);
    if (!start) return ::testing::AssertionFailure() << "no sound found in " << played.size() << " samples";
    const auto rest = played.subspan(std::min(*start, played.size()));
    for (std::size_t i = 0; i < std::max(rest.size(), expected.size()); ++i) {
        const double wanted = i < expected.size() ? expected[i] * gain : 0;  // silence after the end
        if (i >= rest.size() || std::abs(rest[i] - wanted) >= 1)
            return ::testing::AssertionFailure() << "sample " << i << " of " << rest.size() << " played as "
                                                 << (i < rest.size() ? rest[i] : -99999) << ", expected " << wanted;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace korvane::testing
