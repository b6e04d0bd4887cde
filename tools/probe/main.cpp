#include <unistd.h>

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "tools/probe/Probe.h"
#include "tools/probe/Verify.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "--verify") return korvane::probe::VerifyManifest(args[1], std::cout, std::cerr);
    // Colours only for a person at a terminal, and never when NO_COLOR is set.
    const bool colour = ::isatty(STDOUT_FILENO) != 0 && std::getenv("NO_COLOR") == nullptr;
    const int status = korvane::probe::runProbeCommand(args, colour, std::cout, std::cerr);
    std::cout.flush();
    return status;
}
