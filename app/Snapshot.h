// The headless snapshot: open a recording as from the command line, show its
// first picture, step, and write the displayed picture to a PNG file.
#pragma once

#include <string>

namespace korvane {

struct SnapshotRequest {
    std::string outputPath;
    std::string recording;
    int next = 0;
    int previous = 0;
    int size = 0;  // scale the picture to fit size x size; 0 keeps its own size
};

// Exit status: 0 when a picture was presented, 1 when none was, 2 when the
// recording could not be opened. Needs a QApplication.
int RunSnapshot(const SnapshotRequest& request);

}  // namespace korvane
