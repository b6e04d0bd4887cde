#include "clip/HashingSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace korvane {

HashingSource::~HashingSource() {
    m_hash.reset();
    if (m_fd >= 0) ::close(m_fd);
}

bool HashingSource::Open(const std::string& path) {
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) return false;
    struct stat st {};
    if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    m_size = static_cast<std::uint64_t>(st.st_size);
    ::posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    m_hashing = true;
    return true;
}

bool HashingSource::NextChunk() {
    if (m_fd < 0 || m_failed || !m_hashing) return false;
    if (!m_hash) m_hash.emplace();  // the thread starts with the first read: a set may hold many files
    m_chunkStart += m_chunkLength;
    m_chunkLength = 0;
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(kChunkSize, m_size - m_chunkStart));
    // A piece the hashing thread is done with: the last ones may still be hashed.
    m_chunk = m_hash->Blank();
    m_chunk->resize(wanted);
    while (m_chunkLength < wanted) {
        const ssize_t n = ::pread(m_fd, m_chunk->data() + m_chunkLength, wanted - m_chunkLength,
                                  static_cast<off_t>(m_chunkStart + m_chunkLength));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            m_failed = true;
            return false;
        }
        m_chunkLength += static_cast<std::size_t>(n);
    }
    if (m_chunkLength == 0) return false;
    m_hash->Hand(m_chunk);
    return true;
}

bool HashingSource::Copy(std::uint64_t offset, std::span<std::uint8_t> out) {
    if (offset > m_size || out.size() > m_size - offset || m_fd < 0) return false;
    if (offset < m_chunkStart) {
        // Behind the hashing pass (another camera of the same file): read again, hashed already.
        for (std::size_t done = 0; done < out.size();) {
            const ssize_t n = ::pread(m_fd, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }
    std::size_t done = 0;
    while (done < out.size()) {
        const std::uint64_t at = offset + done;
        if (at >= m_chunkStart + m_chunkLength) {
            if (!NextChunk()) return false;
            continue;
        }
        const std::size_t from = static_cast<std::size_t>(at - m_chunkStart);
        const std::size_t n = std::min(out.size() - done, m_chunkLength - from);
        std::memcpy(out.data() + done, m_chunk->data() + from, n);
        done += n;
    }
    return true;
}

QByteArray HashingSource::FinishHash() {
    while (Position() < m_size)
        if (!NextChunk()) return {};
    if (m_fd < 0 || m_failed || !m_hashing) return {};
    if (!m_hash) m_hash.emplace();  // an empty file
    QByteArray digest = m_hash->Finish();
    m_hash.reset();
    m_hashing = false;
    return digest;
}

QByteArray Sha256OfFile(const std::string& path) {
    HashingSource source;
    return source.Open(path) ? source.FinishHash() : QByteArray();
}

}  // namespace korvane
