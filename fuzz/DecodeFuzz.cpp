// libFuzzer target: mutated video records through the picture pipeline.
#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>

#include "fuzz/DecodeRecordDrive.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // The caption overlay needs fonts: an offscreen application for the whole run.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* failure = korvane::fuzzing::DriveDecode({data, size});
    if (failure[0] != '\0') __builtin_trap();
    return 0;
}
