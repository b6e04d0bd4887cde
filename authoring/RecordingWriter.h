// Builds recordings for tests, benchmarks and the demo: any file kind and
// channel count, any cameras, video and audio records with captions and
// extension blocks, and the prevOffset / keyFrameOffset chains a recorder
// writes. Everything can be overridden afterwards to make broken files.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "recording/RecordLayout.h"

namespace korvane::testing {

struct Caption {
    CaptionDescriptor descriptor;  // textLength is set from text unless overridden
    std::string text;
    std::optional<std::uint32_t> textLengthOverride;
};

// One record to append. The writer fills marker, prevOffset, keyFrameOffset
// (video), dataLength and totalLength unless the optional overrides are set.
struct RecordSpec {
    FrameHeader header;  // camera, mediaKind, codec, resolution, frameType, timeStamp, extFlags...
    std::vector<std::uint8_t> data;
    std::optional<Caption> caption;
    std::optional<FrameExtension> extension;  // sets extFlags' low nibble to 1 when extFlags is 0

    std::optional<std::uint32_t> prevOffset;
    std::optional<std::uint32_t> keyFrameOffset;
    std::optional<std::uint32_t> totalLength;
};

// Convenience builders.
FrameExtension MakeExtension(std::uint16_t width, std::uint16_t height, const std::string& name);
Caption MakeCaption(const std::string& text, std::uint16_t x, std::uint16_t y,
                    std::uint32_t colour = 0x00FFFFFF, const std::string& face = "DejaVu Sans",
                    std::int32_t height = 20, bool enabled = true);
SystemTime MakeTime(int year, int month, int day, int hour, int minute, int second, int ms);
// Adds milliseconds to a time of day, carrying into seconds, minutes, hours and the day.
SystemTime AddMilliseconds(SystemTime t, std::int64_t ms);

class RecordingWriter {
public:
    // In memory (Bytes) or, with a path, streamed to that file (for very large recordings).
    explicit RecordingWriter(std::uint32_t fileKind = kFileKind514, std::uint16_t channelCount = 0,
                             const std::string& streamPath = {});
    ~RecordingWriter();
    RecordingWriter(const RecordingWriter&) = delete;
    RecordingWriter& operator=(const RecordingWriter&) = delete;
    RecordingWriter(RecordingWriter&&) = default;
    RecordingWriter& operator=(RecordingWriter&&) = default;

    RecordingFileHeader& Header() { return m_header; }

    // Appends a record and returns its offset.
    std::uint32_t Add(RecordSpec entry);
    // The common cases.
    std::uint32_t AddVideo(int camera, std::uint8_t codec, std::uint8_t frameType,
                           std::span<const std::uint8_t> data, SystemTime time,
                           std::uint8_t resolution = 15);
    std::uint32_t AddAudio(int camera, std::uint8_t codec, std::span<const std::uint8_t> data,
                           SystemTime time, std::uint8_t bits = 16, std::uint16_t rate = 8000);

    const std::vector<std::uint32_t>& Offsets() const { return m_offsets; }
    std::uint32_t End() const { return static_cast<std::uint32_t>(m_size); }

    // Sets dataEnd; by default it is the end of the last record.
    void SetDataEnd(std::uint32_t dataEnd) { m_dataEnd = dataEnd; }

    // In-memory recordings only: the finished bytes, and patching them.
    std::vector<std::uint8_t> Bytes() const;
    void PatchU8(std::uint32_t offset, std::uint8_t value);
    void PatchU16(std::uint32_t offset, std::uint16_t value);
    void PatchU32(std::uint32_t offset, std::uint32_t value);
    void Truncate(std::uint32_t size);

    // Writes the in-memory recording to a file, or finishes a streamed one.
    void WriteFile(const std::string& path) const;
    void Finish();

private:
    void Append(std::span<const std::uint8_t> bytes);
    void FinishHeader(RecordingFileHeader& header) const;

    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };

    RecordingFileHeader m_header;
    std::vector<std::uint8_t> m_bytes;  // records after the file header (in memory)
    std::unique_ptr<std::FILE, FileCloser> m_stream;
    std::uint64_t m_size;
    std::optional<std::uint32_t> m_dataEnd;
    std::vector<std::uint32_t> m_offsets;
    std::uint32_t m_lastVideo[kCameraCount] = {};
    std::uint32_t m_lastKey[kCameraCount] = {};
};

}  // namespace korvane::testing
