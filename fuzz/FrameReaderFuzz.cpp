// libFuzzer entry point for the frame reader: every input is a recording,
// walked and checked by the shared driver; a broken promise stops the run.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "fuzz/FrameReaderDrive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One driver for the whole run: it holds the player-sized buffers.
    static korvane::fuzzing::FrameReaderDriver driver;
    const auto report = driver.Run({data, size});
    if (!report.failure.empty()) {
        std::fprintf(stderr, "frame reader check failed: %s\n", report.failure.c_str());
        __builtin_trap();
    }
    return 0;
}
