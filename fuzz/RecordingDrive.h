// Drives the recording layer's parsing path over recordings held in memory
// and checks the promises it makes to the engine: the chain walk and the
// index agree, every camera's track walks both ways over records of its own
// camera that lie in their files, the time lookups answer what they say, and
// the record reader reads every record of every track within its buffers or
// refuses it. The fuzz target and the regression test share it, so a finding
// replays the same way in both.
//
// The input is one recording. A control byte kept in header bytes that no
// reader interprets (kControlAt) can cut it into two or three recordings of
// a set, at record boundaries of its chain: each later one gets the input's
// header in front and its own dataEnd, so one camera's records, or several
// interleaved cameras, run on across recordings.
//   bits 0-1 of kControlAt: the number of recordings (0 and 1: one);
//   bit 2:                  hand them to the set in reverse order;
//   kControlAt + 1 and + 2: where to cut, as 256ths of the chain's records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace korvane {
struct RecordBuffers;
}

namespace korvane::fuzzing {

inline constexpr std::size_t kControlAt = 316;

// Writes the control bytes into a recording (for seeds).
void SetControl(std::span<std::uint8_t> recording, int recordings, bool reversed, std::uint8_t firstCut,
                std::uint8_t secondCut);

struct DriveReport {
    std::string failure;           // empty when every check held; else what broke, and where
    std::size_t recordings = 0;    // recordings the input was cut into
    std::size_t records = 0;       // records indexed over all of them
    std::size_t trackRecords = 0;  // records on the cameras' tracks
    std::size_t read = 0;          // track records the reader read whole
};

// Owns the reader's buffers (allocated once), so one driver serves any
// number of inputs on one thread.
class RecordingDriver {
public:
    RecordingDriver();
    ~RecordingDriver();
    DriveReport Run(std::span<const std::uint8_t> input);

private:
    std::unique_ptr<RecordBuffers> m_buffers;
};

}  // namespace korvane::fuzzing
