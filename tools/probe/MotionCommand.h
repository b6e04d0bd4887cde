// korvane-probe --motion: a motion search over one camera of the recordings
// named, its events on stdout (text or one JSON object a line) and its
// progress on stderr.
#pragma once

#include <iosfwd>
#include <span>
#include <string>

namespace korvane::probe {

// The command line without the program name, "--motion" among it.
int runMotionCommand(std::span<const std::string> args, std::ostream& out, std::ostream& err);

}  // namespace korvane::probe
