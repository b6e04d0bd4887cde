// A file written front to back under a temporary name beside its final one,
// written and hashed with SHA-256 on a thread of its own (HashThread), and
// renamed to its final name only when everything is written (Commit). A file
// not committed is removed when the object goes, whatever ended the export.
// Io() gives libavformat a write-only, non-seekable context over it, so the
// bytes are final when they are written and the hash never has to go back.
#pragma once

#include <QByteArray>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "clip/HashThread.h"

struct AVIOContext;

namespace korvane {

class HashedOutput {
public:
    HashedOutput() = default;
    ~HashedOutput();
    HashedOutput(const HashedOutput&) = delete;
    HashedOutput& operator=(const HashedOutput&) = delete;

    // Creates the temporary file; false (with Error()) when the folder cannot be written.
    bool Create(const std::string& finalPath);
    bool Write(std::span<const std::uint8_t> bytes);
    bool Write(const QByteArray& bytes);
    // For libavformat; nullptr when it cannot be made.
    AVIOContext* Io();
    // Writes what is buffered and closes the file; the hash and size are known
    // afterwards. A write that failed on the way fails here (or in the next Write).
    bool Close();
    // Renames the closed file to its final name.
    bool Commit();
    // Removes the final file again (a later file of the same export failed).
    void Withdraw();

    const std::string& Path() const { return m_final; }
    std::uint64_t Size() const { return m_size; }
    const QByteArray& Sha256Hex() const { return m_digest; }
    const std::string& Error() const { return m_error; }

private:
    bool Flush();
    bool Fail(const std::string& what);

    struct IoDeleter {
        void operator()(AVIOContext* io) const;
    };
    static constexpr std::size_t kPieceSize = 1 << 20;
    std::string m_final, m_temporary, m_error;
    int m_fd = -1;
    bool m_committed = false;
    std::uint64_t m_size = 0;
    HashThread::Piece m_piece;
    QByteArray m_digest;
    std::unique_ptr<AVIOContext, IoDeleter> m_io;
    std::optional<HashThread> m_hash;
};

}  // namespace korvane
