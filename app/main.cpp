// korvane: the player. Headless interfaces:
//   korvane --snapshot OUT.png [--next N] [--previous M] FILE
#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/Snapshot.h"

namespace {

void Usage() {
    std::fputs("usage: korvane --snapshot OUT.png [--next N] [--previous M] FILE\n", stderr);
}

bool ParseCount(const char* text, int& out) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 0 || value > 1'000'000) return false;
    out = static_cast<int>(value);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    korvane::SnapshotRequest snapshot;
    bool snapshotMode = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(arg, "--snapshot") == 0 && hasValue) {
            snapshotMode = true;
            snapshot.outputPath = argv[++i];
        } else if (std::strcmp(arg, "--next") == 0 && hasValue) {
            if (!ParseCount(argv[++i], snapshot.next)) return Usage(), 2;
        } else if (std::strcmp(arg, "--previous") == 0 && hasValue) {
            if (!ParseCount(argv[++i], snapshot.previous)) return Usage(), 2;
        } else if (arg[0] == '-' && arg[1] == '-') {
            return Usage(), 2;
        } else {
            snapshot.recording = arg;
        }
    }
    if (!snapshotMode || snapshot.recording.empty()) return Usage(), 2;

    // No window: the offscreen platform serves fonts and painting.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return korvane::RunSnapshot(snapshot);
}
