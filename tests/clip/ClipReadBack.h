// A clip read back through libavformat, independently of the exporter: the
// packets of each stream with their times, and the container's tags.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace korvane::testing {

struct ReadPacket {
    std::vector<std::uint8_t> data;
    double seconds = 0;  // presentation time
};

struct ReadClip {
    std::string videoCodec, audioCodec;
    int width = 0, height = 0, sampleRate = 0;
    std::vector<ReadPacket> video, audio;
    std::map<std::string, std::string> tags;
    double seconds = 0;  // the length the container states (or libavformat estimates)
};

// Fails the test, giving nothing, when libavformat cannot read the file.
ReadClip ReadBack(const std::string& path);
// The NAL units of an H.264 access unit framed by start codes or by four-byte lengths.
std::vector<std::vector<std::uint8_t>> NalUnits(std::span<const std::uint8_t> unit, bool lengthPrefixed);
// The clip's sound decoded by the decoder libavcodec picks for its track, as
// 16-bit samples (8-bit unsigned ones moved to the 16-bit range).
std::vector<std::int16_t> DecodedSound(const std::string& path);
// ffmpeg's messages when it decodes every stream of the file; empty when it had none.
std::string FfmpegDecodeMessages(const std::string& path);

}  // namespace korvane::testing
