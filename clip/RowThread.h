// The times CSV of a clip, written on a thread of its own: each record's
// SHA-256 is computed there, off the thread that muxes the clip. Rows arrive
// in order with the record's bytes; at most a few wait, so memory stays bounded.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "clip/ClipReport.h"

namespace korvane {

class RowThread {
public:
    using Bytes = std::shared_ptr<const std::vector<std::uint8_t>>;

    explicit RowThread(HashedOutput& file);
    ~RowThread();
    RowThread(const RowThread&) = delete;
    RowThread& operator=(const RowThread&) = delete;

    // The row's sha256 is filled in from bytes.
    void Add(TimesRow row, Bytes bytes);
    // Writes what is waiting; false when a row could not be written.
    bool Finish();

private:
    void Loop();
    void Stop();

    static constexpr std::size_t kRowsAhead = 64;
    TimesFile m_times;  // the thread's own until it is joined
    bool m_written = true;  // the thread's own until it is joined
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::pair<TimesRow, Bytes>> m_queue;  // under m_mutex
    bool m_ending = false;                           // under m_mutex
    std::thread m_thread;  // declared last: started last, joined first
};

}  // namespace korvane
