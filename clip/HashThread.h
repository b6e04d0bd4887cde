// SHA-256 of a stream of pieces, computed on a thread of its own so that the
// thread handing the pieces over (reading a source, muxing a clip) does not
// wait for the hash; at most a few pieces wait.
#pragma once

#include <QByteArray>

#include <cstdint>
#include <memory>
#include <vector>

#include "clip/Sha256.h"
#include "clip/WorkThread.h"

namespace korvane {

class HashThread {
public:
    using Piece = std::shared_ptr<const std::vector<std::uint8_t>>;

    void Hand(Piece piece) { m_work.Hand(std::move(piece)); }
    // Hashes what was handed over and returns the digest in lower-case hex;
    // nothing may be handed over afterwards.
    QByteArray Finish() {
        m_work.Finish();
        return m_hash.HexDigest();
    }

private:
    static constexpr std::size_t kPiecesAhead = 4;
    Sha256 m_hash;  // the thread's own until it is joined
    WorkThread<Piece> m_work{kPiecesAhead, [this](Piece& piece) { m_hash.Add(*piece); }};
};

}  // namespace korvane
