// The times CSV of a clip, written on a thread of its own: each record's
// SHA-256 is computed there, off the thread that muxes the clip. Rows arrive
// in order with the record's bytes; at most a few wait.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "clip/ClipReport.h"
#include "clip/Sha256.h"
#include "clip/WorkThread.h"

namespace korvane {

class RowThread {
public:
    using Bytes = std::shared_ptr<const std::vector<std::uint8_t>>;

    explicit RowThread(HashedOutput& file) : m_times(file) {}

    // The row's sha256 is filled in from bytes.
    void Add(TimesRow row, Bytes bytes) { m_work.Hand({std::move(row), std::move(bytes)}); }
    // Writes what is waiting; false when a row could not be written.
    bool Finish() {
        m_work.Finish();
        return m_written;
    }

private:
    using Row = std::pair<TimesRow, Bytes>;
    void Write(Row& row);

    static constexpr std::size_t kRowsAhead = 64;
    // The thread's own until it is joined.
    TimesFile m_times;
    Sha256 m_hash;
    bool m_written = true;
    WorkThread<Row> m_work{kRowsAhead, [this](Row& row) { Write(row); }};
};

}  // namespace korvane
