// The headless play interface: open a recording, show its first picture,
// step forward, then run one playback mode with its real pacing until it
// ends, printing "<milliseconds since the worker started> <caption line>"
// for every picture presented.
#pragma once

#include <string>

#include "playback/Player.h"

namespace korvane {

struct HeadlessPlayRequest {
    std::string recording;
    PlayMode mode = PlayMode::Play;
    int speed = 0;
    int next = 0;
};

// Exit status: 0 when the mode ran to its end, 2 when the recording could
// not be opened. Needs a QApplication.
int RunHeadlessPlay(const HeadlessPlayRequest& request);

}  // namespace korvane
