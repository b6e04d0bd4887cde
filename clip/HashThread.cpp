#include "clip/HashThread.h"

namespace korvane {

HashThread::HashThread() : m_thread([this] { Loop(); }) {}

HashThread::~HashThread() { Stop(); }

void HashThread::Stop() {
    if (!m_thread.joinable()) return;
    {
        const std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void HashThread::Hand(Piece piece) {
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_queue.size() < kPiecesAhead; });
        m_queue.push_back(std::move(piece));
    }
    m_changed.notify_all();
}

void HashThread::Loop() {
    for (;;) {
        Piece piece;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return !m_queue.empty() || m_ending; });
            if (m_queue.empty()) return;  // ending, and everything handed over is hashed
            piece = std::move(m_queue.front());
            m_queue.pop_front();
        }
        m_changed.notify_all();
        m_hash.Add(*piece);
    }
}

QByteArray HashThread::Finish() {
    Stop();
    return m_hash.HexDigest();
}

}  // namespace korvane
