#include "clip/HashedOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/mem.h>
}

namespace korvane {
namespace {

constexpr int kIoBufferSize = 1 << 16;

int WritePacket(void* opaque, std::uint8_t* bytes, int size) {
    auto* output = static_cast<HashedOutput*>(opaque);
    return output->Write(std::span<const std::uint8_t>(bytes, static_cast<std::size_t>(size))) ? size : AVERROR(EIO);
}

}  // namespace

void HashedOutput::IoDeleter::operator()(AVIOContext* io) const {
    av_freep(&io->buffer);
    avio_context_free(&io);
}

HashedOutput::~HashedOutput() {
    m_io.reset();
    m_hash.reset();
    if (m_fd >= 0) ::close(m_fd);
    if (!m_committed && !m_temporary.empty()) ::unlink(m_temporary.c_str());
}

bool HashedOutput::Fail(const std::string& what) {
    m_error = what + " " + m_final + ": " + std::strerror(errno);
    return false;
}

bool HashedOutput::Create(const std::string& finalPath) {
    m_final = finalPath;
    const std::filesystem::path path(finalPath);
    // A hidden name of this process's own, made with the permissions the user's umask gives.
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; m_fd < 0 && attempt < 100; ++attempt) {
        m_temporary = (path.parent_path() / ("." + path.filename().string() + "." + std::to_string(::getpid()) + "-" +
                                             std::to_string(counter++) + ".part"))
                          .string();
        m_fd = ::open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd < 0 && errno != EEXIST) break;
    }
    if (m_fd < 0) {
        m_temporary.clear();
        return Fail("cannot write");
    }
    m_hash.emplace(m_fd);
    return true;
}

bool HashedOutput::Write(std::span<const std::uint8_t> bytes) {
    if (m_fd < 0) return false;
    while (!bytes.empty()) {
        if (!m_piece) {
            m_piece = m_hash->Blank();
            m_piece->clear();
            m_piece->reserve(kPieceSize);
        }
        const std::size_t n = std::min(bytes.size(), kPieceSize - m_piece->size());
        m_piece->insert(m_piece->end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
        bytes = bytes.subspan(n);
        if (m_piece->size() == kPieceSize && !Flush()) return false;
    }
    return true;
}

bool HashedOutput::Write(const QByteArray& bytes) {
    return Write(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), static_cast<std::size_t>(bytes.size())));
}

// Hands the piece to the thread that writes and hashes it.
bool HashedOutput::Flush() {
    if (const int error = m_hash->WriteError()) {
        errno = error;
        return Fail("cannot write");
    }
    if (!m_piece || m_piece->empty()) return true;
    m_size += m_piece->size();
    m_hash->Hand(std::move(m_piece));
    m_piece.reset();
    return true;
}

AVIOContext* HashedOutput::Io() {
    if (m_io) return m_io.get();
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    if (buffer == nullptr) return nullptr;
    AVIOContext* io = avio_alloc_context(buffer, kIoBufferSize, 1, this, nullptr, &WritePacket, nullptr);
    if (io == nullptr) {
        av_free(buffer);
        return nullptr;
    }
    io->seekable = 0;
    m_io.reset(io);
    return io;
}

bool HashedOutput::Close() {
    if (m_fd < 0 || !m_hash) return false;
    if (m_io) {
        avio_flush(m_io.get());
        if (m_io->error < 0) {
            errno = EIO;
            return Fail("cannot write");
        }
    }
    if (!Flush()) return false;
    m_digest = m_hash->Finish();
    const int error = m_hash->WriteError();
    m_hash.reset();
    const bool closed = ::close(m_fd) == 0;
    m_fd = -1;
    if (error != 0) errno = error;
    if (error != 0 || !closed) {
        m_digest.clear();
        return Fail("cannot write");
    }
    return true;
}

bool HashedOutput::Commit() {
    if (m_fd >= 0 || m_digest.isEmpty()) return false;
    if (::rename(m_temporary.c_str(), m_final.c_str()) != 0) return Fail("cannot name");
    m_committed = true;
    return true;
}

void HashedOutput::Withdraw() {
    if (m_committed) ::unlink(m_final.c_str());
}

}  // namespace korvane
