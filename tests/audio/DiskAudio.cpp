#include "tests/audio/DiskAudio.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "tests/decode/PeerDecode.h"

namespace korvane::testing {

namespace {

std::optional<std::size_t> FirstNonZero(std::span<const std::int16_t> samples) {
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (samples[i] != 0) return i;
    }
    return std::nullopt;
}

}  // namespace

DiskAudio::DiskAudio(int delayMs)
    : m_played(m_dir.File("played.raw")),
      m_driver("SDL_AUDIODRIVER", "disk"),
      m_file("SDL_DISKAUDIOFILE", m_played),
      m_delay("SDL_DISKAUDIODELAY", delayMs == kRealTime ? std::nullopt : std::optional(std::to_string(delayMs))) {}

std::vector<std::int16_t> DiskAudio::Channel(int which) const {
    const std::vector<std::int16_t> frames = ReadSamples(m_played);
    std::vector<std::int16_t> channel(frames.size() / 2);
    for (std::size_t k = 0; k < channel.size(); ++k) channel[k] = frames[2 * k + static_cast<std::size_t>(which)];
    return channel;
}

std::vector<std::int16_t> DiskAudio::Left() const { return Channel(0); }
std::vector<std::int16_t> DiskAudio::Right() const { return Channel(1); }

std::vector<std::int16_t> SamplesFromBytes(std::span<const std::uint8_t> bytes) {
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
    }
    return samples;
}

std::vector<std::uint8_t> BytesFromSamples(std::span<const std::int16_t> samples) {
    std::vector<std::uint8_t> bytes(samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto value = static_cast<std::uint16_t>(samples[i]);
        bytes[2 * i] = static_cast<std::uint8_t>(value & 0xFF);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(value >> 8);
    }
    return bytes;
}

std::vector<std::int16_t> ReadSamples(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return SamplesFromBytes(bytes);
}

std::vector<std::int16_t> FfmpegG726Samples(const std::string& path, const TempDir& scratch) {
    const std::string out = scratch.File("g726-by-ffmpeg.raw");
    if (!RunFfmpeg("-f g726le -code_size 4 -sample_rate 8000 -i " + ShellQuote(path) + " -f s16le " +
                   ShellQuote(out))) {
        ADD_FAILURE() << "ffmpeg could not decode " << path;
        return {};
    }
    return ReadSamples(out);
}

std::vector<std::int16_t> FfmpegWavSamples(const std::string& path, const TempDir& scratch) {
    const std::string out = scratch.File("wav-by-ffmpeg.raw");
    if (!RunFfmpeg("-i " + ShellQuote(path) + " -f s16le " + ShellQuote(out))) {
        ADD_FAILURE() << "ffmpeg could not decode " << path;
        return {};
    }
    return ReadSamples(out);
}

std::optional<std::size_t> FindStart(std::span<const std::int16_t> played,
                                     std::span<const std::int16_t> expected) {
    const auto inPlayed = FirstNonZero(played);
    const auto inExpected = FirstNonZero(expected);
    if (!inPlayed || !inExpected || *inPlayed < *inExpected) return std::nullopt;
    return *inPlayed - *inExpected;
}

::testing::AssertionResult PlayedExactly(std::span<const std::int16_t> played,
                                         std::span<const std::int16_t> expected) {
    const auto start = FindStart(played, expected);
    if (!start) return ::testing::AssertionFailure() << "no sound found in " << played.size() << " samples";
    if (*start + expected.size() > played.size()) {
        return ::testing::AssertionFailure() << "only " << played.size() - *start << " of "
                                             << expected.size() << " samples were played";
    }
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (played[*start + i] != expected[i]) {
            return ::testing::AssertionFailure() << "sample " << i << " played as " << played[*start + i]
                                                 << ", expected " << expected[i];
        }
    }
    for (std::size_t i = *start + expected.size(); i < played.size(); ++i) {
        if (played[i] != 0) {
            return ::testing::AssertionFailure() << "sound after the end, " << i - *start - expected.size()
                                                 << " samples past it: " << played[i];
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace korvane::testing
