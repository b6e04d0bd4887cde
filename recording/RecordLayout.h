// The blocks of a recording file: a 584-byte file header, then a chain of
// records (prefix, frame header, data, optional caption, optional extension).
// Every block is decoded from and encoded to little-endian bytes field by field,
// so the layout does not depend on the host's byte order or struct packing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace korvane {

inline constexpr std::size_t kFileHeaderSize = 584;
inline constexpr std::size_t kPrefixSize = 16;
inline constexpr std::size_t kFrameHeaderSize = 40;
inline constexpr std::size_t kRecordHeadSize = kPrefixSize + kFrameHeaderSize;  // 56
inline constexpr std::size_t kCaptionDescriptorSize = 80;
inline constexpr std::size_t kExtensionSize = 58;
inline constexpr std::size_t kChannelEntrySize = 20;

inline constexpr std::uint32_t kFileKind514 = 514;
inline constexpr std::uint32_t kFileKind771 = 771;
inline constexpr std::uint16_t kRecordMarker = 514;
inline constexpr std::uint16_t kCaptionMarker = 514;
inline constexpr std::uint16_t kExtensionMarker = 8721;
inline constexpr std::uint32_t kFirstRecordOffset = 584;
inline constexpr int kCameraCount = 32;

enum MediaKind : std::uint8_t { kMediaVideo = 0, kMediaAudio = 1 };

enum FrameType : std::uint8_t {
    kFrameDependent = 0,
    kFrameKey = 1,
    kFrameDecoderOnly = 2,
    kFrameGroup = 3,
    kFrameDecoderOnly4 = 4,
};

// Win32 SYSTEMTIME: eight u16 in this order.
struct SystemTime {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t dayOfWeek = 0;
    std::uint16_t day = 0;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
    std::uint16_t milliseconds = 0;
    bool operator==(const SystemTime&) const = default;
};

// The file header is kept as its raw bytes (it is copied whole) with
// accessors for the few fields the player reads.
struct RecordingFileHeader {
    std::array<std::uint8_t, kFileHeaderSize> bytes{};

    std::uint32_t fileKind() const;
    std::uint32_t dataEnd() const;
    std::uint32_t nameCamera(int camera) const;
    std::uint32_t playCamera(int camera) const;
    std::uint16_t channelCount() const;

    void setFileKind(std::uint32_t value);
    void setDataEnd(std::uint32_t value);
    void setNameCamera(int camera, std::uint32_t value);
    void setPlayCamera(int camera, std::uint32_t value);
    void setChannelCount(std::uint16_t value);

    // Offset of the first record: after the extra channel entries of a
    // kind-771 file with more than 32 channels.
    std::uint32_t firstRecordOffset() const;
    // Camera the header picks for playing, or -1 when it names none.
    int headerCamera() const;
    // First camera marked in the name table, or -1.
    int firstNamedCamera() const;
};

struct RecordPrefix {
    std::uint32_t prevOffset = 0;
    std::array<std::uint32_t, 3> reserved{};
    bool operator==(const RecordPrefix&) const = default;
};

struct FrameHeader {
    std::uint16_t marker = 0;
    SystemTime timeStamp;
    std::uint8_t camera = 0;
    std::uint8_t mediaKind = 0;
    std::uint8_t reserved20 = 0;
    std::uint8_t codec = 0;
    std::uint8_t resolution = 0;
    std::uint8_t frameType = 0;
    // Video: offset of the key record. Audio: the same four bytes hold the
    // sample size (byte 24) and the sample rate (bytes 26-27).
    std::uint32_t keyFrameOffset = 0;
    std::uint32_t dataLength = 0;
    std::uint8_t reserved32 = 0;
    std::uint8_t extFlags = 0;
    std::uint16_t reserved34 = 0;
    std::uint32_t totalLength = 0;

    bool hasCaption() const { return totalLength > dataLength; }
    bool hasExtensionFlag() const { return (extFlags & 0x0F) == 1; }
    // Bytes between the frame header and the extension block.
    std::uint32_t bodyLength() const { return totalLength > dataLength ? totalLength : dataLength; }
    std::uint8_t audioSampleBits() const { return static_cast<std::uint8_t>(keyFrameOffset & 0xFF); }
    std::uint16_t audioSampleRate() const { return static_cast<std::uint16_t>(keyFrameOffset >> 16); }
    void setAudioFormat(std::uint8_t bits, std::uint16_t rate);

    bool operator==(const FrameHeader&) const = default;
};

// Win32 LOGFONTA, 60 bytes.
struct LogFont {
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    std::uint8_t charSet = 0;
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitchAndFamily = 0;
    std::array<char, 32> faceName{};
    bool operator==(const LogFont&) const = default;
};

struct CaptionDescriptor {
    std::uint16_t captionMarker = 0;
    std::uint16_t reserved2 = 0;
    std::uint32_t textLength = 0;
    LogFont font;
    std::uint32_t textColor = 0;  // 0x00BBGGRR
    std::uint16_t textX = 0;
    std::uint16_t textY = 0;
    std::uint8_t captionEnabled = 0;
    std::array<std::uint8_t, 3> reserved77{};
    bool operator==(const CaptionDescriptor&) const = default;
};

struct FrameExtension {
    std::uint16_t extMarker = 0;
    std::array<std::uint8_t, 4> reserved2{};
    std::uint16_t extWidth = 0;
    std::uint16_t extHeight = 0;
    std::array<char, 48> extName{};

    bool hasMarker() const { return extMarker == kExtensionMarker; }
    // The name up to its NUL, or the whole 48 bytes when it has none.
    std::string name() const;
    bool operator==(const FrameExtension&) const = default;
};

RecordPrefix DecodePrefix(std::span<const std::uint8_t, kPrefixSize> in);
FrameHeader DecodeFrameHeader(std::span<const std::uint8_t, kFrameHeaderSize> in);
CaptionDescriptor DecodeCaption(std::span<const std::uint8_t, kCaptionDescriptorSize> in);
FrameExtension DecodeExtension(std::span<const std::uint8_t, kExtensionSize> in);

void EncodePrefix(const RecordPrefix& v, std::span<std::uint8_t, kPrefixSize> out);
void EncodeFrameHeader(const FrameHeader& v, std::span<std::uint8_t, kFrameHeaderSize> out);
void EncodeCaption(const CaptionDescriptor& v, std::span<std::uint8_t, kCaptionDescriptorSize> out);
void EncodeExtension(const FrameExtension& v, std::span<std::uint8_t, kExtensionSize> out);

}  // namespace korvane
