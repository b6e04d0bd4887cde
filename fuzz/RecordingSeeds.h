// Small, varied recordings to start the recording layer's fuzzing from, and
// to replay in the regression test: both file kinds, audio, captions with and
// without their marker, extension flags, interleaved cameras, recordings of
// a set out of order, and broken chains. Some carry control bytes that cut
// them into a set of recordings (see RecordingDrive.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korvane::fuzzing {

struct Seed {
    std::string name;
    std::vector<std::uint8_t> bytes;
    std::size_t recordings = 1;  // the recordings the driver cuts it into
    std::size_t records = 0;     // records indexed over all of them
    std::size_t read = 0;        // track records the reader reads whole
};

std::vector<Seed> MakeSeeds();

}  // namespace korvane::fuzzing
