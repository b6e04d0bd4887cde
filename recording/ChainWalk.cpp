#include "recording/ChainWalk.h"

namespace korvane {

ChainWalk::ChainWalk(const RecordFile& file, const RecordingFileHeader& header)
    : m_file(file), m_start(header.firstRecordOffset()), m_dataEnd(header.dataEnd()), m_offset(m_start) {}

bool ChainWalk::Stop(ChainEnd end, std::uint64_t offset) {
    m_end = end;
    m_endOffset = offset;
    return false;
}

bool ChainWalk::Next() {
    if (m_end != ChainEnd::None) return false;
    if (!m_started) {
        m_started = true;
        if (m_start == m_dataEnd) return Stop(ChainEnd::Empty, m_start);
        if (m_start > m_dataEnd) return Stop(ChainEnd::DataEndBeforeFirst, m_start);
    } else {
        const std::uint64_t next = m_record.nextOffset();
        ++m_count;
        if (next == m_dataEnd) return Stop(ChainEnd::DataEnd, next);
        if (next > m_dataEnd) return Stop(ChainEnd::PastDataEnd, m_record.offset);
        m_offset = next;
    }
    LocatedRecord record;
    const LocateResult located = m_file.Locate(m_offset, record);
    if (located == LocateResult::HeadOutsideFile) {
        m_refusedBecause = located;
        return Stop(ChainEnd::HeadOutsideFile, m_offset);
    }
    // The marker is all that tells a record from stray bytes: the lengths of
    // a record without it mean nothing.
    if (m_count > 0 && record.header.marker != kRecordMarker) {
        m_refused = record;
        return Stop(ChainEnd::BadMarker, m_offset);
    }
    if (located != LocateResult::Ok) {
        m_refused = record;
        m_refusedBecause = located;
        return Stop(ChainEnd::CutShort, m_offset);
    }
    m_record = record;
    return true;
}

}  // namespace korvane
