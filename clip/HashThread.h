// SHA-256 of a stream of pieces, computed on a thread of its own so that the
// thread handing the pieces over (reading a source, muxing a clip) does not
// wait for the hash. At most a few pieces wait; handing one more blocks
// until the hash catches up, so memory stays bounded.
#pragma once

#include <QByteArray>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "clip/Sha256.h"

namespace korvane {

class HashThread {
public:
    using Piece = std::shared_ptr<const std::vector<std::uint8_t>>;

    HashThread();
    ~HashThread();
    HashThread(const HashThread&) = delete;
    HashThread& operator=(const HashThread&) = delete;

    void Hand(Piece piece);
    // Hashes what was handed over and returns the digest in lower-case hex;
    // nothing may be handed over afterwards.
    QByteArray Finish();

private:
    void Loop();
    void Stop();

    static constexpr std::size_t kPiecesAhead = 4;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Piece> m_queue;  // under m_mutex
    bool m_ending = false;      // under m_mutex
    Sha256 m_hash;              // the thread's own until it is joined
    std::thread m_thread;       // declared last: started last, joined first
};

}  // namespace korvane
