#include "clip/RowThread.h"

namespace korvane {

void RowThread::Write(Row& row) {
    m_hash.Add(*row.second);
    row.first.sha256 = m_hash.HexDigest();
    m_written = m_times.Add(row.first) && m_written;
}

}  // namespace korvane
