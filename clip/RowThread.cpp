#include "clip/RowThread.h"

#include "clip/Sha256.h"

namespace korvane {

RowThread::RowThread(HashedOutput& file) : m_times(file), m_thread([this] { Loop(); }) {}

RowThread::~RowThread() { Stop(); }

void RowThread::Stop() {
    if (!m_thread.joinable()) return;
    {
        const std::lock_guard lock(m_mutex);
        m_ending = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void RowThread::Add(TimesRow row, Bytes bytes) {
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_queue.size() < kRowsAhead; });
        m_queue.emplace_back(std::move(row), std::move(bytes));
    }
    m_changed.notify_all();
}

void RowThread::Loop() {
    Sha256 hash;
    for (;;) {
        std::pair<TimesRow, Bytes> item;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return !m_queue.empty() || m_ending; });
            if (m_queue.empty()) return;
            item = std::move(m_queue.front());
            m_queue.pop_front();
        }
        m_changed.notify_all();
        hash.Add(*item.second);
        item.first.sha256 = hash.HexDigest();
        m_written = m_times.Add(item.first) && m_written;
    }
}

bool RowThread::Finish() {
    Stop();
    return m_written;
}

}  // namespace korvane
