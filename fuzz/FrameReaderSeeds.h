// Small, varied recordings to start the frame reader's fuzzing from, and to
// replay in the regression test: both file kinds, audio, captions with and
// without their marker, extension flags, several cameras, and a few broken
// files. Each carries a move script for the driver in its header.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvane::fuzzing {

struct Seed {
    std::string name;
    std::vector<std::uint8_t> bytes;
    int forwardWalk = 0;  // records reached from the first record by ReadNext until it refuses
};

std::vector<Seed> MakeSeeds();

}  // namespace korvane::fuzzing
