// korvane-probe run in process on its command line: exit status and what it printed.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "tools/probe/Probe.h"

namespace korvane::testing {

struct ProbeRun {
    int status = -1;
    std::string out, err;
};

inline ProbeRun RunProbe(const std::vector<std::string>& args, bool colour = false) {
    std::ostringstream out, err;
    const int status = probe::runProbeCommand(args, colour, out, err);
    return {status, out.str(), err.str()};
}

}  // namespace korvane::testing
