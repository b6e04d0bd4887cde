// A recording opened read-only, and the records located in it. Locating a
// record reads its head, caption descriptor and extension block and checks
// that every block the record declares lies inside the file, before anything
// goes into a caller's buffer.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "recording/RecordLayout.h"

namespace korvane {

struct LocatedRecord {
    std::uint64_t offset = 0;
    RecordPrefix prefix;
    FrameHeader header;
    bool captionRead = false;     // the record has a caption descriptor (totalLength > dataLength)
    CaptionDescriptor caption;    // as stored, whatever its marker
    bool extensionRead = false;   // the header flags an extension block
    FrameExtension extension;     // as stored, whatever its marker

    bool captionMarked() const { return captionRead && caption.captionMarker == kCaptionMarker; }
    // On the physical chain the extension block counts only when it is
    // flagged and carries its marker.
    bool extensionCounted() const { return extensionRead && extension.hasMarker(); }
    std::uint64_t dataAt() const { return offset + kRecordHeadSize; }
    std::uint64_t captionAt() const { return dataAt() + header.dataLength; }
    std::uint64_t captionTextAt() const { return captionAt() + kCaptionDescriptorSize; }
    std::uint64_t extensionAt() const { return dataAt() + header.bodyLength(); }
    // Offset of the record that physically follows this one.
    std::uint64_t nextOffset() const {
        return extensionAt() + (extensionCounted() ? kExtensionSize : 0);
    }
};

enum class LocateResult {
    Ok,
    HeadOutsideFile,
    ExtensionOutsideFile,
    CaptionOutsideFile,
    CaptionTextOutsideFile,
    BodyOutsideFile,
};

// A short English description for people reading a probe's output.
const char* Describe(LocateResult result);

class RecordFile {
public:
    RecordFile() = default;
    ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    // Returns 0 on success, else the operating system's error code. A path
    // written with '\' separators is tried with '/' too.
    int Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_fd >= 0; }
    std::uint64_t Size() const { return m_size; }

    // Reads exactly out.size() bytes at offset; false when they are not all in the file.
    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const;
    LocateResult Locate(std::uint64_t offset, LocatedRecord& record) const;
    // Reads the text of a located record's marked caption, at most out.size()
    // bytes of it. Returns the bytes read, or nothing when the record has no
    // marked caption or its text is not in the file.
    std::optional<std::size_t> ReadCaptionText(const LocatedRecord& record, std::span<std::uint8_t> out) const;

private:
    // Records are read front to back in small pieces (head, caption,
    // extension, the audio records and the next head behind a picture): a
    // window of the bytes that follow the last read serves them without a
    // system call each.
    // A window that served nothing before the next fill was too much: walks
    // that leap over large records (an index of the heads) fill a small one.
    static constexpr std::size_t kWindowSize = 4096;
    static constexpr std::size_t kSmallWindow = 256;
    bool ReadFile(std::uint64_t offset, std::span<std::uint8_t> out, std::size_t windowWanted) const;

    int m_fd = -1;
    std::uint64_t m_size = 0;
    mutable std::array<std::uint8_t, kWindowSize> m_window{};
    mutable std::uint64_t m_windowOffset = 0;
    mutable std::size_t m_windowLength = 0;
    mutable bool m_windowServed = true;  // the last window served a read
};

}  // namespace korvane
