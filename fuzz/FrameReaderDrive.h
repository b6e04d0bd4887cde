// Drives a FrameReader over one recording held in memory and checks, after
// every move, the promises the reader makes to its callers. The fuzz target
// and the regression test share it, so a finding replays the same way in both.
//
// The recording bytes are the whole input. The moves made on it are a fixed
// walk (first record, forward to the end, back along prevOffset, key records)
// followed by a short script kept in header bytes that the reader never
// interprets (kScriptAt onward), so the fuzzer can vary the moves without
// changing what the file means:
//   byte kScriptAt:       low two bits pick the caller's buffer sizes
//                         (BufferMode), the upper six the script length;
//   following bytes:      one move each (ScriptOp in the low three bits,
//                         flags above).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace korvane::fuzzing {

inline constexpr std::size_t kScriptAt = 316;
inline constexpr std::size_t kScriptEnd = 580;  // channelCount follows
inline constexpr std::size_t kMaxScriptMoves = 63;

// Stored in the low two bits of the script's first byte; 3 means Player too.
enum class BufferMode : std::uint8_t {
    Player = 0,  // the player's own sizes: 12,000,000 data bytes, 5,120 caption bytes
    Small = 1,   // kSmallDataCapacity / kSmallCaptionCapacity: long records are refused
    Empty = 2,   // no room at all: only records without data or caption text fit
};
inline constexpr std::size_t kSmallDataCapacity = 4096;
inline constexpr std::size_t kSmallCaptionCapacity = 64;

enum ScriptOp : std::uint8_t {
    kOpFirst = 0,
    kOpNext = 1,
    kOpAt = 2,  // the record at the current (or a visited) record's key offset
    kOpPrevious = 3,
    kOpKeyPeek = 4,    // ReadKeyFrame with commit 0
    kOpKeyCommit = 5,  // ReadKeyFrame with commit 1
    kOpCopyHeader = 6,
    kOpWalk = 7,       // ReadNext until refused
};
// Flags above the op: no header/extension/caption outs; take the key offset
// from a record visited earlier (chosen by the top three bits) instead of the
// current header.
inline constexpr std::uint8_t kFlagNoOuts = 0x08;
inline constexpr std::uint8_t kFlagVisitedKey = 0x10;

// Writes a script into a recording's header bytes (for seeds).
void SetScript(std::span<std::uint8_t> recording, BufferMode mode,
               std::span<const std::uint8_t> moves);

struct DriveReport {
    std::string failure;   // empty when every check held; else what broke, and where
    bool opened = false;
    int forwardWalk = 0;   // records reached by ReadFirst and the ReadNext walk after it
    int recordsRead = 0;   // successful moves in all
    int moves = 0;         // moves made in all
};

// Owns the caller buffers (the player-sized ones are allocated once and
// reused), so one driver serves any number of inputs on one thread.
class FrameReaderDriver {
public:
    FrameReaderDriver();
    DriveReport Run(std::span<const std::uint8_t> recording);

private:
    std::vector<std::uint8_t> m_playerData;
    std::vector<std::uint8_t> m_playerCaption;
};

}  // namespace korvane::fuzzing
