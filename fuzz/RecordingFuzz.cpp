// libFuzzer entry point for the recording layer: every input is a recording
// (or a set cut from it), walked and checked by the shared driver; a broken
// promise stops the run.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "fuzz/RecordingDrive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One driver for the whole run: it holds the reader's buffers.
    static korvane::fuzzing::RecordingDriver driver;
    const auto report = driver.Run({data, size});
    if (!report.failure.empty()) {
        std::fprintf(stderr, "recording check failed: %s\n", report.failure.c_str());
        __builtin_trap();
    }
    return 0;
}
