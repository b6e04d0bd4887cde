#include "recording/FrameReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace korvane {

// Everything known about a record before its data is read: its head, its
// caption descriptor and its extension block, with the positions of each.
struct FrameReader::Record {
    std::uint64_t offset = 0;
    RecordPrefix prefix;
    FrameHeader header;
    bool captionMarked = false;       // descriptor present and carrying its marker
    CaptionDescriptor caption;        // all zero unless captionMarked
    bool extensionRead = false;       // the header flags an extension block
    FrameExtension extension;

    std::uint64_t dataAt() const { return offset + kRecordHeadSize; }
    std::uint64_t captionAt() const { return dataAt() + header.dataLength; }
    std::uint64_t captionTextAt() const { return captionAt() + kCaptionDescriptorSize; }
    std::uint64_t extensionAt() const { return dataAt() + header.bodyLength(); }
    // On the physical chain the extension block counts only when it is
    // flagged and carries its marker.
    bool extensionCounted() const { return extensionRead && extension.hasMarker(); }
};

FrameReader::FrameReader(Notifier& notifier) : m_notifier(notifier) {}

FrameReader::~FrameReader() { Close(); }

int FrameReader::Open(const std::string& path) {
    Close();
    m_szPath = path;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    int error = errno;
    if (fd < 0 && path.find('\\') != std::string::npos) {
        std::string slashed = path;
        std::replace(slashed.begin(), slashed.end(), '\\', '/');
        fd = ::open(slashed.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (fd < 0) {
        char text[600];
        std::snprintf(text, sizeof text, "error =%ld  %s", static_cast<long>(error), path.c_str());
        if (std::FILE* again = std::fopen(path.c_str(), "rb")) {
            std::fclose(again);
            m_notifier.ShowMessage("OK");
        }
        m_notifier.ShowMessage(text);
        return 0;
    }
    m_fd = fd;
    struct stat st {};
    m_nFileSize = ::fstat(fd, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;

    RecordingFileHeader header;
    if (!ReadAt(0, header.bytes)) {
        char text[600];
        std::snprintf(text, sizeof text, "error =%ld  %s", 0L, path.c_str());
        m_notifier.ShowMessage(text);
        return 0;  // the handle stays held until Close
    }
    m_fileHeader = header;
    if (int camera = m_fileHeader.headerCamera(); camera >= 0)
        m_nCamera = static_cast<std::uint32_t>(camera);
    m_nCurrentOffset = kFirstRecordOffset;
    m_bOpen = true;
    return 1;
}

void FrameReader::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
        m_bOpen = false;
    }
}

int FrameReader::CopyFileHeader(RecordingFileHeader* out) const {
    if (!m_bOpen || out == nullptr) return 0;
    *out = m_fileHeader;
    return 1;
}

bool FrameReader::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
    if (m_fd < 0 || offset > m_nFileSize || out.size() > m_nFileSize - offset) return false;
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::pread(m_fd, out.data() + done, out.size() - done,
                                  static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool FrameReader::InChain(std::uint64_t offset) const {
    return offset >= kFirstRecordOffset && offset < m_fileHeader.dataEnd();
}

// Reads the record's head, caption descriptor and extension block, and checks
// that every block it declares lies inside the file.
bool FrameReader::LocateRecord(std::uint64_t offset, Record& record) const {
    std::array<std::uint8_t, kRecordHeadSize> head;
    if (!ReadAt(offset, head)) return false;
    record.offset = offset;
    record.prefix = DecodePrefix(std::span(head).first<kPrefixSize>());
    record.header = DecodeFrameHeader(std::span(head).last<kFrameHeaderSize>());
    const FrameHeader& h = record.header;

    std::uint64_t end = record.extensionAt();
    if (h.hasExtensionFlag()) {
        std::array<std::uint8_t, kExtensionSize> ext;
        if (!ReadAt(record.extensionAt(), ext)) return false;
        record.extension = DecodeExtension(ext);
        record.extensionRead = true;
        end += kExtensionSize;
    }
    if (h.hasCaption()) {
        std::array<std::uint8_t, kCaptionDescriptorSize> desc;
        if (!ReadAt(record.captionAt(), desc)) return false;
        CaptionDescriptor caption = DecodeCaption(desc);
        if (caption.captionMarker == kCaptionMarker) {
            record.caption = caption;
            record.captionMarked = true;
            end = std::max(end, record.captionTextAt() + caption.textLength);
        }
    }
    return end <= m_nFileSize;
}

void FrameReader::MakeCurrent(const Record& record) {
    m_nCurrentOffset = static_cast<std::uint32_t>(record.offset);
    m_currentPrefix = record.prefix;
    m_currentHeader = record.header;
    m_bCurrentExtensionCounted = record.extensionCounted();
}

int FrameReader::ReadFirst(FrameHeader* header, FrameExtension* extension,
                           std::span<std::uint8_t> data, CaptionDescriptor* caption,
                           std::span<std::uint8_t> captionText) {
    if (!m_bOpen) return 0;
    const std::uint32_t start = m_fileHeader.firstRecordOffset();
    if (start >= m_fileHeader.dataEnd()) return 0;
    return ReadRecordAt(start, Move::First, header, extension, data, caption, captionText);
}

int FrameReader::ReadNext(FrameHeader* header, FrameExtension* extension,
                          std::span<std::uint8_t> data, CaptionDescriptor* caption,
                          std::span<std::uint8_t> captionText) {
    if (!m_bOpen) return 0;
    const std::uint64_t next = std::uint64_t{m_nCurrentOffset} + kRecordHeadSize +
                               m_currentHeader.bodyLength() +
                               (m_bCurrentExtensionCounted ? kExtensionSize : 0);
    if (!InChain(next)) return 0;
    return ReadRecordAt(next, Move::Next, header, extension, data, caption, captionText);
}

int FrameReader::ReadPrevious(FrameHeader* header, FrameExtension* extension,
                              std::span<std::uint8_t> data, CaptionDescriptor* caption,
                              std::span<std::uint8_t> captionText) {
    if (!m_bOpen) return 0;
    const std::uint32_t target = m_currentPrefix.prevOffset;
    // A link that does not lead backwards would let a backward walk cycle.
    if (!InChain(target) || target >= m_nCurrentOffset) return 0;
    return ReadRecordAt(target, Move::Previous, header, extension, data, caption, captionText);
}

int FrameReader::ReadRecordAt(std::uint64_t offset, Move move, FrameHeader* header,
                              FrameExtension* extension, std::span<std::uint8_t> data,
                              CaptionDescriptor* caption, std::span<std::uint8_t> captionText) {
    Record record;
    if (!LocateRecord(offset, record)) return 0;
    const FrameHeader& h = record.header;

    if (h.camera != m_nCamera) return 0;
    if (move != Move::First && h.marker != kRecordMarker) return 0;
    if (move == Move::Previous && h.mediaKind != kMediaVideo) return 0;

    const bool withCaption = h.hasCaption() && caption != nullptr && record.captionMarked;
    if (h.dataLength > data.size()) return 0;
    if (withCaption && record.caption.textLength > captionText.size()) return 0;

    if (!ReadAt(record.dataAt(), data.first(h.dataLength))) return 0;
    if (withCaption &&
        !ReadAt(record.captionTextAt(), captionText.first(record.caption.textLength)))
        return 0;

    MakeCurrent(record);
    if (header) *header = h;
    if (caption) *caption = withCaption ? record.caption : CaptionDescriptor{};

    // ReadNext stores only a marked extension; the other moves store any.
    const bool storeExtension =
        record.extensionRead && (move != Move::Next || record.extension.hasMarker());
    if (storeExtension) {
        m_currentExtension = record.extension;
        if (extension) *extension = record.extension;
    }
    return 1;
}

int FrameReader::ReadKeyFrame(const FrameHeader& of, FrameHeader* header,
                              FrameExtension* extension, std::span<std::uint8_t> data,
                              int commit) {
    if (!m_bOpen) return 0;
    const std::uint32_t target = of.keyFrameOffset;
    // A key record lies at or before the current record; a link forward would
    // let a backward walk return to where it came from.
    if (!InChain(target) || target > m_nCurrentOffset) return 0;

    Record record;
    if (!LocateRecord(target, record)) return 0;
    const FrameHeader& h = record.header;
    const bool accepted = h.marker == kRecordMarker && h.camera == m_nCamera &&
                          (h.frameType == kFrameKey || h.frameType == kFrameDecoderOnly);

    if (accepted && h.bodyLength() > data.size()) return 0;

    bool read = false;
    FrameExtension block{};
    if (accepted && ReadAt(record.dataAt(), data.first(h.bodyLength()))) {
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
