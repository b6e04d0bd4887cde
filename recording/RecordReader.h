// Reads whole records of a set of recordings by their place in the index:
// head, data, caption and extension, each length checked against the
// caller's buffer before anything is read. One reader serves one thread;
// it keeps the recordings it has read from open.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "recording/RecordFile.h"
#include "recording/RecordLayout.h"

namespace korvane {

// Sizes of the buffers a record is read into.
inline constexpr std::size_t kFrameDataCapacity = 12'000'000;
inline constexpr std::size_t kCaptionTextCapacity = 5'120;

// A record read whole, with the buffers it was read into.
struct RecordBuffers {
    FrameHeader header;
    FrameExtension extension;   // zero when the record has none
    CaptionDescriptor caption;  // zero unless the record has a marked caption
    std::array<std::uint8_t, kCaptionTextCapacity> captionText{};
    std::unique_ptr<std::uint8_t[]> data = std::make_unique_for_overwrite<std::uint8_t[]>(kFrameDataCapacity);

    std::span<std::uint8_t> Data() { return {data.get(), kFrameDataCapacity}; }
    std::span<const std::uint8_t> Body() const { return {data.get(), header.dataLength}; }
};

class RecordReader {
public:
    // paths: the recordings, numbered as in the index references.
    explicit RecordReader(std::vector<std::string> paths) : m_paths(std::move(paths)) {}

    // Reads the record at `offset` of recording `file` (an indexed record).
    // False when it cannot be read or does not fit the buffers.
    bool Read(std::uint32_t file, std::uint32_t offset, RecordBuffers& out);

private:
    const RecordFile* FileOf(std::uint32_t file);

    std::vector<std::string> m_paths;
    std::map<std::uint32_t, std::unique_ptr<RecordFile>> m_open;
};

}  // namespace korvane
