// The one walk along a recording's physical record chain: every record in
// file order, of every camera, from the first record until dataEnd or the
// first record that cannot be followed. The index and the probe both walk
// with it, so they agree on where a chain ends and why.
#pragma once

#include <cstdint>

#include "recording/RecordFile.h"
#include "recording/RecordLayout.h"

namespace korvane {

enum class ChainEnd {
    None,                // the walk goes on
    DataEnd,             // the last record ends exactly at dataEnd
    Empty,               // dataEnd is the first record's offset: no records
    DataEndBeforeFirst,  // dataEnd lies before the first record
    HeadOutsideFile,     // the next record's head is not in the file
    CutShort,            // a block the record declares runs past the end of the file
    BadMarker,           // a record after the first one without its marker
    PastDataEnd,         // the last record runs past dataEnd
};

class ChainWalk {
public:
    // The file must stay open while the walk is used.
    ChainWalk(const RecordFile& file, const RecordingFileHeader& header);

    // Moves to the next record of the chain (the first on the first call).
    // False at the end; End() then says why. Every step moves forward by at
    // least a record head and stays below dataEnd, so a walk ends on any input.
    bool Next();
    // The record reached by the last successful Next.
    const LocatedRecord& Record() const { return m_record; }
    // Its place in the chain, from 0.
    std::uint64_t Count() const { return m_count; }

    ChainEnd End() const { return m_end; }
    // Where the walk ended: the offset of the record it refused, or of the end.
    std::uint64_t EndOffset() const { return m_endOffset; }
    // The record the walk refused (BadMarker, CutShort: its head was read) and why Locate refused it.
    const LocatedRecord& Refused() const { return m_refused; }
    LocateResult RefusedBecause() const { return m_refusedBecause; }

    // Bytes of the chain walked so far and in all.
    std::uint64_t Walked() const { return m_offset > m_start ? m_offset - m_start : 0; }
    std::uint64_t Total() const { return m_dataEnd > m_start ? m_dataEnd - m_start : 0; }

private:
    bool Stop(ChainEnd end, std::uint64_t offset);

    const RecordFile& m_file;
    std::uint64_t m_start;
    std::uint64_t m_dataEnd;
    std::uint64_t m_offset;  // of the record the next step reads
    std::uint64_t m_count = 0;
    bool m_started = false;
    LocatedRecord m_record;
    LocatedRecord m_refused;
    LocateResult m_refusedBecause = LocateResult::Ok;
    ChainEnd m_end = ChainEnd::None;
    std::uint64_t m_endOffset = 0;
};

}  // namespace korvane
