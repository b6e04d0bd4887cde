// The headless snapshot: open a recording as from the command line, show its
// first picture (or the picture of the camera and time asked for), step, and
// write the displayed picture to a PNG file; with --grid, the site view's
// mosaic of every camera at that moment, drawn by the window's tile painter.
#pragma once

#include <string>
#include <vector>

#include "app/StartPoint.h"

namespace korvane {

struct SnapshotRequest {
    std::string outputPath;
    std::vector<std::string> recordings;  // files or folders, opened as one session
    int next = 0;
    int previous = 0;
    int size = 0;  // scale the picture (the mosaic) to fit size x size; 0 keeps its own size
    bool grid = false;  // every camera side by side, each tile with its caption line
    StartPoint start{};  // before the steps
};

// Exit status: 0 when a picture was presented, 1 when none was (or the
// camera or time asked for could not be shown), 2 when the
// recording could not be opened. With the grid, a "tile N: caption" line
// follows for each tile (N the camera from 1; "No recording" for a dark one).
// Needs a QApplication.
int RunSnapshot(const SnapshotRequest& request);

}  // namespace korvane
