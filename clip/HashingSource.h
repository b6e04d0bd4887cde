// Reads a file once from front to back in large pieces, hashing every byte
// with SHA-256 on the way, and copies out the pieces a caller asks for in
// file order. The export gets the records' data and the source's hash from
// this one pass; the hash is computed on a HashThread.
#pragma once

#include <QByteArray>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "clip/HashThread.h"

namespace korvane {

class HashingSource {
public:
    HashingSource() = default;
    ~HashingSource();
    HashingSource(const HashingSource&) = delete;
    HashingSource& operator=(const HashingSource&) = delete;

    // Opens read-only; false when the file cannot be opened.
    bool Open(const std::string& path);
    std::uint64_t Size() const { return m_size; }
    // Bytes read so far.
    std::uint64_t Position() const { return m_chunkStart + m_chunkLength; }
    // Copies out.size() bytes at offset, reading on through the file; bytes
    // behind the pass are read again. False when the bytes are not in the file.
    bool Copy(std::uint64_t offset, std::span<std::uint8_t> out);
    // Reads and hashes the next piece; false at the end or on a read error.
    bool ReadAhead() { return NextChunk(); }
    // Reads and hashes the rest of the file; the SHA-256 in lower-case hex,
    // empty when a read failed.
    QByteArray FinishHash();

private:
    using Chunk = HashThread::Piece;
    bool NextChunk();

    static constexpr std::size_t kChunkSize = 1 << 20;
    int m_fd = -1;
    std::uint64_t m_size = 0;
    Chunk m_chunk;
    std::uint64_t m_chunkStart = 0;
    std::size_t m_chunkLength = 0;
    bool m_failed = false;
    bool m_hashing = false;            // from Open to FinishHash
    std::optional<HashThread> m_hash;  // from the first read to FinishHash
};

// The SHA-256 of a whole file in lower-case hex; empty when it cannot be read.
QByteArray Sha256OfFile(const std::string& path);

}  // namespace korvane
