#include "authoring/RecordingWriter.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "recording/ByteOrder.h"

namespace korvane::testing {

FrameExtension MakeExtension(std::uint16_t width, std::uint16_t height, const std::string& name) {
    FrameExtension ext;
    ext.extMarker = kExtensionMarker;
    ext.extWidth = width;
    ext.extHeight = height;
    std::memcpy(ext.extName.data(), name.data(), std::min(name.size(), ext.extName.size() - 1));
    return ext;
}

Caption MakeCaption(const std::string& text, std::uint16_t x, std::uint16_t y, std::uint32_t colour,
                    const std::string& face, std::int32_t height, bool enabled) {
    Caption caption;
    CaptionDescriptor& d = caption.descriptor;
    d.captionMarker = kCaptionMarker;
    d.font.height = height;
    d.font.weight = 400;
    std::memcpy(d.font.faceName.data(), face.data(), std::min(face.size(), d.font.faceName.size() - 1));
    d.textColor = colour;
    d.textX = x;
    d.textY = y;
    d.captionEnabled = enabled ? 1 : 0;
    caption.text = text;
    return caption;
}

SystemTime MakeTime(int year, int month, int day, int hour, int minute, int second, int ms) {
    SystemTime t;
    t.year = static_cast<std::uint16_t>(year);
    t.month = static_cast<std::uint16_t>(month);
    t.day = static_cast<std::uint16_t>(day);
    t.hour = static_cast<std::uint16_t>(hour);
    t.minute = static_cast<std::uint16_t>(minute);
    t.second = static_cast<std::uint16_t>(second);
    t.milliseconds = static_cast<std::uint16_t>(ms);
    return t;
}

SystemTime AddMilliseconds(SystemTime t, std::int64_t ms) {
    constexpr std::int64_t kDay = 24LL * 3600 * 1000;
    std::int64_t total = ((t.hour * 60LL + t.minute) * 60 + t.second) * 1000 + t.milliseconds + ms;
    std::int64_t days = total / kDay;
    total %= kDay;
    if (total < 0) {
        total += kDay;
        --days;
    }
    t.milliseconds = static_cast<std::uint16_t>(total % 1000);
    t.second = static_cast<std::uint16_t>(total / 1000 % 60);
    t.minute = static_cast<std::uint16_t>(total / 60000 % 60);
    t.hour = static_cast<std::uint16_t>(total / 3600000);
    t.day = static_cast<std::uint16_t>(t.day + days);  // recordings in tests stay within a month
    return t;
}

RecordingWriter::RecordingWriter(std::uint32_t fileKind, std::uint16_t channelCount,
                                 const std::string& streamPath) {
    m_header.setFileKind(fileKind);
    m_header.setChannelCount(channelCount);
    const std::uint32_t first = m_header.firstRecordOffset();
    std::vector<std::uint8_t> lead(first, 0);  // file header and extra channel entries
    if (!streamPath.empty()) {
        m_stream.reset(std::fopen(streamPath.c_str(), "wb"));
        if (!m_stream) throw std::runtime_error("cannot write " + streamPath);
    }
    m_size = 0;
    Append(lead);
}

RecordingWriter::~RecordingWriter() = default;

void RecordingWriter::Append(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return;
    if (m_stream) {
        if (std::fwrite(bytes.data(), 1, bytes.size(), m_stream.get()) != bytes.size())
            throw std::runtime_error("short write");
    } else {
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    }
    m_size += bytes.size();
    if (m_size > 0xFFFFFFFFull) throw std::runtime_error("recording exceeds 32-bit offsets");
}

std::uint32_t RecordingWriter::Add(RecordSpec entry) {
    const auto offset = static_cast<std::uint32_t>(m_size);
    FrameHeader h = entry.header;
    h.marker = kRecordMarker;
    h.dataLength = static_cast<std::uint32_t>(entry.data.size());
    if (entry.extension && (h.extFlags & 0x0F) == 0) h.extFlags = static_cast<std::uint8_t>(h.extFlags | 1);

    std::vector<std::uint8_t> captionBytes;
    if (entry.caption) {
        CaptionDescriptor d = entry.caption->descriptor;
        d.textLength = entry.caption->textLengthOverride.value_or(
            static_cast<std::uint32_t>(entry.caption->text.size()));
        captionBytes.resize(kCaptionDescriptorSize);
        EncodeCaption(d, std::span<std::uint8_t, kCaptionDescriptorSize>(captionBytes.data(),
                                                                         kCaptionDescriptorSize));
        captionBytes.insert(captionBytes.end(), entry.caption->text.begin(), entry.caption->text.end());
    }
    h.totalLength = entry.totalLength.value_or(h.dataLength +
                                              static_cast<std::uint32_t>(captionBytes.size()));

    const int camera = h.camera % kCameraCount;
    RecordPrefix prefix;
    if (h.mediaKind == kMediaVideo) {
        if (h.frameType == kFrameKey || h.frameType == kFrameDecoderOnly) m_lastKey[camera] = offset;
        prefix.prevOffset = entry.prevOffset.value_or(m_lastVideo[camera]);
        h.keyFrameOffset = entry.keyFrameOffset.value_or(m_lastKey[camera]);
        m_lastVideo[camera] = offset;
    } else {
        prefix.prevOffset = entry.prevOffset.value_or(m_lastVideo[camera]);
        if (entry.keyFrameOffset) h.keyFrameOffset = *entry.keyFrameOffset;
    }

    std::vector<std::uint8_t> head(kRecordHeadSize);
    EncodePrefix(prefix, std::span<std::uint8_t, kPrefixSize>(head.data(), kPrefixSize));
    EncodeFrameHeader(h, std::span<std::uint8_t, kFrameHeaderSize>(head.data() + kPrefixSize,
                                                                   kFrameHeaderSize));
    Append(head);
    Append(entry.data);
    Append(captionBytes);
    if (entry.extension) {
        std::vector<std::uint8_t> ext(kExtensionSize);
        EncodeExtension(*entry.extension, std::span<std::uint8_t, kExtensionSize>(ext.data(), kExtensionSize));
        Append(ext);
    }
    m_offsets.push_back(offset);
    return offset;
}

std::uint32_t RecordingWriter::AddVideo(int camera, std::uint8_t codec, std::uint8_t frameType,
                                        std::span<const std::uint8_t> data, SystemTime time,
                                        std::uint8_t resolution) {
    RecordSpec entry;
    entry.header.camera = static_cast<std::uint8_t>(camera);
    entry.header.mediaKind = kMediaVideo;
    entry.header.codec = codec;
    entry.header.frameType = frameType;
    entry.header.resolution = resolution;
    entry.header.timeStamp = time;
    entry.data.assign(data.begin(), data.end());
    return Add(std::move(entry));
}

std::uint32_t RecordingWriter::AddAudio(int camera, std::uint8_t codec,
                                        std::span<const std::uint8_t> data, SystemTime time,
                                        std::uint8_t bits, std::uint16_t rate) {
    RecordSpec entry;
    entry.header.camera = static_cast<std::uint8_t>(camera);
    entry.header.mediaKind = kMediaAudio;
    entry.header.codec = codec;
    entry.header.timeStamp = time;
    entry.header.setAudioFormat(bits, rate);
    entry.keyFrameOffset = entry.header.keyFrameOffset;
    entry.data.assign(data.begin(), data.end());
    return Add(std::move(entry));
}

void RecordingWriter::FinishHeader(RecordingFileHeader& header) const {
    header.setDataEnd(m_dataEnd.value_or(static_cast<std::uint32_t>(m_size)));
}

std::vector<std::uint8_t> RecordingWriter::Bytes() const {
    if (m_stream) throw std::logic_error("a streamed recording has no bytes in memory");
    std::vector<std::uint8_t> bytes = m_bytes;
    RecordingFileHeader header = m_header;
    FinishHeader(header);
    std::copy_n(header.bytes.begin(), std::min(bytes.size(), header.bytes.size()), bytes.begin());
    return bytes;
}

void RecordingWriter::PatchU8(std::uint32_t offset, std::uint8_t value) { m_bytes.at(offset) = value; }
void RecordingWriter::PatchU16(std::uint32_t offset, std::uint16_t value) {
    if (offset + 2ull > m_bytes.size()) throw std::out_of_range("patch");
    StoreU16(&m_bytes[offset], value);
}
void RecordingWriter::PatchU32(std::uint32_t offset, std::uint32_t value) {
    if (offset + 4ull > m_bytes.size()) throw std::out_of_range("patch");
    StoreU32(&m_bytes[offset], value);
}
void RecordingWriter::Truncate(std::uint32_t size) {
    m_bytes.resize(std::min<std::size_t>(size, m_bytes.size()));
}

void RecordingWriter::WriteFile(const std::string& path) const {
    const std::vector<std::uint8_t> bytes = Bytes();
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "wb"));
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size())
        throw std::runtime_error("cannot write " + path);
}

void RecordingWriter::Finish() {
    if (!m_stream) return;
    RecordingFileHeader header = m_header;
    FinishHeader(header);
    std::fseek(m_stream.get(), 0, SEEK_SET);
    std::fwrite(header.bytes.data(), 1, header.bytes.size(), m_stream.get());
    m_stream.reset();
}

}  // namespace korvane::testing
