#include "tests/audio/DiskAudio.h"

#include <algorithm>

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
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
    return samples;
}

std::vector<std::uint8_t> BytesFromSamples(std::span<const std::int16_t> samples) {
    std::vector<std::uint8_t> bytes;
    for (const std::int16_t sample : samples) {
        const auto value = static_cast<std::uint16_t>(sample);
        bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    }
    return bytes;
}

std::vector<std::int16_t> FfmpegSamples(const std::string& inputOptions, const std::string& path,
                                        const TempDir& scratch) {
    const std::string out = scratch.File("by-ffmpeg.raw");
    if (!RunFfmpeg(inputOptions + " -i " + ShellQuote(path) + " -f s16le " + ShellQuote(out))) {
        ADD_FAILURE() << "ffmpeg could not decode " << path;
        return {};
    }
    return SamplesFromBytes(ReadWholeFile(out));
}

std::optional<std::size_t> FindStart(std::span<const std::int16_t> played,
                                     std::span<const std::int16_t> expected) {
    const auto nonZero = [](std::int16_t s) { return s != 0; };
    const auto inPlayed = std::find_if(played.begin(), played.end(), nonZero) - played.begin();
    const auto inExpected = std::find_if(expected.begin(), expected.end(), nonZero) - expected.begin();
    if (inPlayed == std::ssize(played) || inExpected == std::ssize(expected) || inPlayed < inExpected)
        return std::nullopt;
    return static_cast<std::size_t>(inPlayed - inExpected);
}

::testing::AssertionResult PlayedExactly(std::span<const std::int16_t> played,
                                         std::span<const std::int16_t> expected) {
    const auto start = FindStart(played, expected);
    if (!start) return ::testing::AssertionFailure() << "no sound found in " << played.size() << " samples";
    if (*start + expected.size() > played.size())
        return ::testing::AssertionFailure() << "only " << played.size() - *start << " of " << expected.size()
                                             << " samples were played";
    for (std::size_t i = 0; i < played.size() - *start; ++i) {
        const std::int16_t wanted = i < expected.size() ? expected[i] : 0;  // silence after the end
        if (played[*start + i] != wanted)
            return ::testing::AssertionFailure() << "sample " << i << " played as " << played[*start + i]
                                                 << ", expected " << wanted;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace korvane::testing
