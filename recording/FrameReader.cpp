#include "recording/FrameReader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace korvane {

FrameReader::FrameReader(Notifier& notifier) : m_notifier(notifier) {}

FrameReader::~FrameReader() { Close(); }

int FrameReader::Open(const std::string& path) {
    Close();
    m_path = path;
    // Why a file does not open is told by CheckFile, in words.
    if (m_file.Open(path) != 0) return 0;
    RecordingFileHeader header;
    if (!m_file.ReadAt(0, header.bytes)) return 0;  // the file stays held until Close
    m_fileHeader = header;
    if (const int camera = m_fileHeader.headerCamera(); camera >= 0)
        m_camera = static_cast<std::uint32_t>(camera);
    m_currentOffset = kFirstRecordOffset;
    m_open = true;
    return 1;
}

void FrameReader::Close() {
    if (m_file.IsOpen()) {
        m_file.Close();
        m_open = false;
    }
}

int FrameReader::CopyFileHeader(RecordingFileHeader* out) const {
    if (!m_open || out == nullptr) return 0;
    *out = m_fileHeader;
    return 1;
}

bool FrameReader::InChain(std::uint64_t offset) const {
    return offset >= kFirstRecordOffset && offset < m_fileHeader.dataEnd();
}

void FrameReader::MakeCurrent(const LocatedRecord& record) {
    m_currentOffset = static_cast<std::uint32_t>(record.offset);
    m_currentPrefix = record.prefix;
    m_currentHeader = record.header;
    m_currentExtensionCounted = record.extensionCounted();
}

int FrameReader::ReadFirst(FrameHeader* header, FrameExtension* extension,
                           std::span<std::uint8_t> data, CaptionDescriptor* caption,
                           std::span<std::uint8_t> captionText) {
    if (!m_open) return 0;
    const std::uint32_t start = m_fileHeader.firstRecordOffset();
    if (start >= m_fileHeader.dataEnd()) return 0;
    return ReadRecordAt(start, Move::First, header, extension, data, caption, captionText);
}

int FrameReader::ReadNext(FrameHeader* header, FrameExtension* extension,
                          std::span<std::uint8_t> data, CaptionDescriptor* caption,
                          std::span<std::uint8_t> captionText) {
    if (!m_open) return 0;
    const std::uint64_t next = std::uint64_t{m_currentOffset} + kRecordHeadSize +
                               m_currentHeader.bodyLength() +
                               (m_currentExtensionCounted ? kExtensionSize : 0);
    if (!InChain(next)) return 0;
    return ReadRecordAt(next, Move::Next, header, extension, data, caption, captionText);
}

int FrameReader::ReadPrevious(FrameHeader* header, FrameExtension* extension,
                              std::span<std::uint8_t> data, CaptionDescriptor* caption,
                              std::span<std::uint8_t> captionText) {
    if (!m_open) return 0;
    const std::uint32_t target = m_currentPrefix.prevOffset;
    // A link that does not lead backwards would let a backward walk cycle.
    if (!InChain(target) || target >= m_currentOffset) return 0;
    return ReadRecordAt(target, Move::Previous, header, extension, data, caption, captionText);
}

int FrameReader::ReadAt(std::uint32_t offset, FrameHeader* header, FrameExtension* extension,
                        std::span<std::uint8_t> data, CaptionDescriptor* caption,
                        std::span<std::uint8_t> captionText) {
    if (!m_open || !InChain(offset)) return 0;
    return ReadRecordAt(offset, Move::At, header, extension, data, caption, captionText);
}

int FrameReader::ReadRecordAt(std::uint64_t offset, Move move, FrameHeader* header,
                              FrameExtension* extension, std::span<std::uint8_t> data,
                              CaptionDescriptor* caption, std::span<std::uint8_t> captionText) {
    LocatedRecord record;
    if (m_file.Locate(offset, record) != LocateResult::Ok) return 0;
    const FrameHeader& h = record.header;

    if (h.camera != m_camera) return 0;
    if (move != Move::First && h.marker != kRecordMarker) return 0;
    if (move == Move::Previous && h.mediaKind != kMediaVideo) return 0;

    // An unmarked caption is dropped; without a descriptor buffer none is read.
    const bool withCaption = caption != nullptr && record.captionMarked();
    if (h.dataLength > data.size()) return 0;
    if (withCaption && record.caption.textLength > captionText.size()) return 0;

    if (!m_file.ReadAt(record.dataAt(), data.first(h.dataLength))) return 0;
    if (withCaption &&
        !m_file.ReadAt(record.captionTextAt(), captionText.first(record.caption.textLength)))
        return 0;

    MakeCurrent(record);
    if (header) *header = h;
    if (caption) *caption = withCaption ? record.caption : CaptionDescriptor{};

    // ReadNext stores only a marked extension; the other moves store any.
    if (record.extensionRead && (move != Move::Next || record.extension.hasMarker())) {
        m_currentExtension = record.extension;
        if (extension) *extension = record.extension;
    }
    return 1;
}

int FrameReader::ReadKeyFrame(const FrameHeader& of, FrameHeader* header,
                              FrameExtension* extension, std::span<std::uint8_t> data,
                              int commit) {
    if (!m_open) return 0;
    const std::uint32_t target = of.keyFrameOffset;
    // A key record lies at or before the current record; a link forward would
    // let a backward walk return to where it came from.
    if (!InChain(target) || target > m_currentOffset) return 0;

    LocatedRecord record;
    if (m_file.Locate(target, record) != LocateResult::Ok) return 0;
    const FrameHeader& h = record.header;
    const bool accepted = h.marker == kRecordMarker && h.camera == m_camera &&
                          (h.frameType == kFrameKey || h.frameType == kFrameDecoderOnly);
    if (accepted && h.bodyLength() > data.size()) return 0;

    // The data and the caption, if any, come together; the caption is not taken apart.
    bool read = false;
    FrameExtension block{};
    if (accepted && m_file.ReadAt(record.dataAt(), data.first(h.bodyLength()))) {
        read = true;
        if (record.extensionRead) block = record.extension;
        if (header) *header = h;
        if (extension) *extension = block;
    }
    if (commit != 0) {
        MakeCurrent(record);
        m_currentExtension = block;
    }
    return read ? 1 : 0;
}

}  // namespace korvane
