// SHA-256 of a stream of pieces, computed on a thread of its own so that the
// thread handing the pieces over (reading a source, muxing a clip) does not
// wait for the hash; at most a few pieces wait. A piece may first be written
// to a file there too, so that the copy into the file stays off the hander.
// Pieces the thread is done with come back through Blank, so steady work
// allocates (and clears) no memory.
#pragma once

#include <QByteArray>

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "clip/Sha256.h"
#include "clip/WorkThread.h"

namespace korvane {

class HashThread {
public:
    using Piece = std::shared_ptr<std::vector<std::uint8_t>>;

    HashThread() = default;
    // Each piece is written to fd before it is hashed; the first failed
    // write's errno is kept (WriteError) and nothing is written after it.
    explicit HashThread(int fd) : m_fd(fd) {}

    // A piece to fill: one the thread is done with, or a new one.
    Piece Blank() {
        const std::lock_guard lock(m_freeMutex);
        if (m_free.empty()) return std::make_shared<std::vector<std::uint8_t>>();
        Piece piece = std::move(m_free.back());
        m_free.pop_back();
        return piece;
    }
    void Hand(Piece piece) { m_work.Hand(std::move(piece)); }
    // Hashes what was handed over and returns the digest in lower-case hex;
    // nothing may be handed over afterwards.
    QByteArray Finish() {
        m_work.Finish();
        return m_hash.HexDigest();
    }
    // 0 while every write succeeded.
    int WriteError() const { return m_writeError.load(); }

private:
    void Take(Piece& piece) {
        for (std::size_t done = 0; m_fd >= 0 && m_writeError == 0 && done < piece->size();) {
            const ssize_t n = ::write(m_fd, piece->data() + done, piece->size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) m_writeError = n < 0 ? errno : EIO;
            else done += static_cast<std::size_t>(n);
        }
        m_hash.Add(*piece);
        const std::lock_guard lock(m_freeMutex);
        m_free.push_back(std::move(piece));
    }

    static constexpr std::size_t kPiecesAhead = 4;
    const int m_fd = -1;
    std::atomic<int> m_writeError{0};
    std::mutex m_freeMutex;
    std::vector<Piece> m_free;  // under m_freeMutex
    Sha256 m_hash;              // the thread's own until it is joined
    WorkThread<Piece> m_work{kPiecesAhead, [this](Piece& piece) { Take(piece); }};
};

}  // namespace korvane
