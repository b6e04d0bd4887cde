// Reads a file once from front to back in large pieces, hashing every byte
// with SHA-256 on the way, and copies out the pieces a caller asks for in
// file order. The export gets the records' data and the source's hash from
// this one pass. The hashing runs on a thread of its own, a few pieces
// behind the reading, so that it overlaps the caller's work.
#pragma once

#include <QByteArray>
#include <QCryptographicHash>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

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
    // Copies out.size() bytes at offset; offsets must not go back before the
    // end of the previous copy's start. False when the bytes are not in the file.
    bool Copy(std::uint64_t offset, std::span<std::uint8_t> out);
    // Reads and hashes the next piece; false at the end or on a read error.
    bool ReadAhead() { return NextChunk(); }
    // Reads and hashes the rest of the file; the SHA-256 in lower-case hex,
    // empty when a read failed.
    QByteArray FinishHash();

private:
    using Chunk = std::shared_ptr<std::vector<std::uint8_t>>;
    bool NextChunk();
    void HashLoop();
    // Hands a piece to the hashing thread, waiting while it is kChunksAhead behind.
    void Hand(Chunk chunk);
    void StopHashing();

    static constexpr std::size_t kChunkSize = 1 << 20;
    static constexpr std::size_t kChunksAhead = 4;
    int m_fd = -1;
    std::uint64_t m_size = 0;
    Chunk m_chunk;
    std::uint64_t m_chunkStart = 0;
    std::size_t m_chunkLength = 0;
    bool m_failed = false;

    // Shared with the hashing thread, under m_mutex.
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Chunk> m_queue;
    bool m_ending = false;
    // The hashing thread's own until it is joined.
    QCryptographicHash m_hash{QCryptographicHash::Sha256};
    std::thread m_hasher;  // declared last: started when the file opens, joined first
};

// The SHA-256 of a whole file or of some bytes, in lower-case hex; an empty
// array when the file cannot be read.
QByteArray Sha256OfFile(const std::string& path);
QByteArray Sha256Of(std::span<const std::uint8_t> bytes);

}  // namespace korvane
