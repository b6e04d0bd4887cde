// Feeds a fuzz input through the picture pipeline and the converter as a
// short run of video records. Each record in the input is an 10-byte description followed by
// its data:
//   codec, frameType, resolution, flags (bit 0: an extension block,
//   bit 1: show, bit 2: a recorded caption, bit 3: an audio record),
//   extension width and height (u16 each), data length (u16), data.
// A recorded caption takes its text from the last bytes of the data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace korvane::fuzzing {

inline constexpr std::size_t kRecordDescriptionSize = 10;

struct FuzzRecord {
    std::uint8_t codec = 0;
    std::uint8_t frameType = 0;
    std::uint8_t resolution = 0;
    std::uint8_t flags = 0;
    std::uint16_t extWidth = 0;
    std::uint16_t extHeight = 0;
    std::vector<std::uint8_t> data;
};

std::vector<FuzzRecord> ParseFuzzRecords(std::span<const std::uint8_t> input);
std::vector<std::uint8_t> EncodeFuzzRecords(const std::vector<FuzzRecord>& records);

// Decodes every record of the input with a fresh pipeline and converts the
// pictures kept; checks what must hold whatever the data (results, picture
// sizes) and returns an empty text when it held, else what failed.
const char* DriveDecode(std::span<const std::uint8_t> input);

}  // namespace korvane::fuzzing
