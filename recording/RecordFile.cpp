#include "recording/RecordFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace korvane {

const char* Describe(LocateResult result) {
    switch (result) {
        case LocateResult::Ok: return "ok";
        case LocateResult::HeadOutsideFile: return "record header runs past the end of the file";
        case LocateResult::ExtensionOutsideFile: return "extension block runs past the end of the file";
        case LocateResult::CaptionOutsideFile: return "caption descriptor runs past the end of the file";
        case LocateResult::CaptionTextOutsideFile: return "caption text runs past the end of the file";
        case LocateResult::BodyOutsideFile: return "record data runs past the end of the file";
    }
    return "unknown";
}

RecordFile::~RecordFile() { Close(); }

int RecordFile::Open(const std::string& path) {
    Close();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    const int error = errno;
    if (fd < 0 && path.find('\\') != std::string::npos) {
        std::string slashed = path;
        std::replace(slashed.begin(), slashed.end(), '\\', '/');
        fd = ::open(slashed.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (fd < 0) return error != 0 ? error : EIO;
    struct stat st {};
    m_nSize = ::fstat(fd, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    m_fd = fd;
    return 0;
}

void RecordFile::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_nSize = 0;
}

bool RecordFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
    if (m_fd < 0 || offset > m_nSize || out.size() > m_nSize - offset) return false;
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

LocateResult RecordFile::Locate(std::uint64_t offset, LocatedRecord& record) const {
    std::array<std::uint8_t, kRecordHeadSize> head;
    if (!ReadAt(offset, head)) return LocateResult::HeadOutsideFile;
    record = LocatedRecord{};
    record.offset = offset;
    record.prefix = DecodePrefix(std::span(head).first<kPrefixSize>());
    record.header = DecodeFrameHeader(std::span(head).last<kFrameHeaderSize>());
    const FrameHeader& h = record.header;

    if (h.hasExtensionFlag()) {
        std::array<std::uint8_t, kExtensionSize> ext;
        if (!ReadAt(record.extensionAt(), ext)) return LocateResult::ExtensionOutsideFile;
        record.extension = DecodeExtension(ext);
        record.extensionRead = true;
    }
    if (h.hasCaption()) {
        std::array<std::uint8_t, kCaptionDescriptorSize> desc;
        if (!ReadAt(record.captionAt(), desc)) return LocateResult::CaptionOutsideFile;
        record.caption = DecodeCaption(desc);
        record.captionRead = true;
        if (record.captionMarked() &&
            record.captionTextAt() + record.caption.textLength > m_nSize)
            return LocateResult::CaptionTextOutsideFile;
    }
    if (record.extensionAt() > m_nSize) return LocateResult::BodyOutsideFile;
    return LocateResult::Ok;
}

}  // namespace korvane
