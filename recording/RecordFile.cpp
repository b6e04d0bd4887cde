#include "recording/RecordFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

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
    const bool stated = ::fstat(fd, &st) == 0;
    if (stated && S_ISDIR(st.st_mode)) {  // a folder opens for reading but holds no bytes to read
        ::close(fd);
        return EISDIR;
    }
    m_size = stated ? static_cast<std::uint64_t>(st.st_size) : 0;
    m_fd = fd;
    return 0;
}

void RecordFile::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_size = 0;
    m_windowLength = 0;
}

bool RecordFile::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
    if (m_fd < 0 || offset > m_size || out.size() > m_size - offset) return false;
    if (out.empty()) return true;
    if (offset >= m_windowOffset && offset + out.size() <= m_windowOffset + m_windowLength) {
        std::memcpy(out.data(), m_window.data() + (offset - m_windowOffset), out.size());
        m_windowServed = true;
        return true;
    }
    const std::size_t windowWanted =
        static_cast<std::size_t>(std::min<std::uint64_t>(kWindowSize, m_size - offset - out.size()));
    if (out.size() >= kWindowSize) return ReadFile(offset, out, windowWanted);
    // A small piece: fill the window from its start and copy out of it.
    const std::size_t window = m_windowServed ? kWindowSize : std::max(kSmallWindow, out.size());
    const std::size_t length = static_cast<std::size_t>(std::min<std::uint64_t>(window, m_size - offset));
    if (!ReadFile(offset, {}, length)) return false;
    m_windowOffset = offset;
    m_windowServed = false;
    std::memcpy(out.data(), m_window.data(), out.size());
    return true;
}

// Reads out, then windowWanted bytes behind it into the window, in one call
// where the system allows.
bool RecordFile::ReadFile(std::uint64_t offset, std::span<std::uint8_t> out, std::size_t windowWanted) const {
    m_windowLength = 0;
    const std::size_t total = out.size() + windowWanted;
    std::size_t done = 0;
    while (done < total) {
        iovec parts[2];
        int count = 0;
        if (done < out.size()) parts[count++] = {out.data() + done, out.size() - done};
        const std::size_t windowDone = done > out.size() ? done - out.size() : 0;
        if (windowWanted > windowDone) parts[count++] = {m_window.data() + windowDone, windowWanted - windowDone};
        // One part goes through plain pread, which skips the kernel's copy of the parts list.
        const ssize_t n = count == 1 ? ::pread(m_fd, parts[0].iov_base, parts[0].iov_len, static_cast<off_t>(offset + done))
                                     : ::preadv(m_fd, parts, count, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    m_windowOffset = offset + out.size();
    m_windowLength = windowWanted;
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
            record.captionTextAt() + record.caption.textLength > m_size)
            return LocateResult::CaptionTextOutsideFile;
    }
    if (record.extensionAt() > m_size) return LocateResult::BodyOutsideFile;
    return LocateResult::Ok;
}

std::optional<std::size_t> RecordFile::ReadCaptionText(const LocatedRecord& record,
                                                       std::span<std::uint8_t> out) const {
    if (!record.captionMarked()) return std::nullopt;
    const auto length = static_cast<std::size_t>(std::min<std::uint64_t>(record.caption.textLength, out.size()));
    if (!ReadAt(record.captionTextAt(), out.first(length))) return std::nullopt;
    return length;
}

}  // namespace korvane
