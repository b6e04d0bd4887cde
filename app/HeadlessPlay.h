// The headless play interface: open a recording, show its first picture
// (or the picture of the camera and time asked for), step forward, then run one playback mode with its real pacing until it
// ends, printing "<milliseconds since the worker started> <caption line>"
// for every picture presented; with every camera side by side (grid), for
// every picture of every camera, all on one clock.
#pragma once

#include <string>
#include <vector>

#include "app/StartPoint.h"
#include "playback/Session.h"

namespace korvane {

struct HeadlessPlayRequest {
    std::vector<std::string> recordings;  // files or folders, opened as one session
    PlayMode mode = PlayMode::Play;
    int speed = 0;
    int next = 0;
    StartPoint start{};  // before the steps
    bool grid = false;   // every camera of the session side by side
};

// Exit status: 0 when the mode ran to its end, 1 when the camera or time
// asked for could not be shown, 2 when the recording could not be opened. Needs a QApplication.
int RunHeadlessPlay(const HeadlessPlayRequest& request);

}  // namespace korvane
